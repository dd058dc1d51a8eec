#pragma once

#include "print/PrintRun.h"
#include "print/PrinterLayer.h"

#include <QFile>
#include <QPrinter>

// A printer for tests: a fixed font list, and a "default printer" that is a
// PDF file. The print run treats it exactly as it treats a real printer:
// the job is prepared, painted, ended and sent; send() keeps the file.
class FakePrinter : public PrinterLayer
{
public:
    QStringList fonts{QStringLiteral("ＭＳ 明朝"), QStringLiteral("ＭＳ ゴシック"),
                      QStringLiteral("IPAGothic"), QStringLiteral("IPAMincho"),
                      QStringLiteral("Noto Serif CJK JP")};
    QString printerName = QStringLiteral("TESTPDF"); // empty: no printer
    QString refusal;                                 // what the printer answers a job with; empty takes it
    QString delivered;                               // where a job taken ends up
    int sent = 0;

    QStringList fontNames() const override { return fonts; }
    QString defaultPrinterName() const override { return printerName; }
    bool prepare(QPrinter &printer, const QString &, const QString &jobFile) const override
    {
        PrintRun::setUpPdf(printer, jobFile);
        return true;
    }
    QString send(const QPrinter &, const QString &, const QString &jobFile) override
    {
        ++sent;
        if (!refusal.isEmpty())
            return refusal;
        QFile::remove(delivered);
        QFile::copy(jobFile, delivered);
        return {};
    }
};

#pragma once

#include "print/PrinterLayer.h"

// The desktop's printing system: CUPS through Qt, no print dialog. The font
// list is the system's font families, "ＭＳ 明朝" and "ＭＳ ゴシック" first
// (they stand for the installed mincho and gothic faces).
class SystemPrinter : public PrinterLayer
{
public:
    // printerName: print to this queue instead of the default one (tests).
    explicit SystemPrinter(const QString &printerName = QString());

    QStringList fontNames() const override;
    QString defaultPrinterName() const override;
    bool prepare(QPrinter &printer, const QString &name, const QString &jobFile) const override;
    QString send(const QPrinter &printer, const QString &name, const QString &jobFile) override;

private:
    QString m_printerName;
    mutable QStringList m_fonts; // read once: the list does not change while the program runs
};

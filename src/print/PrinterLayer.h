#pragma once

#include <QString>
#include <QStringList>

class QPrinter;

// What the program asks of the desktop's printing system: the fonts a page
// can be printed in, the default printer, and sending a finished job to it.
// The real one is SystemPrinter; tests give their own.
class PrinterLayer
{
public:
    virtual ~PrinterLayer() = default;

    // Font names that can be used on the printed page, always in the same order.
    virtual QStringList fontNames() const = 0;

    // The printer a print goes to; empty when there is none.
    virtual QString defaultPrinterName() const = 0;

    // Sets printer up for the printer called name, its job written to the
    // file jobFile rather than sent. False when that printer cannot be used.
    virtual bool prepare(QPrinter &printer, const QString &name, const QString &jobFile) const = 0;

    // Hands the finished job file to the printer. Empty when the printer
    // took the job, otherwise the printing system's reason.
    virtual QString send(const QPrinter &printer, const QString &name, const QString &jobFile) = 0;

    // A name with its foundry ("C059 [urw]") is offered when its family is.
    bool offers(const QString &fontName) const;

    // The font a stored name is shown and printed in: the name itself when
    // it is offered, otherwise "ＭＳ 明朝".
    QString usableFont(const QString &fontName) const;

    static const QString fallbackFont; // "ＭＳ 明朝"
};

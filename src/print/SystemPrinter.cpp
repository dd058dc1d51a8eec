#include "print/SystemPrinter.h"

#include "store/OnDemandLibrary.h"
#include "ui/JapaneseFonts.h"

#include <QFile>
#include <QFontDatabase>
#include <QPrinter>
#include <QPrinterInfo>

#include <cups/cups.h>

namespace {

// CUPS is loaded when the first job is sent. Linked to the program, it and
// the libraries it needs (TLS, Kerberos, Avahi) would be loaded at every
// start, before the window; by the time a job is sent, Qt's own printing
// has usually loaded it already.
struct Cups
{
    decltype(&cupsAddOption) addOption = nullptr;
    decltype(&cupsPrintFile) printFile = nullptr;
    decltype(&cupsFreeOptions) freeOptions = nullptr;
    decltype(&cupsLastErrorString) lastError = nullptr;
    QString failure; // why CUPS could not be loaded; empty when it was
};

const Cups &cups()
{
    static const Cups loaded = [] {
        Cups c;
        OnDemandLibrary library(QStringLiteral("cups"), 2);
        library.resolve("cupsAddOption", c.addOption);
        library.resolve("cupsPrintFile", c.printFile);
        library.resolve("cupsFreeOptions", c.freeOptions);
        library.resolve("cupsLastErrorString", c.lastError);
        c.failure = library.failure;
        return c;
    }();
    return loaded;
}

} // namespace

SystemPrinter::SystemPrinter(const QString &printerName) : m_printerName(printerName) {}

QStringList SystemPrinter::fontNames() const
{
    if (!m_fonts.isEmpty())
        return m_fonts;
    // The names the settings use for the mincho and gothic faces come
    // first; then every family installed, in the font database's sorted order.
    QStringList families;
    for (const QString &family : QFontDatabase::families()) {
        if (!QFontDatabase::isPrivateFamily(family))
            families.append(family);
    }
    m_fonts = JapaneseFonts::fontChoices(families);
    return m_fonts;
}

QString SystemPrinter::defaultPrinterName() const
{
    if (!m_printerName.isEmpty())
        return m_printerName;
    // Without a CUPS server there is no default printer.
    return QPrinterInfo::defaultPrinter().printerName();
}

bool SystemPrinter::prepare(QPrinter &printer, const QString &name, const QString &jobFile) const
{
    const QPrinterInfo info = QPrinterInfo::printerInfo(name);
    if (info.isNull())
        return false;
    printer.setPrinterName(info.printerName());
    if (printer.outputFormat() != QPrinter::NativeFormat || printer.printerName() != info.printerName())
        return false;
    // A file name without ".pdf" keeps the printer's own page size, margins and
    // resolution; the job is written there and sent by send(), which can tell
    // whether the printer took it.
    printer.setOutputFileName(jobFile);
    return printer.outputFormat() == QPrinter::NativeFormat;
}

QString SystemPrinter::send(const QPrinter &printer, const QString &name, const QString &jobFile)
{
    const Cups &c = cups();
    if (!c.failure.isEmpty())
        return QStringLiteral("CUPSを読み込めません（%1）").arg(c.failure);
    const QByteArray media = printer.pageLayout().pageSize().key().toUtf8();
    cups_option_t *options = nullptr;
    int count = c.addOption("media", media.constData(), 0, &options);
    // The queue name without an instance ("name/instance").
    const QByteArray queue = name.section(u'/', 0, 0).toLocal8Bit();
    const int job =
        c.printFile(queue.constData(), QFile::encodeName(jobFile).constData(), "ユリモカ", count, options);
    c.freeOptions(count, options);
    if (job > 0)
        return {};
    const QString reason = QString::fromUtf8(c.lastError());
    return reason.isEmpty() ? QStringLiteral("理由は分かりません") : reason;
}

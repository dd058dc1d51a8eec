#include "print/PrinterLayer.h"

#include "ui/JapaneseFonts.h"

const QString PrinterLayer::fallbackFont = QString::fromUtf8(JapaneseFonts::mincho);

bool PrinterLayer::offers(const QString &fontName) const
{
    const QStringList names = fontNames();
    return names.contains(fontName) || names.contains(JapaneseFonts::familyOf(fontName));
}

QString PrinterLayer::usableFont(const QString &fontName) const
{
    return offers(fontName) ? fontName : fallbackFont;
}

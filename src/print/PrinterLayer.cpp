#include "print/PrinterLayer.h"

#include "ui/JapaneseFonts.h"

const QString PrinterLayer::fallbackFont = QString::fromUtf8(JapaneseFonts::mincho);

QString PrinterLayer::usableFont(const QString &fontName) const
{
    return offers(fontName) ? fontName : fallbackFont;
}

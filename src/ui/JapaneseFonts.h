#pragma once

#include <QString>
#include <QStringList>

// The settings name the mincho and gothic faces "ＭＳ 明朝" and "ＭＳ ゴシック".
// They are kept as written, and resolved here to the mincho and gothic faces
// installed on this machine.
namespace JapaneseFonts {
void install();

inline constexpr const char *mincho = "ＭＳ 明朝";
inline constexpr const char *gothic = "ＭＳ ゴシック";

// A font name without the foundry that the font database adds when two
// foundries make a family of the same name: "C059 [urw]" is "C059". The bare
// name finds the family.
QString familyOf(const QString &fontName);

// The font list of the vertical-font and print windows: "ＭＳ 明朝" and
// "ＭＳ ゴシック" first, then each of families once, in their order, without
// its foundry.
QStringList fontChoices(const QStringList &families);
} // namespace JapaneseFonts

#pragma once

// The settings name the Windows faces "ＭＳ 明朝" and "ＭＳ ゴシック". They are
// kept as written, and resolved here to the mincho and gothic faces installed
// on this machine.
namespace JapaneseFonts {
void install();

inline constexpr const char *mincho = "ＭＳ 明朝";
inline constexpr const char *gothic = "ＭＳ ゴシック";
} // namespace JapaneseFonts

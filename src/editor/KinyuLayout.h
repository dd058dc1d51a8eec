#pragma once

#include "ui/LayoutBox.h"

// Where the entry window's controls go for a window size, in twips: the
// category box, the poem box, the memo box and 登録 widen with the window,
// the date, 今日 and 鍵をかける follow its right edge, the memo box and the
// preview grow with its height, and the preview's font steps with the
// preview's height. Pure arithmetic, so that it can be checked without a window.
namespace KinyuLayout {

inline constexpr double kDesignWidth = 9450;
inline constexpr double kDesignHeight = 6975;
inline constexpr double kMinWidth = 9450;
inline constexpr double kMinHeight = 6475;
// The window opens this much lower than the main window, so that the main
// window's hint line stays in sight below it.
inline constexpr double kBelowMain = 500;
// The outer window is this much larger than its client area (title bar and a
// sizable border).
inline constexpr double kOuterExtraWidth = 120;
inline constexpr double kOuterExtraHeight = 390;

// A control's rectangle in twips, as the main window's layout has it.
using Box = LayoutBox;

struct Layout
{
    Box Label1, Combo1, Label2, Text1, Command3, Check3;
    Box Shape1, Label4, Label6, Text2, Label3, Text3;
    Box Command2, Command1;
    Box LabelOnsu;          // the count of the poem's sounds, in the strip under the poem box
    int previewPoints = 14; // the preview's font size
};

// The layout for a window of outer size W × H; a size below the minimum is
// laid out at the minimum, which is where the window system puts it back.
Layout forSize(double W, double H);

} // namespace KinyuLayout

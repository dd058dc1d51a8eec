#pragma once

#include "ui/LayoutBox.h"

// Where the main window's controls go for a window size, in twips: the list
// and the memo box widen with the window, the buttons follow its right and
// bottom edges, the poem label grows with its height and takes a larger font
// in steps, and the strip between list and memo box is a splitter.
// Pure arithmetic, so that it can be checked without a window.
namespace MainLayout {

inline constexpr double kMinWidth = 9450;
inline constexpr double kMinHeight = 6975;
inline constexpr double kListTop = 420;
inline constexpr double kMinList = 1000;
inline constexpr double kMinMemo = 1000;
// The outer window is this much larger than its client area below the menu bar.
inline constexpr double kOuterExtraWidth = 9450 - 9330;
inline constexpr double kOuterExtraHeight = 6975 - 6285;

using Box = LayoutBox;

struct Layout
{
    Box Combo2, Command5, Command1, Command2;
    Box Shape1, Label3, Grid1, Text2;
    Box Text1, Command7, Command8, Command6, Command9;
    double poemColumn = 0; // width of the list's poem column
    int poemPoints = 14;   // the poem label's font size
};

// The layout for a window of outer size W × H (held at the minimum size) and a
// list listHeight high; the list gives way when the memo box would be lower
// than 1000 twips.
Layout forSize(double W, double H, double listHeight);

// The list height for the splitter dragged to y (client twips) in a window H high.
double listHeightForSplitter(double y, double H);

// Whether y (client twips) lies in the gap between list and memo box.
bool inSplitterGap(double y, const Layout &layout);

} // namespace MainLayout

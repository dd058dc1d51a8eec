#pragma once

// The vertical poem's font grows with its label's height in steps, and the
// label moves a little to the left as the characters widen. The main
// window's poem and the entry window's preview follow the same steps.
namespace PoemFontStep {

struct Step
{
    int points = 14;   // font size
    double left = 240; // the label's left edge, in twips
};

// The step for a label h twips high.
constexpr Step forHeight(double h)
{
    if (h < 6135)
        return {14, 240};
    if (h < 6915)
        return {16, 240};
    if (h < 7935)
        return {18, 200};
    if (h < 8475)
        return {20, 180};
    return {22, 180};
}

} // namespace PoemFontStep

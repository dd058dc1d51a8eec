#pragma once

// A control's place in a window's design, in twips.
struct LayoutBox
{
    double left = 0, top = 0, width = 0, height = 0;
    bool operator==(const LayoutBox &) const = default;
};

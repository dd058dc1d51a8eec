#include "mainwin/MainLayout.h"

#include <algorithm>
#include <cmath>

namespace MainLayout {

namespace {

constexpr double kGap = 105;           // between list and memo box
constexpr double kMemoToBottom = 1200; // from the memo box's bottom edge to the window's outer height

} // namespace

Layout forSize(double W, double H, double listHeight)
{
    // A window below its minimum is laid out at the minimum: that is where
    // the window system puts it back.
    W = std::max(W, kMinWidth);
    H = std::max(H, kMinHeight);
    const double d = W - kMinWidth;
    const double e = H - kMinHeight;

    Layout l;
    l.Combo2 = {5280, 60, 2055 + d, 315};
    l.Command5 = {7320 + d, 60, 675, 315};
    l.Command1 = {8160 + d, 60, 555, 315};
    l.Command2 = {8760 + d, 60, 555, 315};
    l.poemColumn = std::round(4075 + d);

    l.Command7 = {5640 + d, 5820 + e, 675, 435};
    l.Command8 = {6360 + d, 5820 + e, 1095, 435};
    l.Command6 = {7500 + d, 5820 + e, 1095, 435};
    l.Command9 = {8640 + d, 5820 + e, 675, 435};
    l.Text1 = {60, 5880 + e, 5535, 315};

    l.Shape1 = {0, 420, 795, 5415 + e};
    const double h = 5235 + e;
    double left = 240;
    if (h < 6135) {
        l.poemPoints = 14;
    } else if (h < 6915) {
        l.poemPoints = 16;
    } else if (h < 7935) {
        l.poemPoints = 18;
        left = 200;
    } else if (h < 8475) {
        l.poemPoints = 20;
        left = 180;
    } else {
        l.poemPoints = 22;
        left = 180;
    }
    l.Label3 = {left, 540, 435, h};

    // The memo box's bottom edge always lies at H - 1200; the list keeps its
    // height unless the memo box would be lower than 1000.
    double list = listHeight;
    if ((H - kListTop) - list - kGap - kMemoToBottom < kMinMemo)
        list = H - kListTop - kGap - kMemoToBottom - kMinMemo;
    list = std::max(list, 1.0); // a hand-edited height of nothing still shows a line of the list
    const double memoTop = kListTop + list + kGap;
    l.Grid1 = {840, kListTop, 8475 + d, list};
    l.Text2 = {840, memoTop, 8475 + d, std::max(kMinMemo, H - kMemoToBottom - memoTop)};
    return l;
}

double listHeightForSplitter(double y, double H)
{
    H = std::max(H, kMinHeight);
    if (y < 1470)
        return kMinList; // too high
    if (y > H - 2250)
        return H - 2725; // too low: the memo box keeps 1000
    return y - 470;
}

bool inSplitterGap(double y, const Layout &layout)
{
    return y > layout.Grid1.top + layout.Grid1.height && y < layout.Text2.top;
}

} // namespace MainLayout

#include "editor/KinyuLayout.h"

#include "ui/PoemFontStep.h"

#include <algorithm>

namespace KinyuLayout {

Layout forSize(double W, double H)
{
    W = std::max(W, kMinWidth);
    H = std::max(H, kMinHeight);
    const double d = W - kDesignWidth;
    const double e = H - kDesignHeight; // negative down to the minimum height

    Layout l;
    l.Label1 = {60, 60, 450, 225};
    l.Combo1 = {600, 0, 3255 + d, 345};
    l.Label2 = {4020 + d, 60, 915, 225};
    l.Text1 = {4980 + d, 0, 1275, 375};
    l.Command3 = {6240 + d, 0, 675, 375};
    l.Check3 = {7260 + d, 120, 1455, 195};
    l.Label6 = {900, 540, 225, 225};
    l.Text2 = {1200, 420, 7995 + d, 390};
    l.LabelOnsu = {1200, 810, 7995 + d, 135};
    l.Label3 = {900, 960, 8550, 225};
    l.Text3 = {840, 1200, 8415 + d, 4815 + e};
    // 中止 stays where it is across; 登録 keeps its left edge and grows, so
    // that its right edge keeps its distance from the window's.
    l.Command2 = {6600, 6060 + e, 1095, 435};
    l.Command1 = {7740, 6060 + e, 1515 + d, 435};
    l.Shape1 = {0, 420, 795, 5415 + e};
    const double h = 5235 + e;
    const PoemFontStep::Step step = PoemFontStep::forHeight(h);
    l.previewPoints = step.points;
    l.Label4 = {step.left, 480, 435, h};
    return l;
}

} // namespace KinyuLayout

#pragma once

class QColor;
class QWidget;

// The small windows: a fixed size in twips, controls placed by their design
// rectangles, opened centred over the main window.
namespace DialogPlacement {

// Gives dialog its client size in twips and a fixed border: a title and a
// close box, nothing to resize it with.
void fixSize(QWidget *dialog, double widthTwips, double heightTwips);

// A fixed-size dialog's frame: a title bar without minimise and maximise
// buttons, with a close box when closeBox. Under openbox, which draws those
// buttons on any dialog, the window is marked a toolbar, which it draws with
// a title and a close box only; closing counts as cancelling.
void fixFrame(QWidget *dialog, bool closeBox);

// The small windows' look: ＭＳ ゴシック at pointSize for every control, and
// background as the colour of the window's surface.
void dress(QWidget *dialog, double pointSize, const QColor &background);

// Moves dialog so that its frame is centred over owner's frame: left = owner
// left + (owner width − own width) / 2, top likewise. Nothing without an owner.
void centreOver(QWidget *dialog, const QWidget *owner);

} // namespace DialogPlacement

#pragma once

class QWidget;

// The small windows open centred over the main window.
namespace DialogPlacement {

// Moves dialog so that its frame is centred over owner's frame: left = owner
// left + (owner width − own width) / 2, top likewise. Nothing without an owner.
void centreOver(QWidget *dialog, const QWidget *owner);

} // namespace DialogPlacement

#pragma once

#include "store/Notebook.h"

class QWidget;

// A main window's place and size as the settings keep them, in twips: what
// a first start writes, what a start restores, and what a quit records.
// Stored values are kept as they are while the window still stands where
// they put it, so that an untouched settings file is written back unchanged.
namespace WindowGeometry {

// The window as it stands now, for a first start's settings.
Settings defaults(const QWidget *w, double listHeightTwips);

// Moves the window to its saved place (unless that place is on no screen
// any more) and gives it its saved outer size.
void restore(QWidget *w, const Settings &saved);

// Where the window stands now, starting from what saved holds. listHeightPx
// is the list's height on screen, listHeightTwips the one the layout keeps.
Notebook::WindowPlace record(const QWidget *w, const Settings &saved, int listHeightPx,
                             double listHeightTwips);

// Puts the window in the middle of its screen.
void centreOnScreen(QWidget *w);

} // namespace WindowGeometry

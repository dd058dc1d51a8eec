#pragma once

#include <QObject>
#include <QString>

#include <functional>

class QWidget;

// The running help of the program: moving the mouse over a control, or giving
// a box the focus, writes a short explanation into the main window's one hint
// line. Dialogs write into the same line while they are open.
namespace Hints {

// Where a hint goes: the main window's hint line.
using Sink = std::function<void(const QString &)>;

enum class On { MouseMove, Focus };

// Writes text through sink whenever the event happens on w. The watcher is
// owned by w and ends with it.
void attach(QWidget *w, const QString &text, On on, Sink sink);

} // namespace Hints

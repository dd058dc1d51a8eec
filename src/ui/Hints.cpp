#include "ui/Hints.h"

#include <QEvent>
#include <QFocusEvent>
#include <QWidget>

namespace {

class HintWatcher : public QObject
{
public:
    HintWatcher(QWidget *w, QString text, Hints::On on, Hints::Sink sink)
        : QObject(w), m_text(std::move(text)), m_on(on), m_sink(std::move(sink))
    {
    }

protected:
    bool eventFilter(QObject *, QEvent *e) override
    {
        const bool fire = m_on == Hints::On::Focus
                              ? e->type() == QEvent::FocusIn && movedInto(static_cast<QFocusEvent *>(e))
                              // Enter as well: a button does not see the mouse move
                              // over it unless a button is held down.
                              : e->type() == QEvent::MouseMove || e->type() == QEvent::Enter ||
                                    e->type() == QEvent::HoverMove;
        if (fire && m_sink)
            m_sink(m_text);
        return false;
    }

private:
    // A box the poet moves into, by Tab, a click, a key or the program; not
    // the focus handed back when the window comes to the front (at start-up,
    // after a dialog) or a menu or a drop-down list closes, which would
    // overwrite the hint line with nobody asking.
    static bool movedInto(const QFocusEvent *e)
    {
        const Qt::FocusReason r = e->reason();
        return r != Qt::ActiveWindowFocusReason && r != Qt::PopupFocusReason && r != Qt::MenuBarFocusReason;
    }

    QString m_text;
    Hints::On m_on;
    Hints::Sink m_sink;
};

} // namespace

void Hints::attach(QWidget *w, const QString &text, On on, Sink sink)
{
    if (on == On::MouseMove)
        w->setMouseTracking(true);
    w->installEventFilter(new HintWatcher(w, text, on, std::move(sink)));
}

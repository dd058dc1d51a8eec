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
                              // A box the poet moves into, by Tab, a click or a key;
                              // not the focus a window hands back when it comes to
                              // the front (at start-up, after a dialog), which would
                              // overwrite the hint line with nobody asking.
                              ? e->type() == QEvent::FocusIn &&
                                    static_cast<QFocusEvent *>(e)->reason() != Qt::ActiveWindowFocusReason
                              // Enter as well: a button does not see the mouse move
                              // over it unless a button is held down.
                              : e->type() == QEvent::MouseMove || e->type() == QEvent::Enter ||
                                    e->type() == QEvent::HoverMove;
        if (fire && m_sink)
            m_sink(m_text);
        return false;
    }

private:
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

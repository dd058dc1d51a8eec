#include "ui/VerticalLabel.h"

#include "ui/VerticalText.h"

#include <QAccessible>
#include <QAccessibleWidget>
#include <QPainter>

namespace {

// Reads the poem out: the name is the label's text, the description what
// the label holds, then what its owner says of the text (the count of its sounds).
class VerticalLabelAccessible : public QAccessibleWidget
{
public:
    explicit VerticalLabelAccessible(QWidget *w) : QAccessibleWidget(w, QAccessible::StaticText) {}

    QString text(QAccessible::Text t) const override
    {
        const auto *label = static_cast<const VerticalLabel *>(widget());
        switch (t) {
        // A poem of megabytes from a damaged notebook is read out as far as a
        // column could show it.
        case QAccessible::Name:
            return label->text().isEmpty() ? label->accessibleName() : VerticalText::shortened(label->text());
        case QAccessible::Description:
            return label->accessibleDescription().isEmpty()
                       ? label->accessibleName()
                       : label->accessibleName() + QStringLiteral("、") + label->accessibleDescription();
        default: return QAccessibleWidget::text(t);
        }
    }
};

QAccessibleInterface *accessibleFor(const QString &className, QObject *object)
{
    if (className == QLatin1String("VerticalLabel") && object && object->isWidgetType())
        return new VerticalLabelAccessible(static_cast<QWidget *>(object));
    return nullptr;
}

} // namespace

VerticalLabel::VerticalLabel(QWidget *parent) : QWidget(parent)
{
    static const bool installed = [] {
        QAccessible::installFactory(accessibleFor);
        return true;
    }();
    Q_UNUSED(installed);
}

void VerticalLabel::setText(const QString &text)
{
    if (text == m_text)
        return;
    m_text = text;
    update();
    QAccessibleEvent changed(this, QAccessible::NameChanged);
    QAccessible::updateAccessibility(&changed);
}

void VerticalLabel::paintEvent(QPaintEvent *)
{
    QPainter p(this);
    p.fillRect(rect(), palette().window());
    p.setPen(palette().windowText().color());
    VerticalText::paint(p, rect(), m_text, font());
}

#include "booklet/Booklet.h"

#include "booklet/BookletLayout.h"
#include "booklet/KanjiNumerals.h"
#include "booklet/PdfInfo.h"
#include "ui/JapaneseFonts.h"
#include "ui/VerticalText.h"

#include <QBuffer>
#include <QPainter>
#include <QPdfWriter>

namespace {

constexpr int kResolution = 1200; // dots an inch of the PDF's coordinates
const QString kCreator = QStringLiteral("ユリモカ");

double fromMm(double mm)
{
    return mm / 25.4 * kResolution;
}

QFont mincho(double points, bool bold = false)
{
    QFont f(QString::fromUtf8(JapaneseFonts::mincho));
    f.setPointSizeF(points);
    f.setBold(bold);
    return f;
}

qsizetype glyphCount(const QString &text)
{
    return text.toUcs4().size();
}

// The font a text is set in down a column of at most height: smaller than
// font when the text would not fit otherwise, so that nothing is cut off.
QFont fitted(const QString &text, QFont font, double height, const QPaintDevice *device)
{
    const qsizetype n = glyphCount(text);
    for (int tries = 0; tries < 8 && n > 0; ++tries) {
        const double length = n * VerticalText::cellHeight(font, device);
        if (length <= height)
            break;
        font.setPointSizeF(font.pointSizeF() * height / length * 0.99);
    }
    return font;
}

double lengthOf(const QString &text, const QFont &font, const QPaintDevice *device)
{
    return glyphCount(text) * VerticalText::cellHeight(font, device);
}

// Sets text down the column centred on x, starting at top.
void setColumn(QPainter &p, double x, double top, const QString &text, const QFont &font)
{
    const double cell = VerticalText::cellHeight(font, p.device());
    const double length = lengthOf(text, font, p.device());
    // A little room past the last cell, for strokes that reach beyond it.
    VerticalText::paint(p, QRectF(x - cell, top, 2 * cell, length + cell / 2), text, font);
}

class Pages
{
public:
    Pages(QPainter &painter, const BookletLayout::Style &style, const QRectF &sheet)
        : p(painter), s(style), sheet(sheet),
          area(sheet.adjusted(fromMm(style.marginMm), fromMm(style.marginMm), -fromMm(style.marginMm),
                              -fromMm(style.footMm))),
          poemFont(mincho(style.poemPoints)), dateFont(mincho(style.datePoints)),
          poemCell(VerticalText::cellHeight(poemFont, painter.device()))
    {
    }

    void titlePage(const QString &title, const QString &poet)
    {
        const QFont titleFont = fitted(title, mincho(s.titlePoints), area.height() * 0.6, p.device());
        const double titleCell = VerticalText::cellHeight(titleFont, p.device());
        setColumn(p, area.center().x() + titleCell, area.top() + area.height() * 0.12, title, titleFont);
        if (poet.isEmpty())
            return;
        // The poet's name ends low, to the left of the title.
        const QFont poetFont = fitted(poet, poemFont, area.height() * 0.5, p.device());
        const double bottom = area.top() + area.height() * 0.88;
        setColumn(p, area.center().x() - titleCell, bottom - lengthOf(poet, poetFont, p.device()), poet,
                  poetFont);
    }

    void heading(double x, const QString &category)
    {
        // Two cells down from the poems' tops, a little larger, bold.
        const double top = area.top() + 2 * poemCell;
        setColumn(p, x, top, category,
                  fitted(category, mincho(s.headingPoints, true), area.bottom() - top, p.device()));
    }

    void poem(double x, const QString &poem, const QString &date)
    {
        double poemHeight = area.height();
        if (!date.isEmpty()) {
            const QFont font = fitted(date, dateFont, area.height() / 2, p.device());
            const double length = lengthOf(date, font, p.device());
            setColumn(p, x, area.bottom() - length, date, font);
            poemHeight -= length + poemCell; // an empty cell between poem and date
        }
        setColumn(p, x, area.top(), poem, fitted(poem, poemFont, poemHeight, p.device()));
    }

    void pageNumber(int n)
    {
        p.setFont(mincho(s.pageNoPoints));
        const double foot = fromMm(s.footMm);
        p.drawText(QRectF(sheet.left(), sheet.bottom() - foot, sheet.width(), foot), Qt::AlignCenter,
                   KanjiNumerals::number(n));
    }

    const QRectF &textArea() const { return area; }
    double cell() const { return poemCell; }

private:
    QPainter &p;
    const BookletLayout::Style &s;
    QRectF sheet;
    QRectF area;
    QFont poemFont;
    QFont dateFont;
    double poemCell;
};

} // namespace

QString Booklet::footDate(const QString &date_text)
{
    const std::optional<QDate> d = KanjiNumerals::parseDate(date_text);
    return d ? KanjiNumerals::date(*d) : date_text.trimmed();
}

std::optional<Booklet::Made> Booklet::make(const BookletPlan &plan, const std::vector<Haiku_record> &records,
                                           const ProgramSettings::Booklet &choice, const QDateTime &now,
                                           const std::function<bool(int poemsDone)> &progress)
{
    const BookletLayout::Style style = BookletLayout::style(choice.pageSize);
    const BookletLayout layout = BookletLayout::paginate(plan, style.poemsPerPage);

    QBuffer buffer;
    buffer.open(QIODevice::WriteOnly);
    {
        QPdfWriter writer(&buffer);
        writer.setResolution(kResolution);
        writer.setPageSize(QPageSize(style.sheet));
        // Everything is placed from the sheet's edges.
        writer.setPageMargins(QMarginsF(0, 0, 0, 0));
        writer.setTitle(choice.title);
        writer.setCreator(kCreator);
        QPainter painter;
        if (!painter.begin(&writer))
            return std::nullopt;
        painter.setPen(Qt::black);
        Pages pages(painter, style, QRectF(0, 0, writer.width(), writer.height()));
        pages.titlePage(choice.title, choice.poet);

        int done = 0;
        for (std::size_t n = 0; n < layout.pages.size(); ++n) {
            writer.newPage();
            for (const BookletLayout::Column &c : layout.pages[n]) {
                const double x =
                    BookletLayout::columnRect(pages.textArea(), layout.placesPerPage, c.place, pages.cell())
                        .center()
                        .x();
                if (c.heading) {
                    pages.heading(x, plan.sections[std::size_t(c.section)].category);
                    continue;
                }
                const Haiku_record &r = records[std::size_t(c.record)];
                pages.poem(x, r.poem, choice.withDates ? footDate(r.date_text) : QString());
                ++done;
            }
            pages.pageNumber(int(n) + 1);
            if (progress && !progress(done)) {
                painter.end();
                return std::nullopt;
            }
        }
        if (!painter.end())
            return std::nullopt;
    }
    Made made;
    made.pages = int(layout.pages.size()) + 1;
    const std::optional<QByteArray> withAuthor =
        PdfInfo::withInfo(buffer.data(), {choice.title, choice.poet, kCreator, now});
    made.pdf = withAuthor ? *withAuthor : buffer.data();
    return made;
}

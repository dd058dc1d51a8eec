#include "ui/JapaneseFonts.h"
#include "ui/Twips.h"
#include "ui/VerticalLabel.h"
#include "ui/VerticalText.h"

#include <QAccessible>
#include <QFontDatabase>
#include <QImage>
#include <QPainter>
#include <QtTest>

namespace {

// The poem label's font: the mincho face, 14.25 points, bold.
QFont labelFont(const QString &family = QString::fromUtf8(JapaneseFonts::mincho))
{
    QFont f(family);
    f.setPointSizeF(14.25);
    f.setBold(true);
    return f;
}

const VerticalText::FontHas everyForm = [](char32_t) { return true; };
const VerticalText::FontHas noForms = [](char32_t c) { return c < 0xFE10 || c > 0xFE4F; };

} // namespace

class TestVerticalText : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase()
    {
        JapaneseFonts::install();
        if (!QFontDatabase::families().contains(QStringLiteral("IPAMincho")))
            QSKIP("the IPA fonts are not installed (tools/install-deps.sh installs them)");
    }

    void glyphChoices_data()
    {
        QTest::addColumn<QString>("character");
        QTest::addColumn<bool>("hasForms");
        QTest::addColumn<QString>("drawn");
        QTest::addColumn<QString>("how"); // upright, rotated, nudged, cornered
        QTest::newRow("、 form") << u"、"_qs << true << u"\uFE11"_qs << u"upright"_qs;
        QTest::newRow("、 moved") << u"、"_qs << false << u"、"_qs << u"cornered"_qs;
        QTest::newRow("。 form") << u"。"_qs << true << u"\uFE12"_qs << u"upright"_qs;
        QTest::newRow("。 moved") << u"。"_qs << false << u"。"_qs << u"cornered"_qs;
        QTest::newRow("っ") << u"っ"_qs << true << u"っ"_qs << u"nudged"_qs;
        QTest::newRow("ゃ") << u"ゃ"_qs << false << u"ゃ"_qs << u"nudged"_qs;
        QTest::newRow("「 form") << u"「"_qs << true << u"\uFE41"_qs << u"upright"_qs;
        QTest::newRow("「 turned") << u"「"_qs << false << u"「"_qs << u"rotated"_qs;
        QTest::newRow("」 form") << u"」"_qs << true << u"\uFE42"_qs << u"upright"_qs;
        QTest::newRow("（ form") << u"（"_qs << true << u"\uFE35"_qs << u"upright"_qs;
        QTest::newRow("） turned") << u"）"_qs << false << u"）"_qs << u"rotated"_qs;
        QTest::newRow("～ turned") << u"～"_qs << true << u"～"_qs << u"rotated"_qs;
        QTest::newRow("ー turned") << u"ー"_qs << true << u"ー"_qs << u"rotated"_qs;
        QTest::newRow("half-width ｰ turned") << u"ｰ"_qs << true << u"ｰ"_qs << u"rotated"_qs;
        QTest::newRow("｜ stands") << u"｜"_qs << true << u"｜"_qs << u"upright"_qs;
        QTest::newRow("Latin turned") << u"A"_qs << true << u"A"_qs << u"rotated"_qs;
        QTest::newRow("ideograph") << u"髙"_qs << true << u"髙"_qs << u"upright"_qs;
        QTest::newRow("outside the BMP") << u"𠮷"_qs << true << u"𠮷"_qs << u"upright"_qs;
    }
    void glyphChoices()
    {
        QFETCH(QString, character);
        QFETCH(bool, hasForms);
        QFETCH(QString, drawn);
        QFETCH(QString, how);
        const VerticalText::Glyph g = VerticalText::glyphFor(character, hasForms ? everyForm : noForms);
        QCOMPARE(g.text, drawn);
        QCOMPARE(g.rotated, how == u"rotated");
        QCOMPARE(g.nudged, how == u"nudged");
        QCOMPARE(g.cornered, how == u"cornered");
    }

    // Where the strokes end up, from the font's outlines, with and without
    // the vertical forms.
    void punctuationAndSmallKanaPlacement_data()
    {
        QTest::addColumn<bool>("hasForms");
        QTest::newRow("forms") << true;
        QTest::newRow("no forms") << false;
    }
    void punctuationAndSmallKanaPlacement()
    {
        QFETCH(bool, hasForms);
        const QString poem = u"春、雨。つっやゃ「」（）～｜"_qs;
        const QFont font = labelFont();
        const QRectF column(10, 20, 29, 2000);
        const auto placed = VerticalText::layout(poem, font, column, nullptr, hasForms ? everyForm : noForms);
        QCOMPARE(placed.size(), std::size_t(poem.size()));
        const qreal em = VerticalText::cellHeight(font);
        for (std::size_t i = 0; i < placed.size(); ++i) {
            const VerticalText::Placed &p = placed[i];
            QCOMPARE(p.cell, QRectF(column.center().x() - em / 2, column.top() + qreal(i) * em, em, em));
            // every glyph keeps to its own cell
            QVERIFY2(p.cell.adjusted(-1, -1, 1, 1).contains(p.ink), qPrintable(poem.mid(qsizetype(i), 1)));
        }
        for (std::size_t i : {1, 3}) { // 、 and 。 in the upper right quarter
            const QRectF quarter(placed[i].cell.center().x(), placed[i].cell.top(), em / 2, em / 2);
            QVERIFY2(quarter.contains(placed[i].ink.center()), qPrintable(poem.mid(qsizetype(i), 1)));
        }
        // Small kana sit higher and further right in their cell than full-size ones.
        for (std::size_t i : {5, 7}) {
            const QPointF small = placed[i].ink.center() - placed[i].cell.topLeft();
            const QPointF full = placed[i - 1].ink.center() - placed[i - 1].cell.topLeft();
            QVERIFY(small.x() > full.x());
            QVERIFY(small.y() < full.y());
        }
        // The wave dash and the bar both run down the column; the bar stands
        // in the middle.
        QVERIFY(placed[12].glyph.rotated);
        QVERIFY(placed[12].ink.height() > placed[12].ink.width());
        QVERIFY(!placed[13].glyph.rotated);
        QVERIFY(placed[13].ink.height() > 2 * placed[13].ink.width());
        QVERIFY(qAbs(placed[13].ink.center().x() - placed[13].cell.center().x()) < em / 8);
    }

    // Cells step by the font's full-width advance, not its line height, so
    // a poem of 17 characters fits the label as it is laid out at 14.25 pt.
    void seventeenCharactersFitTheLabel_data()
    {
        QTest::addColumn<QString>("family");
        QTest::newRow("ＭＳ 明朝") << QString::fromUtf8(JapaneseFonts::mincho);
        QTest::newRow("Noto Serif CJK JP") << u"Noto Serif CJK JP"_qs;
    }
    void seventeenCharactersFitTheLabel()
    {
        QFETCH(QString, family);
        if (!QFontDatabase::families().contains(family) && !family.startsWith(u"ＭＳ"))
            QSKIP("font not installed");
        QWidget w;
        const QFont font = labelFont(family);
        const QFontMetricsF fm(font);
        QCOMPARE(VerticalText::cellHeight(font), fm.horizontalAdvance(u'国'));
        QVERIFY(VerticalText::cellHeight(font) < fm.height());
        const QRectF label(0, 0, Twips::toPxX(435, &w), Twips::toPxY(5235, &w));
        const auto placed =
            VerticalText::layout(u"かたつむりそろそろ登れ富士の山"_qs + u"よし"_qs, font, label);
        QCOMPARE(placed.size(), std::size_t(17));
        QVERIFY(placed.back().cell.bottom() <= label.bottom());
    }

    // A column longer than the label stops at its bottom, cut through the
    // last cell, and never starts a second column.
    void longColumnClipsAtTheBottom()
    {
        const QFont font = labelFont();
        const qreal em = VerticalText::cellHeight(font);
        const QRectF column(10, 10, 30, 10.5 * em);
        const QString poem(40, u'国');
        const auto placed = VerticalText::layout(poem, font, column);
        QCOMPARE(placed.size(), std::size_t(11));
        for (const VerticalText::Placed &p : placed)
            QCOMPARE(p.cell.left(), placed.front().cell.left());

        QImage image(80, int(column.bottom()) + 40, QImage::Format_RGB32);
        image.fill(Qt::white);
        {
            QPainter p(&image);
            p.setPen(Qt::black);
            VerticalText::paint(p, column, poem, font);
        }
        const int bottom = int(std::ceil(column.bottom()));
        bool inkInLastCell = false;
        for (int y = 0; y < image.height(); ++y) {
            for (int x = 0; x < image.width(); ++x) {
                const bool ink = image.pixel(x, y) != qRgb(255, 255, 255);
                if (ink && (y >= bottom || x < 10 || x >= 40))
                    QFAIL(qPrintable(QStringLiteral("ink outside the column at %1,%2").arg(x).arg(y)));
                if (ink && y > column.top() + 10 * em)
                    inkInLastCell = true;
            }
        }
        QVERIFY(inkInLastCell); // the cut cell is drawn as far as it shows
    }

    // A printer draws at its own resolution: the cells follow it.
    void cellsFollowTheDeviceResolution()
    {
        QImage screen(10, 10, QImage::Format_RGB32);
        QImage printer(10, 10, QImage::Format_RGB32);
        printer.setDotsPerMeterX(qRound(600 / 0.0254));
        printer.setDotsPerMeterY(qRound(600 / 0.0254));
        const QFont font = labelFont();
        const qreal ratio =
            VerticalText::cellHeight(font, &printer) / VerticalText::cellHeight(font, &screen);
        QVERIFY2(ratio > 5.5 && ratio < 7, qPrintable(QString::number(ratio)));
        const auto placed = VerticalText::layout(u"、"_qs, font, QRectF(0, 0, 200, 1000), &printer);
        QVERIFY(placed[0].ink.width() > 10); // measured at 600 dpi, not on the screen
    }

    void labelKeepsItsTextAndReadsIt()
    {
        VerticalLabel label;
        label.setAccessibleName(u"選択した句（縦書き）"_qs);
        const QString tate = u"（春）、｜ーっ"_qs;
        label.setText(tate);
        QCOMPARE(label.text(), tate);
        QAccessibleInterface *a = QAccessible::queryAccessibleInterface(&label);
        QVERIFY(a);
        QCOMPARE(a->role(), QAccessible::StaticText);
        QCOMPARE(a->text(QAccessible::Name), tate);
        QCOMPARE(a->text(QAccessible::Description), u"選択した句（縦書き）"_qs);
        label.setAccessibleDescription(u"5・7・5（17音）"_qs);
        QCOMPARE(a->text(QAccessible::Description), u"選択した句（縦書き）、5・7・5（17音）"_qs);
        label.setText(QString());
        QCOMPARE(a->text(QAccessible::Name), u"選択した句（縦書き）"_qs);
    }

    // What is laid out and read aloud stops after a few hundred characters,
    // a surrogate pair kept whole.
    void shortenedText_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("expected");
        const qsizetype max = VerticalText::kMaxCharacters;
        const QString full(max, u'国');
        QTest::newRow("a poem") << u"古池や"_qs << u"古池や"_qs;
        QTest::newRow("exactly the most") << full << full;
        QTest::newRow("one more") << full + u"春"_qs << full + u"…"_qs;
        QString pairs = u"a"_qs; // the last unit kept is the first half of a pair
        while (pairs.size() < max + 10)
            pairs += u"𠮷"_qs;
        QTest::newRow("pair across the end") << pairs << pairs.left(max + 1) + u"…"_qs;
        QString shortPairs = u"a"_qs; // the pair ends the text: nothing to cut
        while (shortPairs.size() < max + 1)
            shortPairs += u"𠮷"_qs;
        QTest::newRow("pair ending the text") << shortPairs << shortPairs;
    }
    void shortenedText()
    {
        QFETCH(QString, text);
        QFETCH(QString, expected);
        QCOMPARE(VerticalText::shortened(text), expected);
    }

    // A damaged notebook can hold a "poem" of megabytes: the label draws and
    // reads out only its start, at once, and keeps the whole text.
    void hugePoemIsLaidOutAndReadOnlyInPart_data()
    {
        QTest::addColumn<qsizetype>("bytes"); // as stored, two bytes a character
        QTest::newRow("1 MB") << qsizetype(1'000'000);
        QTest::newRow("50 MB") << qsizetype(50'000'000);
    }
    void hugePoemIsLaidOutAndReadOnlyInPart()
    {
        QFETCH(qsizetype, bytes);
        const QString poem(bytes / 2, u'国');
        const QFont font = labelFont();
        // Even a column that could hold every character lays out no more
        // than the most.
        const QRectF endless(0, 0, 40, 1e12);
        const auto placed = VerticalText::layout(poem, font, endless, nullptr, everyForm);
        QCOMPARE(qsizetype(placed.size()), VerticalText::kMaxCharacters);

        VerticalLabel label;
        label.resize(29, 349);
        label.setText(poem);
        QCOMPARE(label.text().size(), poem.size());
        QAccessibleInterface *a = QAccessible::queryAccessibleInterface(&label);
        QVERIFY(a);
        const QString spoken = a->text(QAccessible::Name);
        QVERIFY2(spoken.size() == VerticalText::kMaxCharacters + 1,
                 qPrintable(QString::number(spoken.size())));
        QCOMPARE(spoken, poem.left(VerticalText::kMaxCharacters) + u"…"_qs);
        QImage image(label.size(), QImage::Format_RGB32);
        label.render(&image);
        const QRgb background = label.palette().window().color().rgb();
        int ink = 0; // the characters that fit are drawn
        for (int y = 0; y < image.height(); ++y) {
            for (int x = 0; x < image.width(); ++x)
                ink += image.pixel(x, y) != background;
        }
        QVERIFY(ink > 0);
    }
};

QTEST_MAIN(TestVerticalText)
#include "tst_vertical_text.moc"

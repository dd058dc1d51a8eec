#include "mainwin/MainLayout.h"
#include "mainwin/Main_form.h"
#include "store/Notebook.h"
#include "support/Controls.h"
#include "support/MessageRecorder.h"
#include "ui/ListGrid.h"
#include "ui/Twips.h"
#include "ui/VerticalLabel.h"

#include <QComboBox>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTemporaryDir>
#include <QtTest>

using MainLayout::Box;

namespace {

// A control's rectangle in twips, as the layout meant it at this resolution.
QRect px(const Box &b)
{
    return Twips::rect(b.left, b.top, b.width, b.height);
}

} // namespace

// The main window growing with its size, the poem label's font steps and the
// splitter between the list and the memo box, in twips, at more than one DPI.
class TestLayout : public QObject
{
    Q_OBJECT

private slots:
    void cleanup() { Twips::overrideDpiForTesting(0); }

    void designSizeGivesTheDesignLayout()
    {
        const MainLayout::Layout l = MainLayout::forSize(9450, 6975, 2295);
        QCOMPARE(l.Combo2, (Box{5280, 60, 2055, 315}));
        QCOMPARE(l.Command5, (Box{7320, 60, 675, 315}));
        QCOMPARE(l.Command1, (Box{8160, 60, 555, 315}));
        QCOMPARE(l.Command2, (Box{8760, 60, 555, 315}));
        QCOMPARE(l.Grid1, (Box{840, 420, 8475, 2295}));
        QCOMPARE(l.Text2, (Box{840, 2820, 8475, 2955})); // 8475 wide; bottom at H - 1200
        QCOMPARE(l.Text1, (Box{60, 5880, 5535, 315}));
        QCOMPARE(l.Command7, (Box{5640, 5820, 675, 435}));
        QCOMPARE(l.Command8, (Box{6360, 5820, 1095, 435}));
        QCOMPARE(l.Command6, (Box{7500, 5820, 1095, 435}));
        QCOMPARE(l.Command9, (Box{8640, 5820, 675, 435}));
        QCOMPARE(l.Shape1, (Box{0, 420, 795, 5415}));
        QCOMPARE(l.Label3, (Box{240, 540, 435, 5235}));
        QCOMPARE(l.poemColumn, 4075.0);
        QCOMPARE(l.poemPoints, 14);
        // below the minimum: laid out at the minimum
        QCOMPARE(MainLayout::forSize(9000, 6000, 2295).Grid1, l.Grid1);
        QCOMPARE(MainLayout::forSize(9000, 540, 2295).Command9, l.Command9); // 540 twips high: no failure
    }

    void widerAndTaller()
    {
        const MainLayout::Layout l = MainLayout::forSize(9450 + 1007, 6975 + 333, 2295);
        QCOMPARE(l.Combo2.width, 2055.0 + 1007);
        QCOMPARE(l.Grid1.width, 8475.0 + 1007);
        QCOMPARE(l.Text2.width, 8475.0 + 1007);
        QCOMPARE(l.poemColumn, 4075.0 + 1007);
        for (const Box &b :
             {l.Command5, l.Command1, l.Command2, l.Command7, l.Command8, l.Command6, l.Command9})
            QVERIFY(b.left >= 5640 + 1007);
        QCOMPARE(l.Command9.left, 8640.0 + 1007);
        QCOMPARE(l.Command9.top, 5820.0 + 333);
        QCOMPARE(l.Text1.top, 5880.0 + 333);
        QCOMPARE(l.Text1.left, 60.0); // the hint line does not move sideways
        QCOMPARE(l.Label3.height, 5235.0 + 333);
        QCOMPARE(l.Shape1.height, 5415.0 + 333);
        QCOMPARE(l.Text2.top + l.Text2.height, 6975.0 + 333 - 1200);
        QCOMPARE(MainLayout::forSize(9450.4, 6975, 2295).poemColumn, 4075.0); // whole twips
    }

    void poemFontSteps_data()
    {
        QTest::addColumn<double>("labelHeight");
        QTest::addColumn<int>("points");
        QTest::addColumn<double>("left");
        QTest::newRow("design") << 5235.0 << 14 << 240.0;
        QTest::newRow("just below 6135") << 6134.0 << 14 << 240.0;
        QTest::newRow("6135") << 6135.0 << 16 << 240.0;
        QTest::newRow("6915") << 6915.0 << 18 << 200.0;
        QTest::newRow("7934") << 7934.0 << 18 << 200.0;
        QTest::newRow("7935") << 7935.0 << 20 << 180.0;
        QTest::newRow("8475") << 8475.0 << 22 << 180.0;
    }

    void poemFontSteps()
    {
        QFETCH(double, labelHeight);
        QFETCH(int, points);
        QFETCH(double, left);
        const MainLayout::Layout l = MainLayout::forSize(9450, 6975 + (labelHeight - 5235), 2295);
        QCOMPARE(l.Label3.height, labelHeight);
        QCOMPARE(l.poemPoints, points);
        QCOMPARE(l.Label3.left, left);
    }

    void splitterAndTallList()
    {
        const double H = 8000;
        QCOMPARE(MainLayout::listHeightForSplitter(1469, H), 1000.0); // too high
        QCOMPARE(MainLayout::listHeightForSplitter(1470, H), 1000.0);
        QCOMPARE(MainLayout::listHeightForSplitter(3001, H), 2531.0);
        QCOMPARE(MainLayout::listHeightForSplitter(H - 2250, H), H - 2720);
        QCOMPARE(MainLayout::listHeightForSplitter(H - 2249, H), H - 2725); // too low
        const MainLayout::Layout low =
            MainLayout::forSize(9450, H, MainLayout::listHeightForSplitter(7000, H));
        QCOMPARE(low.Text2.height, 1000.0);
        const MainLayout::Layout mid = MainLayout::forSize(9450, H, 2531);
        QCOMPARE(mid.Text2.top, 3001.0 + 55);
        QCOMPARE(mid.Text2.height, H - 3001 - 1255);
        QVERIFY(MainLayout::inSplitterGap(2531 + 420 + 1, mid));
        QVERIFY(!MainLayout::inSplitterGap(2531 + 420, mid));
        QVERIFY(!MainLayout::inSplitterGap(mid.Text2.top, mid));
        // shrinking the window with a tall list keeps a 1000-twip memo box
        const MainLayout::Layout shrunk = MainLayout::forSize(9450, 6975, 5000);
        QCOMPARE(shrunk.Grid1.height, 6975.0 - 2725);
        QCOMPARE(shrunk.Text2.height, 1000.0);
    }

    // The real window at 96, 120 and 144 DPI: every control where the layout
    // puts it, the window never smaller than its minimum, the splitter by mouse.
    void windowFollowsItsSize_data()
    {
        QTest::addColumn<double>("dpi");
        QTest::newRow("96") << 96.0;
        QTest::newRow("120") << 120.0;
        QTest::newRow("144") << 144.0;
    }

    void windowFollowsItsSize()
    {
        QFETCH(double, dpi);
        Twips::overrideDpiForTesting(dpi);
        QTemporaryDir dir;
        MessageRecorder messages;
        Notebook nb(dir.path());
        Main_form form(nb);
        QVERIFY(form.Form_Load());
        form.show();
        QVERIFY(QTest::qWaitForWindowExposed(&form));
        QWidget *client = form.centralWidget();
        const QSize extra = form.size() - client->size();
        // A client area 1003 twips wider and 347 taller than the design one.
        form.resize(Twips::toPxX(9330 + 1003) + extra.width(), Twips::toPxY(6285 + 347) + extra.height());
        QTRY_COMPARE(client->width(), Twips::toPxX(9330 + 1003));
        const double W = Twips::fromPxX(client->width()) + MainLayout::kOuterExtraWidth;
        const double H = Twips::fromPxY(client->height()) + MainLayout::kOuterExtraHeight;
        // the list as tall as the settings of a first start say, 2295 twips
        QCOMPARE(nb.settings().list_height.value(), 2295.0);
        const MainLayout::Layout l = MainLayout::forSize(W, H, 2295);
        QCOMPARE(ctl<ListGrid>(form, "Grid1")->geometry(), px(l.Grid1));
        QCOMPARE(ctl<QPlainTextEdit>(form, "Text2")->geometry(), px(l.Text2));
        QCOMPARE(ctl<QPushButton>(form, "Command9")->geometry(), px(l.Command9));
        QCOMPARE(ctl<QComboBox>(form, "Combo2")->geometry(), px(l.Combo2));
        QCOMPARE(ctl<QLineEdit>(form, "Text1")->geometry(), px(l.Text1));
        QCOMPARE(ctl<VerticalLabel>(form, "Label3")->geometry(), px(l.Label3));
        QCOMPARE(ctl<VerticalLabel>(form, "Label3")->font().pointSizeF(), double(l.poemPoints));
        // the buttons stay inside the window
        QVERIFY(client->rect().contains(ctl<QPushButton>(form, "Command9")->geometry()));

        // The splitter, dragged by the mouse on the bare surface between list and memo box.
        auto *hint = ctl<QLineEdit>(form, "Text1");
        const int gapY = px(l.Grid1).bottom() + 3;
        QVERIFY(gapY < px(l.Text2).top());
        QTest::mouseMove(client, QPoint(Twips::toPxX(2000), gapY));
        QTRY_COMPARE(hint->text(), QStringLiteral("マウスでドラッグして表示エリアのサイズを変更できます。"));
        QCOMPARE(client->cursor().shape(), Qt::SizeVerCursor);
        QTest::mousePress(client, Qt::LeftButton, {}, QPoint(Twips::toPxX(2000), gapY));
        const int to = Twips::toPxY(3001);
        QTest::mouseMove(client, QPoint(Twips::toPxX(2000), to));
        QTest::mouseRelease(client, Qt::LeftButton, {}, QPoint(Twips::toPxX(2000), to));
        const double y = Twips::fromPxY(to);
        QCOMPARE(ctl<ListGrid>(form, "Grid1")->height(), Twips::toPxY(y - 470));
        QCOMPARE(ctl<QPlainTextEdit>(form, "Text2")->y(), Twips::toPxY(y + 55));
        QCOMPARE(client->cursor().shape(), Qt::ArrowCursor);
        // elsewhere on the bare surface the hint line is empty
        QTest::mouseMove(client, QPoint(Twips::toPxX(400), Twips::toPxY(200)));
        QTRY_COMPARE(hint->text(), QString());

        // The window cannot be made smaller than its minimum.
        form.resize(100, 100);
        QTRY_VERIFY(client->width() >= Twips::toPxX(9330) - 1);
        QVERIFY(client->height() >= Twips::toPxY(6285) - 1);
    }
};

QTEST_MAIN(TestLayout)
#include "tst_layout.moc"

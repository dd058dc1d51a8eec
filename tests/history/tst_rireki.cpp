// 以前の状態に戻す…: the kept states listed newest first with how each
// differs from now, the question before a restore (いいえ the default), the
// main window redrawn after it; and every question whose はい destroys
// something answering いいえ to an Enter alone.
#include "categories/F_bunrui.h"
#include "history/F_rireki.h"
#include "store/AtomicFile.h"
#include "support/EntryNotebook.h"
#include "support/Modal.h"

#include <QAction>
#include <QLabel>
#include <QListWidget>
#include <QMessageBox>
#include <QPushButton>
#include <QTreeWidget>
#include <QtTest>

using namespace entry;

Q_DECLARE_METATYPE(History::Difference)
Q_DECLARE_METATYPE(MessageBoxes::Answer)

namespace {

History::Difference difference(int count, const QStringList &back, const QStringList &gone)
{
    return {count, back, gone};
}

QStringList column(QTreeWidget *list, int c)
{
    QStringList texts;
    for (int i = 0; i < list->topLevelItemCount(); ++i)
        texts << list->topLevelItem(i)->text(c);
    return texts;
}

// What the main window's F_rireki shows, and what it gives back: the rows of
// its list, then 戻す on row (none when row is -1).
struct Visit
{
    QStringList when, counts, differences;
};
void chooseRow(QDialog *d, int row, Visit *seen = nullptr)
{
    auto *list = ctl<QTreeWidget>(*d, "List1");
    if (seen)
        *seen = {column(list, 0), column(list, 1), column(list, 2)};
    if (row < 0)
        return;
    list->setCurrentItem(list->topLevelItem(row));
    QTest::mouseClick(ctl<QPushButton>(*d, "Command1"), Qt::LeftButton);
}

} // namespace

class TestRireki : public QObject
{
    Q_OBJECT

private slots:
    void differenceTexts_data();
    void differenceTexts();
    void statesListedNewestFirst();
    void restoreAsksFirst_data();
    void restoreAsksFirst();
    void nothingChosen();
    void enterGivesTheDefaultAnswer_data();
    void enterGivesTheDefaultAnswer();
    void destroyingQuestionsDefaultToNo_data();
    void destroyingQuestionsDefaultToNo();
    void enterAloneDeletesNoHaiku();
};

void TestRireki::differenceTexts_data()
{
    QTest::addColumn<History::Difference>("d");
    QTest::addColumn<int>("now");
    QTest::addColumn<QString>("text");
    const QString twelve = u"あいうえおかきくけこさし"_qs;
    QTest::newRow("the same") << difference(4, {}, {}) << 4 << u"句は今と同じ"_qs;
    QTest::newRow("one back") << difference(5, {u"古池や"_qs}, {}) << 4 << u"『古池や』が戻る"_qs;
    QTest::newRow("twelve characters whole")
        << difference(5, {twelve}, {}) << 4 << u"『%1』が戻る"_qs.arg(twelve);
    QTest::newRow("thirteen cut") << difference(5, {twelve + u'す'}, {}) << 4
                                  << u"『%1…』が戻る"_qs.arg(twelve);
    QTest::newRow("three named") << difference(5, {u"一"_qs, u"二"_qs}, {u"三"_qs}) << 4
                                 << u"『一』『二』が戻る、『三』が消える"_qs;
    QTest::newRow("four counted") << difference(8, {u"一"_qs, u"二"_qs, u"三"_qs, u"四"_qs}, {}) << 4
                                  << u"4句多い"_qs;
    QTest::newRow("fewer") << difference(1, {}, {u"一"_qs, u"二"_qs, u"三"_qs, u"四"_qs}) << 5
                           << u"4句少ない"_qs;
    QTest::newRow("as many") << difference(4, {u"一"_qs, u"二"_qs}, {u"三"_qs, u"四"_qs}) << 4
                             << u"句数は同じ（2句が違う）"_qs;
}

void TestRireki::differenceTexts()
{
    QFETCH(History::Difference, d);
    QFETCH(int, now);
    QFETCH(QString, text);
    QCOMPARE(F_rireki::differenceText(d, now), text);
}

void TestRireki::statesListedNewestFirst()
{
    Opened o;
    QVERIFY(o.loaded && o.exposed);
    QCOMPARE(o.nb.removeHaiku(4).removed, 1); // 春の海ひねもすのたりかな
    QCOMPARE(o.nb.removeHaiku(1).removed, 1); // 古池や蛙飛びこむ水の音
    Visit seen;
    o.driver.actions.append([&](QDialog *d) {
        QCOMPARE(d->windowTitle(), u"以前の状態に戻す"_qs);
        QCOMPARE(o.hint(), u"戻したい状態を選んで[戻す]ボタンを押して下さい。"_qs);
        chooseRow(d, -1, &seen);
        QTest::mouseClick(ctl<QPushButton>(*d, "Command2"), Qt::LeftButton);
    });
    const Tree before = snapshot(o.dir.path());
    ctl<QAction>(o.form, "Menu_restore")->trigger();
    QCOMPARE(o.driver.opened, QStringList{u"F_rireki"_qs});
    const std::vector<History::Entry> entries = o.nb.historyEntries();
    QCOMPARE(entries.size(), std::size_t(2));
    QCOMPARE(seen.when, (QStringList{entries[0].when.toString(u"yyyy/MM/dd HH:mm:ss"_qs),
                                     entries[1].when.toString(u"yyyy/MM/dd HH:mm:ss"_qs)}));
    QCOMPARE(seen.counts, (QStringList{u"3句"_qs, u"4句"_qs}));
    QCOMPARE(seen.differences,
             (QStringList{u"『古池や蛙飛びこむ水の音』が戻る"_qs,
                          u"『古池や蛙飛びこむ水の音』『春の海ひねもすのたりかな』が戻る"_qs}));
    QCOMPARE(snapshot(o.dir.path()), before);
    QVERIFY(o.messages.shown.isEmpty());
}

void TestRireki::restoreAsksFirst_data()
{
    QTest::addColumn<MessageBoxes::Answer>("answer");
    QTest::newRow("いいえ") << MessageBoxes::Answer::No;
    QTest::newRow("はい") << MessageBoxes::Answer::Yes;
}

void TestRireki::restoreAsksFirst()
{
    QFETCH(MessageBoxes::Answer, answer);
    Opened o;
    QVERIFY(o.loaded && o.exposed);
    // 該当句削除 of 好きな句（春）: two haiku and the category go.
    QVERIFY(o.nb.removeCategoryWithHaiku(2).removed == 2);
    ctl<QComboBox>(o.form, "Combo1")->setCurrentIndex(1);
    o.form.Combo1_Click();
    const Tree before = snapshot(o.dir.path());
    o.messages.answers = {answer};
    bool stillOpen = false;
    o.driver.actions.append([&](QDialog *d) {
        chooseRow(d, 0);
        stillOpen = d->isVisible();
    });
    ctl<QAction>(o.form, "Menu_restore")->trigger();

    QCOMPARE(o.messages.shown.size(), 1);
    const MessageBoxes::Request &asked = o.messages.shown[0];
    QCOMPARE(asked.buttons, MessageBoxes::Buttons::YesNo);
    QCOMPARE(asked.defaultAnswer, MessageBoxes::Answer::No);
    QCOMPARE(asked.title, MessageBoxes::programTitle);
    QVERIFY2(asked.text.contains(u"戻る句（2句）：\n・古池や蛙飛びこむ水の音\n・古池や蛙飛びこむ水の音"_qs),
             qPrintable(asked.text));
    QVERIFY(asked.text.endsWith(u"この状態に戻しますか？"_qs));
    QCOMPARE(stillOpen, answer == MessageBoxes::Answer::No);
    if (answer == MessageBoxes::Answer::No) {
        QCOMPARE(snapshot(o.dir.path()), before);
        QCOMPARE(o.nb.haiku_count(), 2);
        return;
    }
    // Back as before the deletion, and the main window shows it all: the
    // category in the filter again, every haiku listed, the count in the title.
    QCOMPARE(o.nb.haiku_count(), 4);
    QCOMPARE(o.listedPoems().size(), 4);
    QCOMPARE(o.title(), u"【ユリモカ】Ver.1.2 (4件)"_qs);
    auto *filter = ctl<QComboBox>(o.form, "Combo1");
    QCOMPARE(filter->currentIndex(), 0);
    QVERIFY(filter->findText(u"好きな句（春）"_qs) > 0);
    QCOMPARE(memoOnDisk(o.dir.path(), 3), u"池のほとり\r\n二行目\r\n"_qs);
}

void TestRireki::nothingChosen()
{
    Opened o;
    QVERIFY(o.loaded && o.exposed);
    QCOMPARE(o.nb.removeHaiku(1).removed, 1);
    o.driver.actions.append([&](QDialog *d) {
        auto *list = ctl<QTreeWidget>(*d, "List1");
        QCOMPARE(list->selectedItems(), QList<QTreeWidgetItem *>{list->topLevelItem(0)}); // the newest
        list->clearSelection();
        QTest::mouseClick(ctl<QPushButton>(*d, "Command1"), Qt::LeftButton);
        QVERIFY(d->isVisible());
    });
    ctl<QAction>(o.form, "Menu_restore")->trigger();
    QCOMPARE(o.messages.shown.size(), 1);
    QCOMPARE(o.messages.shown[0].text, u"戻す状態を選んで下さい。"_qs);
    QCOMPARE(o.nb.haiku_count(), 3);
}

void TestRireki::enterGivesTheDefaultAnswer_data()
{
    QTest::addColumn<MessageBoxes::Answer>("defaultAnswer");
    QTest::addColumn<QString>("defaultText");
    QTest::newRow("いいえ") << MessageBoxes::Answer::No << u"いいえ(&N)"_qs;
    QTest::newRow("はい") << MessageBoxes::Answer::Yes << u"はい(&Y)"_qs;
}

void TestRireki::enterGivesTheDefaultAnswer()
{
    QFETCH(MessageBoxes::Answer, defaultAnswer);
    QFETCH(QString, defaultText);
    // The real message box, without the recorder.
    QString shownDefault;
    QTimer::singleShot(0, [&] {
        auto *box = qobject_cast<QMessageBox *>(QApplication::activeModalWidget());
        if (!box)
            return;
        shownDefault = box->defaultButton()->text();
        QTest::keyClick(box, Qt::Key_Return);
    });
    const MessageBoxes::Answer answer =
        MessageBoxes::show(nullptr, {u"本当に？"_qs, MessageBoxes::programTitle, MessageBoxes::Icon::Warning,
                                     MessageBoxes::Buttons::YesNo, defaultAnswer});
    QCOMPARE(shownDefault, defaultText);
    QCOMPARE(answer, defaultAnswer);
}

void TestRireki::destroyingQuestionsDefaultToNo_data()
{
    QTest::addColumn<QString>("question");
    QTest::newRow("該当句削除") << u"該当句削除"_qs;
    QTest::newRow("分類削除") << u"分類削除"_qs;
    QTest::newRow("quitting without saving") << u"保存せずに終了"_qs;
    QTest::newRow("opening a notebook open elsewhere") << u"このまま開く"_qs;
}

void TestRireki::destroyingQuestionsDefaultToNo()
{
    QFETCH(QString, question);
    Opened o;
    QVERIFY(o.loaded && o.exposed);
    const Tree before = snapshot(o.dir.path());
    o.messages.answers = {MessageBoxes::Answer::No, MessageBoxes::Answer::No};
    if (question == u"該当句削除"_qs || question == u"分類削除"_qs) {
        QVERIFY(whileOpen<F_bunrui>(ctl<QAction>(o.form, "Menu_bunrui"), [&](F_bunrui &w) {
            ctl<QListWidget>(w, "List1")->setCurrentRow(0, QItemSelectionModel::ClearAndSelect);
            QTest::mouseClick(ctl<QPushButton>(w, question == u"該当句削除"_qs ? "Command5" : "Command3"),
                              Qt::LeftButton);
        }));
    } else if (question == u"保存せずに終了"_qs) {
        AtomicFile::failForTesting(AtomicFile::Step::Write, ENOSPC);
        o.nb.moveRecord(1, 2); // something to save
        o.form.Menu_quit_Click();
        AtomicFile::failForTesting(AtomicFile::Step::None, 0);
        QVERIFY(!o.form.hasQuit());
    } else {
        QVERIFY(!Main_form::openDespiteLock(u"書斎のパソコン"_qs));
    }
    // The question whose はい destroys is the last one asked; one asked
    // before it (try saving again? quit?) destroys nothing.
    QVERIFY(!o.messages.shown.isEmpty());
    const MessageBoxes::Request &last = o.messages.shown.last();
    QCOMPARE(last.buttons, MessageBoxes::Buttons::YesNo);
    QCOMPARE(last.defaultAnswer, MessageBoxes::Answer::No);
    for (qsizetype i = 0; i + 1 < o.messages.shown.size(); ++i)
        QCOMPARE(o.messages.shown[i].defaultAnswer, MessageBoxes::Answer::Yes);
    QCOMPARE(o.nb.haiku_count(), 4);
    QCOMPARE(o.nb.category_count(), 4);
    QCOMPARE(snapshot(o.dir.path()), before);
}

void TestRireki::enterAloneDeletesNoHaiku()
{
    Opened o;
    QVERIFY(o.loaded && o.exposed);
    selectRow(o.form, 1);
    const Tree before = snapshot(o.dir.path());
    o.driver.actions.append([&](QDialog *d) {
        QTRY_VERIFY(ctl<QPushButton>(*d, "Command2")->hasFocus());
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Return);
        QVERIFY(!d->isVisible());
    });
    QTest::mouseClick(ctl<QPushButton>(o.form, "Command7"), Qt::LeftButton);
    QCOMPARE(o.driver.opened, QStringList{u"F_sakujo"_qs});
    QCOMPARE(o.nb.haiku_count(), 4);
    QCOMPARE(snapshot(o.dir.path()), before);
}

QTEST_MAIN(TestRireki)
#include "tst_rireki.moc"

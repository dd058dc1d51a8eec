#include "editor/F_sakujo.h"
#include "support/EntryNotebook.h"
#include "ui/WindowFrame.h"

#include <QLabel>
#include <QPushButton>
#include <QtTest>

using namespace entry;

namespace {

const QString kTitle = MessageBoxes::programTitle;

void clickDelete(Opened &o)
{
    QTest::mouseClick(ctl<QPushButton>(o.form, "Command7"), Qt::LeftButton);
}

void consent(QDialog *d)
{
    QCOMPARE(d->objectName(), u"F_sakujo"_qs);
    QTest::mouseClick(ctl<QPushButton>(*d, "Command1"), Qt::LeftButton);
}

} // namespace

// Deleting one haiku: the question, what goes (the record and its own memo
// file) and what stays, and the list afterwards; and the refusals of the
// three commands when no haiku is selected.
class TestSakujo : public QObject
{
    Q_OBJECT

private slots:
    void questionLooksAsItShould();
    void thinkingBetterOfItChangesNothing_data();
    void thinkingBetterOfItChangesNothing();
    void deletingRebuildsUnderTheSameFilter();
    void deletingTheOnlyHaiku();
    void lockedHaikuIsDeletedWithoutAPrompt();
    void twinPoemsKeepTheirOwnMemos();
    void memoThatCannotBeDeletedKeepsItsHaiku();
    void missingMemoDoesNotStopTheDeletion();
    void deletedNumbersAreNotHandedOutAgain();
    void nothingSelected_data();
    void nothingSelected();
};

void TestSakujo::questionLooksAsItShould()
{
    Opened o;
    QVERIFY(o.loaded && o.exposed);
    selectRow(o.form, 1);
    o.driver.actions.append([&](QDialog *d) {
        QCOMPARE(d->windowTitle(), u"メモの削除"_qs);
        QCOMPARE(o.hint(), u"[いいよ]ボタンで、選択中のメモを削除します。"_qs);
        QCOMPARE(ctl<QLabel>(*d, "Label1")->text(), u"削除した句は復活できません。"_qs);
        QCOMPARE(ctl<QLabel>(*d, "Label2")->text(), u"本当に削除してよろしいですか？"_qs);
        QCOMPARE(ctl<QPushButton>(*d, "Command1")->text(), u"いいよ"_qs);
        QCOMPARE(ctl<QPushButton>(*d, "Command2")->text(), u"やっぱりダメ"_qs);
        // Enter alone never deletes: やっぱりダメ has the focus and is the default.
        QTRY_VERIFY(ctl<QPushButton>(*d, "Command2")->hasFocus());
        QCOMPARE(d->palette().color(QPalette::Window), QColor(Qt::yellow));
        QCOMPARE(ctl<QLabel>(*d, "Label1")->palette().color(QPalette::WindowText), QColor(Qt::red));
        // a fixed border: a title, no close box, nothing to resize it with
        QVERIFY(!(d->windowFlags() & Qt::WindowCloseButtonHint));
        QVERIFY(!(d->windowFlags() & Qt::WindowMinMaxButtonsHint));
        QCOMPARE(d->minimumSize(), d->maximumSize());
        d->reject();
    });
    clickDelete(o);
    QCOMPARE(o.driver.opened, QStringList{u"F_sakujo"_qs});

    // centred over the main window, frame over frame
    QWidget owner;
    owner.setGeometry(100, 80, 701, 503);
    F_sakujo question(&owner, o.nb, 1, {});
    const QRect outer = WindowFrame::outerRect(&question);
    const QRect main = WindowFrame::outerRect(&owner);
    QCOMPARE(outer.left(), main.left() + (main.width() - outer.width()) / 2);
    QCOMPARE(outer.top(), main.top() + (main.height() - outer.height()) / 2);
    QVERIFY(!question.result());
}

void TestSakujo::thinkingBetterOfItChangesNothing_data()
{
    QTest::addColumn<bool>("esc");
    QTest::newRow("やっぱりダメ") << false;
    QTest::newRow("Esc") << true;
}

void TestSakujo::thinkingBetterOfItChangesNothing()
{
    QFETCH(bool, esc);
    Opened o;
    QVERIFY(o.loaded && o.exposed);
    const Tree before = snapshot(o.dir.path());
    selectRow(o.form, 3);
    o.driver.actions.append([&](QDialog *d) {
        if (esc)
            QTest::keyClick(ctl<QPushButton>(*d, "Command1"), Qt::Key_Escape);
        else
            QTest::mouseClick(ctl<QPushButton>(*d, "Command2"), Qt::LeftButton);
        QVERIFY(!d->isVisible());
    });
    clickDelete(o);
    QCOMPARE(o.nb.haiku_count(), 4);
    QCOMPARE(o.listedPoems().size(), 4);
    QCOMPARE(snapshot(o.dir.path()), before);
    QVERIFY(o.messages.shown.isEmpty());
}

// Deleted under one category and a keyword: the list is rebuilt with both,
// neither is reset, and the displays and the hint line are empty.
void TestSakujo::deletingRebuildsUnderTheSameFilter()
{
    QList<Haiku> haiku = standardHaiku();
    haiku.append({u"2026/04/05"_qs, u"好きな句（春）"_qs, u"春の池"_qs, 11, u"NO"_qs, u"五\r\n"_qs});
    haiku.append({u"2026/04/06"_qs, u"好きな句（春）"_qs, u"夏の池"_qs, 12, u"NO"_qs, u"六\r\n"_qs});
    Opened o(haiku);
    QVERIFY(o.loaded && o.exposed);
    auto *filter = ctl<QComboBox>(o.form, "Combo1");
    auto *keyword = ctl<QComboBox>(o.form, "Combo2");
    filter->setCurrentIndex(1); // 好きな句（春）
    o.form.Combo1_Click();
    // a keyword typed after the filter was chosen: the list narrows at the rebuild
    keyword->setEditText(u"池"_qs);
    QCOMPARE(o.listedPoems(), (QStringList{u"古池や蛙飛びこむ水の音"_qs, u"古池や蛙飛びこむ水の音"_qs,
                                           u"春の池"_qs, u"夏の池"_qs}));
    selectRow(o.form, 4); // 夏の池, record 6
    o.driver.actions.append(consent);
    clickDelete(o);
    QCOMPARE(o.nb.haiku_count(), 5);
    QCOMPARE(o.title(), u"【ユリモカ】Ver.1.2 (5件)"_qs);
    QVERIFY(!QFileInfo::exists(o.file(u"memo1/m1000012.txt"_qs)));
    QCOMPARE(haikuOnDisk(o.dir.path()).size(), 5);
    QCOMPARE(filter->currentText(), u"好きな句（春）"_qs);
    QCOMPARE(keyword->currentText(), u"池"_qs);
    QCOMPARE(o.listedPoems(),
             (QStringList{u"古池や蛙飛びこむ水の音"_qs, u"古池や蛙飛びこむ水の音"_qs, u"春の池"_qs}));
    QCOMPARE(o.memoShown(), QString());
    QCOMPARE(o.poemShown(), QString());
    QCOMPARE(o.hint(), QString());
    QCOMPARE(firstSelectedRow(o.grid()), 0); // no row selected

    // the keyword narrows what the category lists: 春 under 好きな句（春）
    keyword->setEditText(u"春"_qs);
    selectRow(o.form, 1);
    o.driver.actions.append(consent);
    clickDelete(o);
    QCOMPARE(o.listedPoems(), QStringList{u"春の池"_qs});
    // the rows still lead to their records
    QCOMPARE(o.grid()->recordAt(1), 4);
    QCOMPARE(o.nb.records()[4].poem, u"春の池"_qs);

    // under 全部 without a keyword, every haiku left in notebook order
    filter->setCurrentIndex(0);
    o.form.Combo1_Click();
    selectRow(o.form, 2);
    o.driver.actions.append(consent);
    clickDelete(o);
    QCOMPARE(o.listedPoems(),
             (QStringList{u"ひっそりとコーヒーの湯気"_qs, u"春の海ひねもすのたりかな"_qs, u"春の池"_qs}));
    QVERIFY(o.messages.shown.isEmpty());
}

void TestSakujo::deletingTheOnlyHaiku()
{
    Opened o(QList<Haiku>{standardHaiku().first()});
    QVERIFY(o.loaded && o.exposed);
    selectRow(o.form, 1);
    o.driver.actions.append(consent);
    clickDelete(o);
    QCOMPARE(o.nb.haiku_count(), 0);
    QCOMPARE(o.title(), u"【ユリモカ】Ver.1.2 (0件)"_qs);
    QCOMPARE(bytesOf(o.file(u"haiku.dat"_qs)), QByteArray());
    QCOMPARE(o.grid()->rows(), 2); // the heading and the empty last row
    QVERIFY(!QFileInfo::exists(o.file(u"memo1/m1000003.txt"_qs)));
    // and nothing left to delete
    clickDelete(o);
    QCOMPARE(o.messages.shown.size(), 1);
    QCOMPARE(o.messages.shown[0].text, u"削除する項目が選択されていません。"_qs);
}

void TestSakujo::lockedHaikuIsDeletedWithoutAPrompt()
{
    Opened o;
    QVERIFY(o.loaded && o.exposed);
    selectRow(o.form, 2);
    o.driver.actions.append(consent);
    clickDelete(o);
    QCOMPARE(o.driver.opened, QStringList{u"F_sakujo"_qs});
    QVERIFY(o.messages.shown.isEmpty());
    QVERIFY(!QFileInfo::exists(o.file(u"memo1/m1000007.txt"_qs)));
    QVERIFY(!o.listedPoems().contains(u"ひっそりとコーヒーの湯気"_qs));
}

// Two haiku with one poem: deleting the later one takes its own record and
// memo; the earlier keeps both, and the other way round.
void TestSakujo::twinPoemsKeepTheirOwnMemos()
{
    Opened o;
    QVERIFY(o.loaded && o.exposed);
    selectRow(o.form, 3); // the later 古池や, memo 5
    o.driver.actions.append(consent);
    clickDelete(o);
    QCOMPARE(o.nb.haiku_count(), 3);
    QVERIFY(!QFileInfo::exists(o.file(u"memo1/m1000005.txt"_qs)));
    QCOMPARE(memoOnDisk(o.dir.path(), 3), u"池のほとり\r\n二行目\r\n"_qs);
    const QList<QStringList> disk = haikuOnDisk(o.dir.path());
    QCOMPARE(disk[0][0], u"2026/04/01"_qs);
    QCOMPARE(disk[0][3], u" 3 "_qs);
    QCOMPARE(disk[2][2], u"春の海ひねもすのたりかな"_qs);

    // the earlier of two twins
    Opened p;
    QVERIFY(p.loaded && p.exposed);
    selectRow(p.form, 1);
    p.driver.actions.append(consent);
    clickDelete(p);
    QVERIFY(!QFileInfo::exists(p.file(u"memo1/m1000003.txt"_qs)));
    QCOMPARE(memoOnDisk(p.dir.path(), 5), u"二つ目の池\r\n"_qs);
    QCOMPARE(haikuOnDisk(p.dir.path())[1][3], u" 5 "_qs);
    // every haiku left has its memo file
    for (const Haiku_record &h : std::vector<Haiku_record>(p.nb.records().begin() + 1, p.nb.records().end()))
        QVERIFY(QFileInfo::exists(p.nb.memoPath(DataFiles::memoNumber(h.memo_no))));
}

// A memo file that cannot be deleted (here a folder in its place, which no
// user may unlink) keeps its haiku, and the poet is told.
void TestSakujo::memoThatCannotBeDeletedKeepsItsHaiku()
{
    Opened o;
    QVERIFY(o.loaded && o.exposed);
    QVERIFY(QFile::remove(o.file(u"memo1/m1000009.txt"_qs)));
    QVERIFY(QDir().mkpath(o.file(u"memo1/m1000009.txt/inside"_qs)));
    const Tree before = snapshot(o.dir.path());
    selectRow(o.form, 4);
    o.driver.actions.append(consent);
    clickDelete(o);
    QCOMPARE(o.nb.haiku_count(), 4);
    QCOMPARE(o.listedPoems().size(), 4);
    QCOMPARE(snapshot(o.dir.path()), before);
    QCOMPARE(o.messages.shown.size(), 1);
    QCOMPARE(o.messages.shown[0].text,
             u"「memo1/m1000009.txt」を削除できませんでした。\nファイルと同じ名前のフォルダがあります。\n\n"
             "メモを残したまま句だけを消すことはしないため、この句は削除していません。"_qs);
    QCOMPARE(o.messages.shown[0].icon, MessageBoxes::Icon::Warning);
    QCOMPARE(o.title(), u"【ユリモカ】Ver.1.2 (4件)"_qs);
}

void TestSakujo::missingMemoDoesNotStopTheDeletion()
{
    Opened o;
    QVERIFY(o.loaded && o.exposed);
    QVERIFY(QFile::remove(o.file(u"memo1/m1000009.txt"_qs)));
    selectRow(o.form, 4);
    o.driver.actions.append(consent);
    clickDelete(o);
    QCOMPARE(o.nb.haiku_count(), 3);
    QVERIFY(o.messages.shown.isEmpty());
}

void TestSakujo::deletedNumbersAreNotHandedOutAgain()
{
    Opened o;
    QVERIFY(o.loaded && o.exposed);
    QCOMPARE(o.nb.lastMemoNo(), qint64(9));
    selectRow(o.form, 4); // memo 9, the highest
    o.driver.actions.append(consent);
    clickDelete(o);
    QCOMPARE(o.nb.lastMemoNo(), qint64(9));
    o.driver.actions.append([](QDialog *d) {
        commit(ctl<QLineEdit>(*d, "Text2"), u"次の句"_qs);
        QTest::mouseClick(ctl<QPushButton>(*d, "Command1"), Qt::LeftButton);
    });
    QTest::mouseClick(ctl<QPushButton>(o.form, "Command6"), Qt::LeftButton);
    QCOMPARE(o.nb.records()[1].memo_no, u" 10 "_qs);
    QVERIFY(!QFileInfo::exists(o.file(u"memo1/m1000009.txt"_qs)));
    QVERIFY(QFileInfo::exists(o.file(u"memo1/m1000010.txt"_qs)));
}

void TestSakujo::nothingSelected_data()
{
    QTest::addColumn<int>("row");
    QTest::newRow("the heading") << 0;
    QTest::newRow("the empty last row") << 5;
}

// 編集 and 削除 on a row that holds no haiku say so.
void TestSakujo::nothingSelected()
{
    QFETCH(int, row);
    Opened o;
    QVERIFY(o.loaded && o.exposed);
    selectRow(o.form, row);
    QTest::mouseClick(ctl<QPushButton>(o.form, "Command8"), Qt::LeftButton);
    clickDelete(o);
    QCOMPARE(o.messages.shown.size(), 2);
    QCOMPARE(o.messages.shown[0].text, u"編集する項目が選択されていません。"_qs);
    QCOMPARE(o.messages.shown[0].title, kTitle);
    QCOMPARE(o.messages.shown[1].text, u"削除する項目が選択されていません。"_qs);
    QCOMPARE(o.messages.shown[1].title, kTitle);
    QVERIFY(o.driver.opened.isEmpty());
    QCOMPARE(o.nb.haiku_count(), 4);
}

QTEST_MAIN(TestSakujo)
#include "tst_sakujo.moc"

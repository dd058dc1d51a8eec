#include "editor/F_kinyu.h"
#include "editor/KinyuLayout.h"
#include "onsu/Counter.h"
#include "store/AtomicFile.h"
#include "support/Contents.h"
#include "support/EntryNotebook.h"
#include "ui/Twips.h"
#include "ui/WindowFrame.h"

#include <QCheckBox>
#include <QFrame>
#include <QLabel>
#include <QPushButton>
#include <QRegularExpression>
#include <QtTest>

#include <cerrno>

using namespace entry;
using KinyuLayout::Box;

namespace {

const QString kTitle = MessageBoxes::programTitle;
const QString kToday = DataFiles::shortDate(QDate::currentDate());
// A time stamp with its first character coded: a0 to e9 for 2000 to 2049.
const QRegularExpression kCodedStamp(u"^[a-e5-9]\\d/\\d\\d/\\d\\d \\d\\d:\\d\\d:\\d\\d$"_qs);

QComboBox *category(QDialog *d)
{
    return ctl<QComboBox>(*d, "Combo1");
}
QLineEdit *date(QDialog *d)
{
    return ctl<QLineEdit>(*d, "Text1");
}
QLineEdit *poem(QDialog *d)
{
    return ctl<QLineEdit>(*d, "Text2");
}
QPlainTextEdit *memo(QDialog *d)
{
    return ctl<QPlainTextEdit>(*d, "Text3");
}
void store(QDialog *d)
{
    QTest::mouseClick(ctl<QPushButton>(*d, "Command1"), Qt::LeftButton);
}
void clickNew(Opened &o)
{
    QTest::mouseClick(ctl<QPushButton>(o.form, "Command6"), Qt::LeftButton);
}
void clickEdit(Opened &o)
{
    QTest::mouseClick(ctl<QPushButton>(o.form, "Command8"), Qt::LeftButton);
}
// A haiku typed into a fresh entry window and stored.
void typeAndStore(QDialog *d, const QString &cat, const QString &p)
{
    category(d)->setEditText(QString());
    commit(category(d), cat);
    commit(poem(d), p);
    store(d);
}

// The mouse moved over a point of w (its middle when none is given) the way
// the window system moves it, through the window: enter and leave included.
void hover(QWidget *w, QPoint pos = {})
{
    if (pos.isNull())
        pos = w->rect().center();
    QWindow *window = w->window()->windowHandle();
    QTest::mouseMove(window, window->mapFromGlobal(w->mapToGlobal(pos)));
}

QRect px(const Box &b)
{
    return Twips::rect(b.left, b.top, b.width, b.height);
}

} // namespace

// The entry window: storing a new haiku and a correction, what it refuses,
// the keyboard, its hints, and its layout in twips.
class TestKinyu : public QObject
{
    Q_OBJECT

private slots:
    void cleanup()
    {
        AtomicFile::failForTesting(AtomicFile::Step::None, 0);
        Twips::overrideDpiForTesting(0);
    }

    // First: no window before it has had the dictionary loaded.
    void countFollowsThePoem();
    void newHaikuGoesToRowOne();
    void enterMovesBetweenTheBoxes();
    void emptyPoemIsRefused();
    void atTheHaikuLimitNothingIsStored();
    void categoryTyped_data();
    void categoryTyped();
    void fullCategoryListStoresTheHaikuOnce();
    void unstorableValueChangesNothing_data();
    void unstorableValueChangesNothing();
    void memoThatCannotBeWrittenStoresNothing();
    void correctionKeepsNumberStampAndPlace();
    void twinPoemsAreCorrectedOneByOne();
    void unreadableMemoOpensNothing();
    void cancellingRedrawsTheMainWindow_data();
    void cancellingRedrawsTheMainWindow();
    void lockedHaikuAsksBeforeCorrecting();
    void hintsOfTheEntryWindow();

    void designLayout();
    void previewFontSteps_data();
    void previewFontSteps();
    void windowFollowsItsSize_data();
    void windowFollowsItsSize();
    void opensOverTheMainWindow();
};

// The count under the poem box follows the poem and describes the poem box;
// the dictionary is loaded when the entry window opens, not before.
void TestKinyu::countFollowsThePoem()
{
    Opened o;
    QVERIFY(o.loaded && o.exposed);
    QVERIFY(!Onsu::Counter::shared().isLoaded());
    selectRow(o.form, 1);
    o.driver.actions.append([&](QDialog *d) {
        auto *count = ctl<QLabel>(*d, "LabelOnsu");
        QTRY_COMPARE(count->text(), u"5・7・5（17音）"_qs);
        QCOMPARE(poem(d)->accessibleDescription(), count->text());
        commit(poem(d), u"だ"_qs);
        QCOMPARE(poem(d)->text(), u"古池や蛙飛びこむ水の音だ"_qs);
        QCOMPARE(count->text(), u"5・7・6（18音・字余り）"_qs);
        QCOMPARE(poem(d)->accessibleDescription(), count->text());
        poem(d)->clear();
        QCOMPARE(count->text(), QString());
        d->reject();
    });
    clickEdit(o);
    QVERIFY(Onsu::Counter::shared().isLoaded());
}

void TestKinyu::newHaikuGoesToRowOne()
{
    Opened o;
    QVERIFY(o.loaded && o.exposed);
    // Filtered on one category with a keyword typed: storing shows them all.
    auto *filter = ctl<QComboBox>(o.form, "Combo1");
    filter->setCurrentIndex(2);
    o.form.Combo1_Click();
    ctl<QComboBox>(o.form, "Combo2")->setEditText(u"海"_qs);

    o.driver.actions.append([&](QDialog *d) {
        QCOMPARE(d->objectName(), u"F_kinyu"_qs);
        QCOMPARE(o.hint(), u"登録画面を起動中です。少々お待ち下さい。"_qs);
        QCOMPARE(d->windowTitle(), kTitle);
        QStringList offered;
        for (int i = 0; i < category(d)->count(); ++i)
            offered << category(d)->itemText(i);
        QCOMPARE(offered, (QStringList{u"好きな句（春）"_qs, u"推敲未完"_qs, u"吟行記録"_qs})); // never 全部
        QCOMPARE(category(d)->currentText(), QString());
        QCOMPARE(date(d)->text(), kToday);
        QCOMPARE(poem(d)->text(), QString());
        QCOMPARE(memo(d)->toPlainText(), QString());
        QVERIFY(!ctl<QCheckBox>(*d, "Check3")->isChecked());
        QTRY_VERIFY(category(d)->hasFocus());

        commit(category(d), u"旅の句"_qs);
        commit(poem(d), u"ラーメンの湯気"_qs);
        // the preview stands the long-vowel mark upright; the poem keeps it
        QCOMPARE(ctl<VerticalLabel>(*d, "Label4")->text(), u"ラ｜メンの湯気"_qs);
        commit(memo(d), u"一行目"_qs);
        press(memo(d), Qt::Key_Return);
        commit(memo(d), u"二行目"_qs);
        ctl<QCheckBox>(*d, "Check3")->setChecked(true);
        store(d);
    });
    clickNew(o);
    QCOMPARE(o.driver.opened, QStringList{u"F_kinyu"_qs});
    QVERIFY(o.messages.shown.isEmpty());

    QCOMPARE(o.nb.haiku_count(), 5);
    QCOMPARE(o.title(), u"【ユリモカ】Ver.1.2 (5件)"_qs);
    const QList<QStringList> disk = haikuOnDisk(o.dir.path());
    QCOMPARE(disk.size(), 5);
    QCOMPARE(disk[0].mid(0, 4), (QStringList{kToday, u"旅の句"_qs, u"ラーメンの湯気"_qs, u" 10 "_qs}));
    QVERIFY(kCodedStamp.match(disk[0][4]).hasMatch());
    QVERIFY(kCodedStamp.match(disk[0][5]).hasMatch());
    QCOMPARE(disk[0][6], u"YES"_qs);
    QCOMPARE(disk[1][2], u"古池や蛙飛びこむ水の音"_qs); // everything else one place down
    QCOMPARE(memoOnDisk(o.dir.path(), 10), u"一行目\r\n二行目\r\n"_qs);
    QCOMPARE(o.nb.lastMemoNo(), qint64(10));
    // the new category: last in the list, in the filter and in bunrui.dat
    QCOMPARE(o.nb.categories().back(), u"旅の句"_qs);
    QVERIFY(bytesOf(o.file(u"bunrui.dat"_qs)).endsWith(sjis(u"吟行記録\r\n旅の句\r\n"_qs)));
    QCOMPARE(filter->itemText(filter->count() - 1), u"旅の句"_qs);
    // 全部, every haiku, the new one on row 1, selected and shown; locked, so no memo
    QCOMPARE(filter->currentText(), u"全部"_qs);
    QCOMPARE(ctl<QComboBox>(o.form, "Combo2")->currentText(), QString());
    QCOMPARE(o.listedPoems().size(), 5);
    QCOMPARE(o.grid()->row(), 1);
    QCOMPARE(firstSelectedRow(o.grid()), 1);
    QCOMPARE(gridCell(o.grid(), 1, 2), u"ラーメンの湯気"_qs);
    QCOMPARE(o.poemShown(), u"ラ｜メンの湯気"_qs);
    QCOMPARE(o.memoShown(), QString());

    // A second one, not locked, in a known category: its memo is shown, no category added.
    const std::size_t categories = o.nb.categories().size();
    o.driver.actions.append([&](QDialog *d) { typeAndStore(d, u"推敲未完"_qs, u"二句目"_qs); });
    clickNew(o);
    QCOMPARE(o.nb.categories().size(), categories);
    QCOMPARE(o.nb.lastMemoNo(), qint64(11));
    QCOMPARE(memoOnDisk(o.dir.path(), 11), u"\r\n"_qs); // an empty memo is one line end
    QCOMPARE(gridCell(o.grid(), 1, 2), u"二句目"_qs);
    QCOMPARE(o.title(), u"【ユリモカ】Ver.1.2 (6件)"_qs);
}

void TestKinyu::enterMovesBetweenTheBoxes()
{
    Opened o;
    QVERIFY(o.loaded && o.exposed);
    o.driver.actions.append([&](QDialog *d) {
        QTRY_VERIFY(category(d)->hasFocus());
        // Enter moves on and presses no button (an empty poem would be refused).
        press(category(d)->lineEdit(), Qt::Key_Return);
        QVERIFY(date(d)->hasFocus());
        press(date(d), Qt::Key_Enter);
        QVERIFY(poem(d)->hasFocus());
        commit(poem(d), u"古池や"_qs);
        press(poem(d), Qt::Key_Return);
        QVERIFY(memo(d)->hasFocus());
        QCOMPARE(poem(d)->text(), u"古池や"_qs); // never a line break in the poem
        commit(memo(d), u"一"_qs);
        press(memo(d), Qt::Key_Return); // the memo takes it as a new line
        QCOMPARE(memo(d)->toPlainText(), u"一\n"_qs);
        QVERIFY(o.messages.shown.isEmpty());
        QVERIFY(d->isVisible());

        // Tab goes round in its order, from the poem to the check box.
        category(d)->setFocus();
        QStringList order;
        for (int i = 0; i < 8; ++i) {
            press(QApplication::focusWidget(), Qt::Key_Tab);
            order << QApplication::focusWidget()->objectName();
        }
        QCOMPARE(order, (QStringList{u"Text1"_qs, u"Text2"_qs, u"Check3"_qs, u"Command1"_qs, u"Command2"_qs,
                                     u"Command3"_qs, u"Text3"_qs, u"Combo1"_qs}));

        // A category picked from the list: on to the date.
        category(d)->setFocus();
        category(d)->showPopup();
        QAbstractItemView *list = category(d)->view();
        QTRY_VERIFY(list->isVisible());
        list->setCurrentIndex(list->model()->index(1, 0));
        press(list, Qt::Key_Return);
        QTRY_VERIFY(date(d)->hasFocus());
        QCOMPARE(category(d)->currentText(), u"推敲未完"_qs);

        // Leaving the box with a category typed that is in the list is not
        // picking it: the focus goes where it was sent.
        category(d)->setEditText(u"吟行記録"_qs);
        category(d)->setFocus();
        QVERIFY(category(d)->hasFocus());
        poem(d)->setFocus();
        QVERIFY(poem(d)->hasFocus());
        QCOMPARE(category(d)->currentText(), u"吟行記録"_qs);

        // 今日 puts today's date back and goes on to the poem.
        date(d)->setText(u"1999/12/31"_qs);
        QTest::mouseClick(ctl<QPushButton>(*d, "Command3"), Qt::LeftButton);
        QCOMPARE(date(d)->text(), kToday);
        QVERIFY(poem(d)->hasFocus());
        // Enter presses the button that has the focus, and no other.
        date(d)->setText(u"1999/12/31"_qs);
        ctl<QPushButton>(*d, "Command3")->setFocus();
        press(ctl<QPushButton>(*d, "Command3"), Qt::Key_Return);
        QCOMPARE(date(d)->text(), kToday);
        ctl<QCheckBox>(*d, "Check3")->setFocus();
        press(ctl<QCheckBox>(*d, "Check3"), Qt::Key_Return);
        QVERIFY(o.messages.shown.isEmpty()); // 登録 was not pressed
        QVERIFY(d->isVisible());
        d->reject();
    });
    const Tree before = snapshot(o.dir.path());
    clickNew(o);
    QVERIFY(o.driver.unexpected.isEmpty());
    QCOMPARE(snapshot(o.dir.path()), before);
}

void TestKinyu::emptyPoemIsRefused()
{
    Opened o;
    QVERIFY(o.loaded && o.exposed);
    const Tree before = snapshot(o.dir.path());
    o.driver.actions.append([&](QDialog *d) {
        commit(category(d), u"新しい分類"_qs);
        store(d);
        QCOMPARE(o.messages.shown.size(), 1);
        QCOMPARE(o.messages.shown[0].text, u"句を入力して下さい。"_qs);
        QCOMPARE(o.messages.shown[0].title, kTitle);
        QCOMPARE(o.messages.shown[0].icon, MessageBoxes::Icon::None);
        QVERIFY(d->isVisible());
        QVERIFY(ctl<QPushButton>(*d, "Command1")->isEnabled()); // ready for another try
        QCOMPARE(category(d)->currentText(), u"新しい分類"_qs);
        d->reject();
    });
    clickNew(o);
    QCOMPARE(o.nb.haiku_count(), 4);
    QCOMPARE(o.nb.category_count(), 4);
    QCOMPARE(snapshot(o.dir.path()), before);
}

void TestKinyu::atTheHaikuLimitNothingIsStored()
{
    Opened o;
    QVERIFY(o.loaded && o.exposed);
    editContents(
        o.nb, [](NotebookContents &c) { c.haiku_list.resize(Notebook::kHaikuStoreLimit, c.haiku_list[4]); });
    // 29 998 haiku: one more may be stored
    o.driver.actions.append([&](QDialog *d) { typeAndStore(d, u"推敲未完"_qs, u"最後の一句"_qs); });
    clickNew(o);
    QCOMPARE(o.nb.haiku_count(), 29999);
    QCOMPARE(o.title(), u"【ユリモカ】Ver.1.2 (29999件)"_qs);
    QVERIFY(o.messages.shown.isEmpty());

    // 29 999: neither a new haiku nor a correction
    const Tree before = snapshot(o.dir.path());
    auto refused = [&](QDialog *d) {
        commit(poem(d), u"もう一句"_qs);
        store(d);
        QCOMPARE(o.messages.shown.size(), 1);
        QCOMPARE(o.messages.shown[0].text, u"これ以上句を登録できません。"_qs);
        QCOMPARE(o.messages.shown[0].title, u"句の数が限界(30000)を越えます"_qs);
        QVERIFY(d->isVisible());
        o.messages.shown.clear();
        d->reject();
    };
    o.driver.actions.append(refused);
    clickNew(o);
    selectRow(o.form, 1);
    o.driver.actions.append(refused);
    clickEdit(o);
    QCOMPARE(o.driver.opened.size(), 3);
    QCOMPARE(o.nb.haiku_count(), 29999);
    QCOMPARE(o.nb.records()[1].poem, u"最後の一句"_qs);
    QCOMPARE(snapshot(o.dir.path()), before);
}

void TestKinyu::categoryTyped_data()
{
    QTest::addColumn<QString>("typed");
    QTest::addColumn<bool>("added");
    QTest::newRow("known") << u"推敲未完"_qs << false;
    QTest::newRow("全部 is not offered, so it is new") << u"全部"_qs << true;
    QTest::newRow("empty") << QString() << true;
    QTest::newRow("half-width parentheses") << u"好きな句(春)"_qs << true;
    QTest::newRow("a trailing blank") << u"推敲未完 "_qs << true;
    QTest::newRow("another case") << u"ＡＢＣ"_qs << true;
}

void TestKinyu::categoryTyped()
{
    QFETCH(QString, typed);
    QFETCH(bool, added);
    Opened o;
    QVERIFY(o.loaded && o.exposed);
    // differs from ＡＢＣ in case only
    editContents(o.nb, [](NotebookContents &c) { c.category_list.push_back(u"ａｂｃ"_qs); });
    ctl<QComboBox>(o.form, "Combo1")->addItem(u"ａｂｃ"_qs);
    const QByteArray before = bytesOf(o.file(u"bunrui.dat"_qs));
    o.driver.actions.append([&](QDialog *d) { typeAndStore(d, typed, u"一句"_qs); });
    clickNew(o);
    QCOMPARE(o.nb.records()[1].category, typed);
    QCOMPARE(o.nb.knowsCategory(typed), true);
    auto *filter = ctl<QComboBox>(o.form, "Combo1");
    if (added) {
        QCOMPARE(o.nb.category_count(), 6);
        QCOMPARE(o.nb.categories().back(), typed);
        QCOMPARE(
            bytesOf(o.file(u"bunrui.dat"_qs)),
            sjis(u"全部\r\n好きな句（春）\r\n推敲未完\r\n吟行記録\r\nａｂｃ\r\n"_qs + typed + u"\r\n"_qs));
        QCOMPARE(filter->count(), 6);
        QCOMPARE(filter->itemText(5), typed);
    } else {
        QCOMPARE(o.nb.category_count(), 5);
        QCOMPARE(bytesOf(o.file(u"bunrui.dat"_qs)), before);
        QCOMPARE(filter->count(), 5);
    }
    QCOMPARE(filter->currentIndex(), 0);
}

// With 999 categories a new one is refused, but the haiku is in the notebook
// already; the open window then corrects it, never storing it twice.
void TestKinyu::fullCategoryListStoresTheHaikuOnce()
{
    Opened o;
    QVERIFY(o.loaded && o.exposed);
    editContents(o.nb, [](NotebookContents &c) {
        while (int(c.category_list.size()) - 1 < Notebook::kCategoryStoreLimit)
            c.category_list.push_back(u"分類%1"_qs.arg(c.category_list.size() - 1));
    });
    const QByteArray categoriesOnDisk = bytesOf(o.file(u"bunrui.dat"_qs));
    o.driver.actions.append([&](QDialog *d) {
        typeAndStore(d, u"千番目"_qs, u"一句目"_qs);
        QCOMPARE(o.messages.shown.size(), 1);
        QCOMPARE(o.messages.shown[0].text, u"これ以上分類を登録できません。"_qs);
        QCOMPARE(o.messages.shown[0].title, u"分類の数が限界(1000)を越えます"_qs);
        QVERIFY(d->isVisible());
        QVERIFY(ctl<QPushButton>(*d, "Command1")->isEnabled());
        // stored with its memo and in haiku.dat, the category not added
        QCOMPARE(o.nb.haiku_count(), 5);
        QCOMPARE(o.nb.records()[1].category, u"千番目"_qs);
        QCOMPARE(haikuOnDisk(o.dir.path()).size(), 5);
        QVERIFY(QFileInfo::exists(o.file(u"memo1/m1000010.txt"_qs)));
        QCOMPARE(o.nb.category_count(), 999);

        // the second 登録 corrects that haiku
        store(d);
        QCOMPARE(o.messages.shown.size(), 2);
        QCOMPARE(o.nb.haiku_count(), 5);
        // a known category: corrected, and the window closes
        poem(d)->clear();
        commit(poem(d), u"一句目の直し"_qs);
        category(d)->setEditText(u"推敲未完"_qs);
        store(d);
        QVERIFY(!d->isVisible());
    });
    clickNew(o);
    QCOMPARE(o.messages.shown.size(), 2);
    QCOMPARE(o.nb.haiku_count(), 5);
    QCOMPARE(o.nb.lastMemoNo(), qint64(10));
    QCOMPARE(o.nb.records()[1].poem, u"一句目の直し"_qs);
    QCOMPARE(o.nb.records()[1].category, u"推敲未完"_qs);
    QCOMPARE(o.nb.records()[1].memo_no, u" 10 "_qs);
    QCOMPARE(o.nb.records()[2].poem, u"古池や蛙飛びこむ水の音"_qs);
    QCOMPARE(haikuOnDisk(o.dir.path())[0][2], u"一句目の直し"_qs);
    QCOMPARE(bytesOf(o.file(u"bunrui.dat"_qs)), categoriesOnDisk);
    QCOMPARE(gridCell(o.grid(), 1, 2), u"一句目の直し"_qs);

    // Refused, then 中止: the haiku stays stored and the list shows it.
    o.driver.actions.append([&](QDialog *d) {
        typeAndStore(d, u"千番目"_qs, u"二句目"_qs);
        d->reject();
    });
    clickNew(o);
    QCOMPARE(o.nb.haiku_count(), 6);
    QCOMPARE(gridCell(o.grid(), 1, 2), u"二句目"_qs);
    QCOMPARE(o.title(), u"【ユリモカ】Ver.1.2 (6件)"_qs);
    QCOMPARE(haikuOnDisk(o.dir.path()).size(), 6);
}

void TestKinyu::unstorableValueChangesNothing_data()
{
    QTest::addColumn<QString>("box");
    QTest::addColumn<QString>("value");
    QTest::addColumn<QString>("message");
    QTest::newRow("poem") << u"Text2"_qs << u"古池や𠮷"_qs
                          << u"句に、シフトJISで保存できない文字「𠮷」(U+20BB7)が含まれています。"
                             "その文字を別の文字に置き換えて下さい。"_qs;
    QTest::newRow("category with a line break")
        << u"Combo1"_qs << u"春\n夏"_qs << u"分類に改行は入れられません。"_qs;
    QTest::newRow("date") << u"Text1"_qs << u"2026/04/01\r"_qs << u"年/月/日に改行は入れられません。"_qs;
    QTest::newRow("memo")
        << u"Text3"_qs << u"波〜線"_qs
        << u"メモに、シフトJISで保存できない文字「〜」(U+301C)が含まれています。"
           "その文字を別の文字に置き換えて下さい。「〜」の代わりに「～」を使えば保存できます。"_qs;
}

void TestKinyu::unstorableValueChangesNothing()
{
    QFETCH(QString, box);
    QFETCH(QString, value);
    QFETCH(QString, message);
    Opened o;
    QVERIFY(o.loaded && o.exposed);
    const Tree before = snapshot(o.dir.path());
    o.driver.actions.append([&](QDialog *d) {
        commit(poem(d), u"一句"_qs);
        commit(category(d), u"新分類"_qs);
        QWidget *w = d->findChild<QWidget *>(box);
        if (auto *line = qobject_cast<QLineEdit *>(w))
            line->setText(value);
        else if (auto *combo = qobject_cast<QComboBox *>(w))
            combo->setEditText(value);
        else
            qobject_cast<QPlainTextEdit *>(w)->setPlainText(value);
        store(d);
        QCOMPARE(o.messages.shown.size(), 1);
        QCOMPARE(o.messages.shown[0].text, message);
        QCOMPARE(o.messages.shown[0].title, kTitle);
        QVERIFY(d->isVisible());
        QWidget *focus = d->focusWidget();
        QVERIFY(focus == w || w->isAncestorOf(focus));
        // everything typed is still there
        QCOMPARE(poem(d)->text(), box == u"Text2"_qs ? value : u"一句"_qs);
        if (box == u"Text3"_qs)
            QCOMPARE(memo(d)->toPlainText(), value);
        d->reject();
    });
    clickNew(o);
    QCOMPARE(o.nb.haiku_count(), 4);
    QCOMPARE(o.nb.category_count(), 4);
    QCOMPARE(o.nb.lastMemoNo(), qint64(9));
    QCOMPARE(snapshot(o.dir.path()), before);
}

void TestKinyu::memoThatCannotBeWrittenStoresNothing()
{
    Opened o;
    QVERIFY(o.loaded && o.exposed);
    const Tree before = snapshot(o.dir.path());
    o.driver.actions.append([&](QDialog *d) {
        AtomicFile::failForTesting(AtomicFile::Step::Create, EACCES);
        commit(memo(d), u"大事なメモ"_qs);
        typeAndStore(d, u"新分類"_qs, u"書けない句"_qs);
        QCOMPARE(o.messages.shown.size(), 1);
        QCOMPARE(
            o.messages.shown[0].text,
            u"「memo1/m1000010.txt」を保存できませんでした。\nファイルまたはフォルダに書き込む権限がありません。\n"
            "ファイルは作られていません。\n\n句は登録していません。入力した内容は、この画面にそのまま残っています。"_qs);
        QCOMPARE(o.messages.shown[0].icon, MessageBoxes::Icon::Warning);
        QVERIFY(d->isVisible());
        QCOMPARE(memo(d)->toPlainText(), u"大事なメモ"_qs);
        QCOMPARE(o.nb.haiku_count(), 4);
        QCOMPARE(o.nb.category_count(), 4);
        QCOMPARE(snapshot(o.dir.path()), before);
        // room again: the same window stores it
        AtomicFile::failForTesting(AtomicFile::Step::None, 0);
        store(d);
    });
    clickNew(o);
    QCOMPARE(o.nb.haiku_count(), 5);
    QCOMPARE(memoOnDisk(o.dir.path(), 10), u"大事なメモ\r\n"_qs);

    // A correction whose memo cannot be written leaves the record as it was.
    const Tree stored = snapshot(o.dir.path());
    const Haiku_record record = o.nb.records()[5];
    selectRow(o.form, 5);
    o.driver.actions.append([&](QDialog *d) {
        AtomicFile::failForTesting(AtomicFile::Step::Rename, ENOSPC);
        commit(poem(d), u"の直し"_qs);
        commit(memo(d), u"追記"_qs);
        store(d);
        QCOMPARE(o.messages.shown.size(), 2);
        QVERIFY(o.messages.shown[1].text.startsWith(u"「memo1/m1000009.txt」を保存できませんでした。\n"_qs));
        QVERIFY(o.messages.shown[1].text.endsWith(
            u"元のファイルはそのまま残っています。\n\n句は訂正していません。"
            "入力した内容は、この画面にそのまま残っています。"_qs));
        AtomicFile::failForTesting(AtomicFile::Step::None, 0);
        d->reject();
    });
    clickEdit(o);
    QVERIFY(o.nb.records()[5] == record);
    QVERIFY(o.nb.saveAll().isEmpty()); // nothing left over to write later
    QCOMPARE(bytesOf(o.file(u"memo1/m1000009.txt"_qs)), stored.value(u"memo1/m1000009.txt"_qs));
    QCOMPARE(bytesOf(o.file(u"haiku.dat"_qs)), stored.value(u"haiku.dat"_qs));
}

void TestKinyu::correctionKeepsNumberStampAndPlace()
{
    Opened o;
    QVERIFY(o.loaded && o.exposed);
    selectRow(o.form, 4);
    o.driver.actions.append([&](QDialog *d) {
        QCOMPARE(o.hint(), u"編集画面を起動中です。少々お待ち下さい。"_qs);
        QCOMPARE(date(d)->text(), u"2026/04/04"_qs);
        QCOMPARE(category(d)->currentText(), u"吟行記録"_qs);
        QCOMPARE(category(d)->count(), 3);
        QCOMPARE(poem(d)->text(), u"春の海ひねもすのたりかな"_qs);
        QCOMPARE(ctl<VerticalLabel>(*d, "Label4")->text(), u"春の海ひねもすのたりかな"_qs);
        QVERIFY(!ctl<QCheckBox>(*d, "Check3")->isChecked());
        QCOMPARE(memo(d)->toPlainText(), u"海のメモ"_qs);
        poem(d)->clear();
        commit(poem(d), u"春の海ーひねもす"_qs);
        memo(d)->moveCursor(QTextCursor::End);
        press(memo(d), Qt::Key_Return);
        commit(memo(d), u"推敲した"_qs);
        store(d);
    });
    clickEdit(o);
    QCOMPARE(o.nb.haiku_count(), 4);
    const QList<QStringList> disk = haikuOnDisk(o.dir.path());
    QCOMPARE(disk[3].mid(0, 5), (QStringList{u"2026/04/04"_qs, u"吟行記録"_qs, u"春の海ーひねもす"_qs,
                                             u" 9 "_qs, u"c6/01/02 03:04:05"_qs}));
    QVERIFY(disk[3][5] != u"c6/01/02 03:04:05"_qs);
    QVERIFY(kCodedStamp.match(disk[3][5]).hasMatch());
    QCOMPARE(memoOnDisk(o.dir.path(), 9), u"海のメモ\r\n推敲した\r\n"_qs);
    QCOMPARE(o.nb.lastMemoNo(), qint64(9));
    // the same row, shown afresh
    QCOMPARE(o.title(), u"【ユリモカ】Ver.1.2 (4件)"_qs);
    QCOMPARE(o.grid()->row(), 4);
    QCOMPARE(firstSelectedRow(o.grid()), 4);
    QCOMPARE(o.memoShown(), u"海のメモ\n推敲した"_qs);
    QCOMPARE(o.poemShown(), u"春の海｜ひねもす"_qs);
}

// Two haiku with one poem are two haiku: the later one is opened, corrected
// and shown with its own memo. Under a filter the same row number is shown
// again in the full list.
void TestKinyu::twinPoemsAreCorrectedOneByOne()
{
    Opened o;
    QVERIFY(o.loaded && o.exposed);
    auto *filter = ctl<QComboBox>(o.form, "Combo1");
    filter->setCurrentIndex(1); // 好きな句（春）: records 1 and 3, the same poem
    o.form.Combo1_Click();
    QCOMPARE(o.listedPoems(), QStringList(2, u"古池や蛙飛びこむ水の音"_qs));
    selectRow(o.form, 2);
    o.driver.actions.append([&](QDialog *d) {
        QCOMPARE(date(d)->text(), u"2026/04/03"_qs);
        QCOMPARE(memo(d)->toPlainText(), u"二つ目の池"_qs);
        memo(d)->setPlainText(u"二つ目の池（直し）"_qs);
        ctl<QCheckBox>(*d, "Check3")->setChecked(true);
        store(d);
    });
    clickEdit(o);
    QCOMPARE(o.nb.records()[3].locked, u"YES"_qs);
    QCOMPARE(o.nb.records()[1].locked, u"NO"_qs);
    QCOMPARE(memoOnDisk(o.dir.path(), 5), u"二つ目の池（直し）\r\n"_qs);
    QCOMPARE(memoOnDisk(o.dir.path(), 3), u"池のほとり\r\n二行目\r\n"_qs);
    // every haiku listed; row 2 is now the locked haiku of record 2, shown without its memo
    QCOMPARE(filter->currentText(), u"全部"_qs);
    QCOMPARE(o.grid()->row(), 2);
    QCOMPARE(o.poemShown(), u"ひっそりとコ｜ヒ｜の湯気"_qs);
    QCOMPARE(o.memoShown(), QString());

    // the earlier twin opens with its own memo
    selectRow(o.form, 1);
    o.driver.actions.append([&](QDialog *d) {
        QCOMPARE(memo(d)->toPlainText(), u"池のほとり\n二行目"_qs);
        d->reject();
    });
    clickEdit(o);
    QCOMPARE(o.driver.opened.size(), 2);
}

void TestKinyu::unreadableMemoOpensNothing()
{
    Opened o;
    QVERIFY(o.loaded && o.exposed);
    QVERIFY(QFile::remove(o.file(u"memo1/m1000009.txt"_qs)));
    QVERIFY(QDir().mkpath(o.file(u"memo1/m1000009.txt/inside"_qs)));
    const Tree before = snapshot(o.dir.path());
    selectRow(o.form, 4);
    clickEdit(o);
    QVERIFY(o.driver.opened.isEmpty());
    QCOMPARE(o.messages.shown.size(), 1);
    QCOMPARE(
        o.messages.shown[0].text,
        u"メモのファイル「memo1/m1000009.txt」を読み込めませんでした。\nファイルと同じ名前のフォルダがあります。\n"
        "読めないメモを上書きしないように、編集画面は開きません。"_qs);
    QCOMPARE(o.messages.shown[0].icon, MessageBoxes::Icon::Warning);
    QCOMPARE(snapshot(o.dir.path()), before);

    // A memo file that is simply missing opens as an empty memo and is written anew.
    QVERIFY(QFile::remove(o.file(u"memo1/m1000005.txt"_qs)));
    selectRow(o.form, 3);
    o.driver.actions.append([&](QDialog *d) {
        QCOMPARE(memo(d)->toPlainText(), QString());
        store(d);
    });
    clickEdit(o);
    QCOMPARE(bytesOf(o.file(u"memo1/m1000005.txt"_qs)), QByteArray("\r\n"));
}

void TestKinyu::cancellingRedrawsTheMainWindow_data()
{
    QTest::addColumn<int>("how"); // 0 中止, 1 Esc, 2 the close box
    QTest::addColumn<bool>("editing");
    const char *ways[] = {"中止", "Esc", "close box"};
    for (int how = 0; how < 3; ++how) {
        QTest::addRow("new, %s", ways[how]) << how << false;
        QTest::addRow("edit, %s", ways[how]) << how << true;
    }
}

void TestKinyu::cancellingRedrawsTheMainWindow()
{
    QFETCH(int, how);
    QFETCH(bool, editing);
    Opened o;
    QVERIFY(o.loaded && o.exposed);
    const Tree before = snapshot(o.dir.path());
    o.form.setWindowTitle(u"x"_qs);
    selectRow(o.form, 3);
    o.driver.actions.append([&](QDialog *d) {
        commit(poem(d), u"捨てる句"_qs);
        if (how == 0)
            QTest::mouseClick(ctl<QPushButton>(*d, "Command2"), Qt::LeftButton);
        else if (how == 1)
            press(poem(d), Qt::Key_Escape);
        else
            d->close();
        QVERIFY(!d->isVisible());
    });
    if (editing)
        clickEdit(o);
    else
        clickNew(o);
    QCOMPARE(o.driver.opened, QStringList{u"F_kinyu"_qs});
    QCOMPARE(o.nb.haiku_count(), 4);
    QCOMPARE(snapshot(o.dir.path()), before);
    QCOMPARE(o.title(), u"【ユリモカ】Ver.1.2 (4件)"_qs);
    const int row = editing ? 3 : 1;
    QCOMPARE(o.grid()->row(), row);
    QCOMPARE(firstSelectedRow(o.grid()), row);
    QCOMPARE(o.memoShown(), editing ? u"二つ目の池"_qs : u"池のほとり\n二行目"_qs);
    QCOMPARE(o.poemShown(), u"古池や蛙飛びこむ水の音"_qs);
}

void TestKinyu::lockedHaikuAsksBeforeCorrecting()
{
    Opened o;
    QVERIFY(o.loaded && o.exposed);
    auto answer = [](const QString &password) {
        return [password](QDialog *d) {
            QCOMPARE(d->objectName(), u"F_secpassin"_qs);
            ctl<QLineEdit>(*d, "Text1")->setText(password);
            QTest::mouseClick(ctl<QPushButton>(*d, "Command2"), Qt::LeftButton);
        };
    };
    // a wrong password: said with the stop icon, nothing opened
    selectRow(o.form, 2);
    o.driver.actions.append(answer(u"違う"_qs));
    clickEdit(o);
    QCOMPARE(o.messages.shown.size(), 2);
    QCOMPARE(o.messages.shown[0].text, u"指定されたメモには鍵がかかっています。"_qs);
    QCOMPARE(o.messages.shown[0].title, kTitle);
    QCOMPARE(o.messages.shown[1].text, u"パスワードが間違っています。"_qs);
    QCOMPARE(o.messages.shown[1].icon, MessageBoxes::Icon::Critical);
    QCOMPARE(o.driver.opened, QStringList{u"F_secpassin"_qs});
    QCOMPARE(o.memoShown(), QString());

    // CANCEL: silent
    o.driver.actions.append([](QDialog *d) { d->reject(); });
    clickEdit(o);
    QCOMPARE(o.messages.shown.size(), 3);
    QCOMPARE(o.driver.opened.size(), 2);

    // the right one: the entry window, with the memo and the lock
    o.driver.actions.append(answer(u"秘密"_qs));
    o.driver.actions.append([&](QDialog *d) {
        QCOMPARE(d->objectName(), u"F_kinyu"_qs);
        QCOMPARE(memo(d)->toPlainText(), u"秘密のメモ"_qs);
        QVERIFY(ctl<QCheckBox>(*d, "Check3")->isChecked());
        d->reject();
    });
    clickEdit(o);
    QCOMPARE(o.driver.opened.mid(2), (QStringList{u"F_secpassin"_qs, u"F_kinyu"_qs}));
    QCOMPARE(o.messages.shown.size(), 4);
    QVERIFY(o.driver.unexpected.isEmpty());
}

void TestKinyu::hintsOfTheEntryWindow()
{
    Opened o;
    QVERIFY(o.loaded && o.exposed);
    o.driver.actions.append([&](QDialog *d) {
        QVERIFY(QTest::qWaitForWindowExposed(d));
        const std::pair<const char *, QString> hints[] = {
            {"Command1", u"現在の内容でメモを登録します。"_qs},
            {"Command2", u"メモの登録・訂正を中止してメイン画面に戻ります。"_qs},
            {"Check3", u"鍵を開けるパスワードは、[ﾌｧｲﾙ]－[鍵の設定]で設定します。"_qs},
            {"Text1", u"デフォルトでは、メモの登録日となります。"_qs},
            {"Text2", u"登録するメモのタイトルを入力して下さい。"_qs},
        };
        for (const auto &[name, text] : hints) {
            hover(ctl<QWidget>(*d, name));
            QTRY_COMPARE(o.hint(), text);
        }
        // the bare surface, also inside the preview's drawn frame
        const QString surface = u"メモの登録・訂正の画面です。"_qs;
        hover(d, QPoint(Twips::toPxX(3000), memo(d)->geometry().bottom() + 15)); // below the memo box
        QTRY_COMPARE(o.hint(), surface);
        hover(ctl<QWidget>(*d, "Text2"));
        QTRY_COMPARE(o.hint(), hints[4].second);
        hover(d, Twips::rect(100, 3000, 1, 1).topLeft());
        QTRY_COMPARE(o.hint(), surface);
        // the other controls set none
        hover(ctl<QWidget>(*d, "Command2"));
        QTRY_COMPARE(o.hint(), hints[1].second);
        for (const char *quiet : {"Label3", "Label4", "Command3"}) {
            hover(ctl<QWidget>(*d, quiet));
            QTest::qWait(20);
            QCOMPARE(o.hint(), hints[1].second);
        }
        d->reject();
    });
    clickNew(o);
}

void TestKinyu::designLayout()
{
    const KinyuLayout::Layout l = KinyuLayout::forSize(9450, 6975);
    QCOMPARE(l.Label1, (Box{60, 60, 450, 225}));
    QCOMPARE(l.Combo1, (Box{600, 0, 3255, 345}));
    QCOMPARE(l.Label2, (Box{4020, 60, 915, 225}));
    QCOMPARE(l.Text1, (Box{4980, 0, 1275, 375}));
    QCOMPARE(l.Command3, (Box{6240, 0, 675, 375}));
    QCOMPARE(l.Check3, (Box{7260, 120, 1455, 195}));
    QCOMPARE(l.Shape1, (Box{0, 420, 795, 5415}));
    QCOMPARE(l.Label4, (Box{240, 480, 435, 5235}));
    QCOMPARE(l.Label6, (Box{900, 540, 225, 225}));
    QCOMPARE(l.Text2, (Box{1200, 420, 7995, 390}));
    QCOMPARE(l.Label3, (Box{900, 960, 8550, 225}));
    QCOMPARE(l.Text3, (Box{840, 1200, 8415, 4815}));
    QCOMPARE(l.Command2, (Box{6600, 6060, 1095, 435}));
    QCOMPARE(l.Command1, (Box{7740, 6060, 1515, 435}));
    QCOMPARE(l.previewPoints, 14);

    // Wider by 1007 and taller by 333: the right-hand controls move across,
    // the boxes and 登録 widen, 中止 stays; the memo box and preview grow.
    const KinyuLayout::Layout big = KinyuLayout::forSize(9450 + 1007, 6975 + 333);
    QCOMPARE(big.Combo1.width, 3255.0 + 1007);
    QCOMPARE(big.Label2.left, 4020.0 + 1007);
    QCOMPARE(big.Text1.left, 4980.0 + 1007);
    QCOMPARE(big.Command3.left, 6240.0 + 1007);
    QCOMPARE(big.Check3.left, 7260.0 + 1007);
    QCOMPARE(big.Text2.width, 7995.0 + 1007);
    QCOMPARE(big.Text3, (Box{840, 1200, 8415 + 1007, 4815 + 333}));
    QCOMPARE(big.Command1, (Box{7740, 6060 + 333, 1515 + 1007, 435}));
    QCOMPARE(big.Command2, (Box{6600, 6060 + 333, 1095, 435}));
    QCOMPARE(big.Shape1.height, 5415.0 + 333);
    QCOMPARE(big.Label4.height, 5235.0 + 333);
    QCOMPARE(big.Label1, l.Label1);
    QCOMPARE(big.Label6, l.Label6);
    QCOMPARE(big.Label3, l.Label3);
    QCOMPARE(big.Label4.left, l.Label4.left);

    // The smallest window: the memo box 4315 and the preview 4735 high;
    // anything smaller is laid out as the smallest.
    const KinyuLayout::Layout least = KinyuLayout::forSize(9450, 6475);
    QCOMPARE(least.Text3.height, 4315.0);
    QCOMPARE(least.Label4.height, 4735.0);
    QCOMPARE(least.Command1.top, 5560.0);
    const KinyuLayout::Layout below = KinyuLayout::forSize(8000, 5000);
    QCOMPARE(below.Text3, least.Text3);
    QCOMPARE(below.Combo1, l.Combo1);
    QCOMPARE(KinyuLayout::forSize(9449, 6975).Command1, l.Command1);
}

void TestKinyu::previewFontSteps_data()
{
    QTest::addColumn<double>("windowHeight");
    QTest::addColumn<int>("points");
    QTest::addColumn<double>("left");
    QTest::newRow("7874") << 7874.0 << 14 << 240.0;
    QTest::newRow("7875: preview 6135") << 7875.0 << 16 << 240.0;
    QTest::newRow("8654") << 8654.0 << 16 << 240.0;
    QTest::newRow("8655: preview 6915") << 8655.0 << 18 << 200.0;
    QTest::newRow("9674") << 9674.0 << 18 << 200.0;
    QTest::newRow("9675: preview 7935") << 9675.0 << 20 << 180.0;
    QTest::newRow("10214") << 10214.0 << 20 << 180.0;
    QTest::newRow("10215: preview 8475") << 10215.0 << 22 << 180.0;
}

void TestKinyu::previewFontSteps()
{
    QFETCH(double, windowHeight);
    QFETCH(int, points);
    QFETCH(double, left);
    const KinyuLayout::Layout l = KinyuLayout::forSize(9450, windowHeight);
    QCOMPARE(l.Label4.height, windowHeight - 1740);
    QCOMPARE(l.previewPoints, points);
    QCOMPARE(l.Label4.left, left);
}

void TestKinyu::windowFollowsItsSize_data()
{
    QTest::addColumn<double>("dpi");
    QTest::newRow("96") << 96.0;
    QTest::newRow("120") << 120.0;
}

// The real window at two resolutions: every control where the layout puts
// it, the preview's font stepping, and never smaller than its minimum.
void TestKinyu::windowFollowsItsSize()
{
    QFETCH(double, dpi);
    Twips::overrideDpiForTesting(dpi);
    QTemporaryDir dir;
    Notebook nb(dir.path());
    QString hint;
    F_kinyu w(
        nullptr, nb, [&hint](const QString &t) { hint = t; }, u"IPAMincho"_qs);
    QVERIFY(w.Form_Load(0));
    w.show();
    QVERIFY(QTest::qWaitForWindowExposed(&w));
    // A client area 1007 twips wider and 2333 taller than the design one.
    w.resize(Twips::toPxX(9330 + 1007), Twips::toPxY(6585 + 2333));
    QTRY_COMPARE(w.width(), Twips::toPxX(9330 + 1007));
    const double W = Twips::fromPxX(w.width()) + KinyuLayout::kOuterExtraWidth;
    const double H = Twips::fromPxY(w.height()) + KinyuLayout::kOuterExtraHeight;
    const KinyuLayout::Layout l = KinyuLayout::forSize(W, H);
    QVERIFY(qAbs(l.Text3.width - (8415 + 1007)) <= 1440 / dpi); // whole pixels
    QCOMPARE(ctl<QComboBox>(w, "Combo1")->geometry(), px(l.Combo1));
    QCOMPARE(ctl<QLineEdit>(w, "Text1")->geometry(), px(l.Text1));
    QCOMPARE(ctl<QPushButton>(w, "Command3")->geometry(), px(l.Command3));
    QCOMPARE(ctl<QCheckBox>(w, "Check3")->geometry(), px(l.Check3));
    QCOMPARE(ctl<QLineEdit>(w, "Text2")->geometry(), px(l.Text2));
    // the count lies in the strip between the poem box and the memo's caption
    const QRect count = ctl<QLabel>(w, "LabelOnsu")->geometry();
    QCOMPARE(count, px(l.LabelOnsu));
    QVERIFY(!count.intersects(ctl<QLineEdit>(w, "Text2")->geometry()));
    QVERIFY(!count.intersects(ctl<QLabel>(w, "Label3")->geometry()));
    QCOMPARE(ctl<QPlainTextEdit>(w, "Text3")->geometry(), px(l.Text3));
    QCOMPARE(ctl<QPushButton>(w, "Command1")->geometry(), px(l.Command1));
    QCOMPARE(ctl<QPushButton>(w, "Command2")->geometry(), px(l.Command2));
    QCOMPARE(ctl<QFrame>(w, "Shape1")->geometry(), px(l.Shape1));
    auto *preview = ctl<VerticalLabel>(w, "Label4");
    QCOMPARE(preview->geometry(), px(l.Label4));
    QCOMPARE(l.previewPoints, 18); // a preview about 7568 high
    QCOMPARE(preview->font().pointSizeF(), 18.0);
    QCOMPARE(preview->font().family(), u"IPAMincho"_qs);
    QVERIFY(preview->font().bold());
    QVERIFY(w.rect().contains(ctl<QPushButton>(w, "Command1")->geometry()));

    // never below 9450 × 6475 outside
    w.resize(50, 50);
    QTRY_VERIFY(w.width() >= Twips::toPxX(9330) - 1);
    QVERIFY(w.height() >= Twips::toPxY(6475 - 390) - 1);
    QCOMPARE(preview->font().pointSizeF(), 14.0);
}

void TestKinyu::opensOverTheMainWindow()
{
    Twips::overrideDpiForTesting(96);
    QTemporaryDir dir;
    Notebook nb(dir.path());
    QWidget main;
    // A main window narrower than the entry window may be and lower than its
    // smallest height + 500: the entry window keeps its minimum.
    main.setGeometry(150, 120, Twips::toPxX(8007) - 8, Twips::toPxY(6400) - 26);
    F_kinyu small(&main, nb, {}, {});
    QVERIFY(small.Form_Load(0));
    const QRect outer = WindowFrame::outerRect(&small);
    QCOMPARE(outer.topLeft(), main.pos());
    QCOMPARE(outer.width(), Twips::toPxX(9450));
    QCOMPARE(outer.height(), Twips::toPxY(6475));

    // A large one: same left, top and width, 500 twips lower.
    main.setGeometry(150, 120, Twips::toPxX(12003) - 8, Twips::toPxY(9000) - 26);
    F_kinyu large(&main, nb, {}, {});
    QVERIFY(large.Form_Load(0));
    const QRect mainOuter = WindowFrame::outerRect(&main);
    const QRect entryOuter = WindowFrame::outerRect(&large);
    QCOMPARE(entryOuter.topLeft(), mainOuter.topLeft());
    QCOMPARE(entryOuter.width(), mainOuter.width());
    QCOMPARE(entryOuter.height(), mainOuter.height() - Twips::toPxY(500));
}

QTEST_MAIN(TestKinyu)
#include "tst_kinyu.moc"

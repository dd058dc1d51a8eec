#include "categories/F_bunrui.h"
#include "mainwin/Main_form.h"
#include "store/Cp932.h"
#include "store/Notebook.h"
#include "support/Contents.h"
#include "support/Controls.h"
#include "support/Folders.h"
#include "support/MessageRecorder.h"
#include "support/Modal.h"
#include "ui/JapaneseFonts.h"
#include "ui/ListGrid.h"
#include "ui/Twips.h"
#include "ui/VerticalLabel.h"
#include "ui/WindowFrame.h"

#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QFrame>
#include <QInputMethodEvent>
#include <QLineEdit>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QtTest>

#include <functional>

using namespace folders;
using Answer = MessageBoxes::Answer;

namespace {

const QString kTitle = MessageBoxes::programTitle;
const QString kAddTitle = u"ユリモカ"_qs;

struct Haiku
{
    QString poem;
    QString category;
};

// A notebook folder made by the store itself: these categories after 全部,
// these haiku in this order, each with a memo file.
void makeNotebook(const QString &dir, const QStringList &categories, const QList<Haiku> &haiku)
{
    Notebook nb(dir);
    QVERIFY(nb.startUp(windowDefaults(), kNow).fatal.isEmpty());
    // Numbered as if entered from the last up, after the welcome haiku's memo 1.
    const qint64 first = haiku.size() + 1;
    editContents(nb, [&](NotebookContents &c) {
        c.category_list = {QString(), u"全部"_qs};
        c.category_list.insert(c.category_list.end(), categories.begin(), categories.end());
        c.haiku_list.resize(1);
        const QString stamp = DataFiles::timeStamp(kNow, true);
        for (qsizetype k = 0; k < haiku.size(); ++k)
            c.haiku_list.push_back({u"2026/12/07"_qs, haiku[k].category, haiku[k].poem,
                                    TextLines::formatNumber(double(first - k)), stamp, stamp, u"NO"_qs});
        c.settings.last_memo_no.set(double(first));
    });
    for (qsizetype k = 0; k < haiku.size(); ++k)
        QVERIFY(!nb.writeMemo(first - k, u"メモ "_qs + haiku[k].poem));
    QVERIFY(nb.saveAll().isEmpty());
}

// That notebook loaded, with the editor open on it.
struct Editing
{
    explicit Editing(const QStringList &categories, const QList<Haiku> &haiku = {}) : nb(dir.path())
    {
        makeNotebook(dir.path(), categories, haiku);
        loaded = nb.startUp(windowDefaults(), kNow).fatal.isEmpty();
        before = bytesOf(dir.filePath(u"bunrui.dat"_qs));
        w = std::make_unique<F_bunrui>(nullptr, nb, Hints::Sink());
    }
    QTemporaryDir dir;
    Notebook nb;
    bool loaded = false;
    QByteArray before; // bunrui.dat when the editor opened
    MessageRecorder messages;
    std::unique_ptr<F_bunrui> w;
};

QStringList items(QObject &window)
{
    QStringList names;
    auto *list = ctl<QListWidget>(window, "List1");
    for (int i = 0; i < list->count(); ++i)
        names.append(list->item(i)->text());
    return names;
}

int selected(QObject &window)
{
    const QList<QListWidgetItem *> s = ctl<QListWidget>(window, "List1")->selectedItems();
    return s.isEmpty() ? -1 : ctl<QListWidget>(window, "List1")->row(s.first());
}

void choose(QObject &window, int item)
{
    ctl<QListWidget>(window, "List1")->setCurrentRow(item, QItemSelectionModel::ClearAndSelect);
}

void press(QObject &window, const char *button)
{
    ctl<QPushButton>(window, button)->click();
}

void add(QObject &window, const QString &name)
{
    ctl<QLineEdit>(window, "Text1")->setText(name);
    press(window, "Command6");
}

QStringList categoryFile(const QString &dir)
{
    QString text = Cp932::decode(bytesOf(dir + u"/bunrui.dat"_qs)).text;
    text.chop(2);
    return text.split(u"\r\n"_qs);
}

QStringList tail(const Notebook &nb)
{
    QStringList names;
    for (std::size_t k = 2; k < nb.categories().size(); ++k)
        names.append(nb.categories()[k]);
    return names;
}

QStringList poems(const Notebook &nb)
{
    QStringList p;
    for (std::size_t k = 1; k < nb.records().size(); ++k)
        p.append(nb.records()[k].poem);
    return p;
}

// Opens 分類の編集 from the main window's menu and runs act on the open editor.
void withEditor(Main_form &form, const std::function<void(F_bunrui &)> &act)
{
    QVERIFY(whileOpen<F_bunrui>(ctl<QAction>(form, "Menu_bunrui"), act));
}

void expectShown(const MessageRecorder &m, const QStringList &texts, const QString &title = kTitle)
{
    QStringList shown;
    for (const auto &r : m.shown) {
        shown.append(r.text);
        QCOMPARE(r.title, title);
    }
    QCOMPARE(shown, texts);
}

} // namespace

class TestBunrui : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase() { JapaneseFonts::install(); }

    void opensAtItsDesignLayoutOverTheMainWindow()
    {
        QTemporaryDir dir;
        MessageRecorder messages;
        Notebook nb(dir.path());
        Main_form form(nb);
        QVERIFY(form.Form_Load());
        form.show();
        QVERIFY(QTest::qWaitForWindowExposed(&form));
        QVERIFY(ctl<QAction>(form, "Menu_bunrui")->isEnabled());
        {
            // centred over the main window before it is shown and framed, its
            // title bar to come counted in
            F_bunrui placed(&form, nb, {});
            const QRect main = WindowFrame::outerRect(&form);
            const QSize own = WindowFrame::outerRect(&placed).size();
            QVERIFY(own.height() > placed.height());
            QCOMPARE(placed.pos(), QPoint(main.left() + (main.width() - own.width()) / 2,
                                          main.top() + (main.height() - own.height()) / 2));
        }
        withEditor(form, [&](F_bunrui &w) {
            QCOMPARE(w.windowTitle(), u"分類の整理"_qs);
            const QSize size(Twips::toPxX(4320, &w), Twips::toPxY(5100, &w));
            QCOMPARE(w.size(), size);
            QCOMPARE(w.minimumSize(), size);
            QCOMPARE(w.maximumSize(), size);
            QCOMPARE(w.palette().color(QPalette::Window), QColor(0xFF, 0xFF, 0xC0));
            QCOMPARE(w.font().family(), u"ＭＳ ゴシック"_qs);
            QCOMPARE(w.font().pointSizeF(), 9.75);
            auto *line = ctl<QFrame>(w, "Line1");
            QCOMPARE(line->palette().color(QPalette::Window), QColor(0x80, 0x80, 0x80));
            QCOMPARE(line->geometry(), Twips::rect(60, 540, 4140, 15, &w));
            const struct
            {
                const char *name;
                QString caption;
                QRect at;
            } buttons[] = {{"Command6", u"分類追加"_qs, Twips::rect(3000, 60, 1215, 435, &w)},
                           {"Command1", u"↑一つ上に"_qs, Twips::rect(3000, 660, 1215, 495, &w)},
                           {"Command2", u"↓一つ下に"_qs, Twips::rect(3000, 1260, 1215, 495, &w)},
                           {"Command3", u"分類削除"_qs, Twips::rect(3000, 1860, 1215, 495, &w)},
                           {"Command5", u"該当句削除"_qs, Twips::rect(3000, 2460, 1215, 495, &w)},
                           {"Command4", u"終了"_qs, Twips::rect(3000, 4500, 1215, 495, &w)}};
            for (const auto &b : buttons) {
                QCOMPARE(ctl<QPushButton>(w, b.name)->text(), b.caption);
                QCOMPARE(ctl<QPushButton>(w, b.name)->geometry(), b.at);
            }
            QCOMPARE(ctl<QLineEdit>(w, "Text1")->geometry(), Twips::rect(60, 60, 2835, 375, &w));
            QCOMPARE(ctl<QListWidget>(w, "List1")->geometry(), Twips::rect(60, 660, 2835, 4350, &w));
            // every category but the first, nothing chosen, an empty name box
            QCOMPARE(items(w), DataFiles::defaultCategories().mid(1));
            QCOMPARE(selected(w), -1);
            QCOMPARE(ctl<QLineEdit>(w, "Text1")->text(), QString());
        });
    }

    void onlyTheFirstCategory()
    {
        Editing e({});
        QVERIFY(e.loaded);
        F_bunrui &w = *e.w;
        QVERIFY(items(w).isEmpty());
        for (const char *b : {"Command1", "Command2", "Command3", "Command5"})
            press(w, b);
        expectShown(e.messages,
                    {u"上に移動する項目を選んでください"_qs, u"下に移動する項目を選んでください"_qs,
                     u"削除する項目を選んでください"_qs, u"句を削除する分類を選んでください"_qs});
        QCOMPARE(e.nb.category_count(), 1);
        // The first entry is not compared: a second 全部 is one the poet may change.
        e.messages.shown.clear();
        add(w, u"全部"_qs);
        QVERIFY(e.messages.shown.isEmpty());
        QCOMPARE(items(w), QStringList{u"全部"_qs});
        QCOMPARE(categoryFile(e.dir.path()), (QStringList{u"全部"_qs, u"全部"_qs}));

        // An empty category file: the first name added takes the first place,
        // which the list never shows; the list follows the entries after it.
        editContents(e.nb, [](NotebookContents &c) { c.category_list.resize(1); });
        F_bunrui empty(nullptr, e.nb, {});
        add(empty, u"全部"_qs);
        add(empty, u"桜"_qs);
        QCOMPARE(items(empty), QStringList{u"桜"_qs});
        QCOMPARE(tail(e.nb), items(empty));
    }

    void namesThatAreRefusedAndNamesThatAreNot()
    {
        Editing e({u"推敲未完"_qs, u"好きな句（春）"_qs});
        QVERIFY(e.loaded);
        F_bunrui &w = *e.w;
        auto &messages = e.messages;
        choose(w, 1);

        struct Refusal
        {
            QString name, text;
        };
        const Refusal refusals[] = {
            {QString(), u"追加する分類を入力してください。"_qs},
            {u"推敲未完"_qs, u"分類『推敲未完』はすでに存在します。"_qs},
            {u"花😀"_qs, u"分類名に、シフトJISで保存できない文字「😀」(U+1F600)が含まれています。"
                        u"その文字を別の文字に置き換えて下さい。"_qs},
            {u"波〜"_qs,
             u"分類名に、シフトJISで保存できない文字「〜」(U+301C)が含まれています。"
             u"その文字を別の文字に置き換えて下さい。「〜」の代わりに「～」を使えば保存できます。"_qs},
            {u"春\n夏"_qs, u"分類名に改行は入れられません。"_qs},
        };
        for (const Refusal &r : refusals) {
            messages.shown.clear();
            add(w, r.name);
            expectShown(messages, {r.text}, kAddTitle);
            QCOMPARE(ctl<QLineEdit>(w, "Text1")->text(), r.name); // kept to be corrected
        }
        QCOMPARE(e.nb.category_count(), 3);
        QCOMPARE(bytesOf(e.dir.filePath(u"bunrui.dat"_qs)), e.before);

        // A trailing blank, or half-width brackets, make another category;
        // each is written at once, appended, and the choice stays.
        messages.shown.clear();
        add(w, u"推敲未完 "_qs);
        add(w, u"好きな句(春)"_qs);
        QVERIFY(messages.shown.isEmpty());
        QCOMPARE(items(w),
                 (QStringList{u"推敲未完"_qs, u"好きな句（春）"_qs, u"推敲未完 "_qs, u"好きな句(春)"_qs}));
        QCOMPARE(categoryFile(e.dir.path()).mid(1), items(w));
        QCOMPARE(ctl<QLineEdit>(w, "Text1")->text(), QString());
        QCOMPARE(selected(w), 1);

        // Typed through an input method, as a poet types Japanese.
        auto *text = ctl<QLineEdit>(w, "Text1");
        QInputMethodEvent commit;
        commit.setCommitString(u"吟行"_qs);
        QApplication::sendEvent(text, &commit);
        press(w, "Command6");
        QCOMPARE(items(w).last(), u"吟行"_qs);
    }

    void theLimitIs999WithTheFirst()
    {
        QStringList many;
        for (int k = 2; k <= 998; ++k)
            many.append(u"分類%1"_qs.arg(k));
        Editing e(many);
        QVERIFY(e.loaded);
        add(*e.w, u"九百九十九"_qs);
        QVERIFY(e.messages.shown.isEmpty());
        QCOMPARE(e.nb.category_count(), 999);
        QCOMPARE(categoryFile(e.dir.path()).size(), 999);
        add(*e.w, u"千"_qs);
        expectShown(e.messages, {u"これ以上分類を登録できません。"_qs}, u"分類の数が限界(1000)を越えます"_qs);
        QCOMPARE(e.nb.category_count(), 999);
        QCOMPARE(items(*e.w).size(), 998);
        QCOMPARE(categoryFile(e.dir.path()).size(), 999);
    }

    void movesKeepTheMovedOneSelectedAndReachTheFileWithTheNextAddition()
    {
        Editing e({u"A"_qs, u"B"_qs, u"C"_qs});
        QVERIFY(e.loaded);
        F_bunrui &w = *e.w;
        Notebook &nb = e.nb;
        choose(w, 0);
        press(w, "Command1");
        choose(w, 2);
        press(w, "Command2");
        expectShown(e.messages, {u"これより上には移動できません"_qs, u"これより下には移動できません"_qs});
        QCOMPARE(tail(nb), (QStringList{u"A"_qs, u"B"_qs, u"C"_qs}));

        choose(w, 1);
        press(w, "Command1"); // B first
        QCOMPARE(items(w), (QStringList{u"B"_qs, u"A"_qs, u"C"_qs}));
        QCOMPARE(selected(w), 0);
        press(w, "Command2");
        press(w, "Command2"); // B last
        QCOMPARE(items(w), (QStringList{u"A"_qs, u"C"_qs, u"B"_qs}));
        QCOMPARE(selected(w), 2);
        QCOMPARE(nb.categories()[1], u"全部"_qs);
        QCOMPARE(tail(nb), items(w));
        QCOMPARE(bytesOf(e.dir.filePath(u"bunrui.dat"_qs)), e.before); // moves alone write nothing
        add(w, u"D"_qs);
        QCOMPARE(categoryFile(e.dir.path()), (QStringList{u"全部"_qs, u"A"_qs, u"C"_qs, u"B"_qs, u"D"_qs}));
    }

    void deletingACategoryKeepsItsHaiku()
    {
        Editing e({u"A"_qs, u"B"_qs}, {{u"句一"_qs, u"A"_qs}, {u"句二"_qs, u"B"_qs}});
        QVERIFY(e.loaded);
        F_bunrui &w = *e.w;
        Notebook &nb = e.nb;
        auto &messages = e.messages;
        choose(w, 0);
        messages.answers = {Answer::No};
        press(w, "Command3");
        QCOMPARE(messages.shown[0].text, u"分類『A』を本当に削除して良いですか?"_qs);
        QCOMPARE(messages.shown[0].title, kTitle);
        QCOMPARE(messages.shown[0].buttons, MessageBoxes::Buttons::YesNo);
        QCOMPARE(items(w), (QStringList{u"A"_qs, u"B"_qs}));

        press(w, "Command3"); // Yes
        QCOMPARE(items(w), QStringList{u"B"_qs});
        QCOMPARE(selected(w), -1);
        messages.shown.clear();
        press(w, "Command3");
        expectShown(messages, {u"削除する項目を選んでください"_qs});
        QCOMPARE(bytesOf(e.dir.filePath(u"bunrui.dat"_qs)), e.before);
        QCOMPARE(nb.records()[1].category, u"A"_qs);
        // Haiku refer to their category by name: added again, it has them back.
        add(w, u"A"_qs);
        const std::vector<int> shown = nb.find(u"A"_qs);
        QCOMPARE(shown.size(), std::size_t(1));
        QCOMPARE(nb.record(shown[0]).poem, u"句一"_qs);
    }

    void finishingRefillsTheFilter()
    {
        QTemporaryDir dir;
        makeNotebook(dir.path(), {u"A"_qs, u"B"_qs}, {{u"句一"_qs, u"A"_qs}, {u"句二"_qs, u"B"_qs}});
        MessageRecorder messages;
        Notebook nb(dir.path());
        Main_form form(nb);
        QVERIFY(form.Form_Load());
        auto *filter = ctl<QComboBox>(form, "Combo1");
        filter->setCurrentIndex(2);
        form.Combo1_Click();
        QCOMPARE(ctl<ListGrid>(form, "Grid1")->rows(), 3);
        withEditor(form, [&](F_bunrui &w) {
            choose(w, 1);
            press(w, "Command1");
            add(w, u"C"_qs);
            choose(w, 2);
            press(w, "Command3");
            press(w, "Command4");
        });
        QVERIFY(messages.shown.size() == 1); // the deletion's question only
        QCOMPARE(categoryFile(dir.path()), (QStringList{u"全部"_qs, u"B"_qs, u"A"_qs}));
        QCOMPARE(filter->count(), 3);
        QCOMPARE(filter->itemText(1), u"B"_qs);
        QCOMPARE(filter->currentText(), u"全部"_qs);
        QCOMPARE(ctl<ListGrid>(form, "Grid1")->rows(), 4); // heading, both haiku, the empty row
        QCOMPARE(ctl<ListGrid>(form, "Grid1")->row(), 1);
    }

    // Closing by the close box keeps the changes in memory only; the filter stays.
    void closeBoxWritesNothingAndLeavesTheFilter()
    {
        QTemporaryDir dir;
        makeNotebook(dir.path(), {u"A"_qs, u"B"_qs}, {{u"句一"_qs, u"A"_qs}});
        MessageRecorder messages;
        Notebook nb(dir.path());
        Main_form form(nb);
        QVERIFY(form.Form_Load());
        const Tree files = snapshot(dir.path());
        auto *filter = ctl<QComboBox>(form, "Combo1");
        filter->setCurrentIndex(1);
        form.Combo1_Click();
        withEditor(form, [&](F_bunrui &w) {
            choose(w, 1);
            press(w, "Command1");
            choose(w, 1);
            press(w, "Command3");
            w.close();
            QCOMPARE(w.result(), std::nullopt);
        });
        QCOMPARE(tail(nb), QStringList{u"B"_qs});
        sameFiles(snapshot(dir.path()), files);
        QCOMPARE(filter->count(), 3);
        QCOMPARE(filter->currentText(), u"A"_qs);
        QCOMPARE(ctl<ListGrid>(form, "Grid1")->rows(), 3);
    }

    void deletingTheHaikuOfACategory()
    {
        QTemporaryDir dir;
        makeNotebook(dir.path(), {u"X"_qs, u"Y"_qs, u"空"_qs},
                     {{u"A"_qs, u"X"_qs},
                      {u"B"_qs, u"Y"_qs},
                      {u"C"_qs, u"X"_qs},
                      {u"D"_qs, u"Y"_qs},
                      {u"E"_qs, u"X "_qs},
                      {u"F"_qs, u"XX"_qs},
                      {u"G"_qs, u"X"_qs}});
        MessageRecorder messages;
        Notebook nb(dir.path());
        Main_form form(nb);
        QVERIFY(form.Form_Load());
        auto memo = [&](int k) { return nb.memoPath(DataFiles::memoNumber(nb.records()[k].memo_no)); };
        const QString a = memo(1), b = memo(2), c = memo(3), d = memo(4);
        editContents(nb, [](NotebookContents &c) {
            c.haiku_list[7].memo_no = u"0"_qs;
        }); // G has no memo file of its own
        QVERIFY(put(nb.memoPath(0), "not G's"));
        QVERIFY(QDir().mkpath(dir.filePath(u"memo2"_qs)));
        const QString companion = dir.filePath(u"memo2/"_qs + QFileInfo(a).fileName().replace(1, 1, u'2'));
        QVERIFY(put(companion, "x"));
        const qint64 lastMemo = nb.lastMemoNo();

        auto *filter = ctl<QComboBox>(form, "Combo1");
        filter->setCurrentIndex(2); // Y
        form.Combo1_Click();
        ctl<QComboBox>(form, "Combo2")->setEditText(u"句"_qs);

        withEditor(form, [&](F_bunrui &w) {
            choose(w, 0);
            messages.answers = {Answer::No};
            press(w, "Command5");
            QCOMPARE(nb.haiku_count(), 7);
            QVERIFY(w.isVisible());
            press(w, "Command5");
            QVERIFY(!w.isVisible());
            QCOMPARE(w.result(), F_bunrui::Result::HaikuDeleted);
        });
        QCOMPARE(QGuiApplication::overrideCursor(), nullptr);
        QCOMPARE(messages.shown.size(), 2);
        QCOMPARE(messages.shown[1].text, u"■■　重要な注意事項です。良く読んで下さい　■■\n\n"
                                         u"削除した句を復活させる方法はありません。\n\n"
                                         u"選択した分類の全部の句を本当に削除して良いですか?"_qs);
        QCOMPARE(messages.shown[1].title, kTitle);
        QCOMPARE(messages.shown[1].buttons, MessageBoxes::Buttons::YesNo);

        QCOMPARE(poems(nb), (QStringList{u"B"_qs, u"D"_qs, u"E"_qs, u"F"_qs}));
        QCOMPARE(tail(nb), (QStringList{u"Y"_qs, u"空"_qs}));
        QVERIFY(!QFileInfo::exists(a));
        QVERIFY(!QFileInfo::exists(c));
        QVERIFY(!QFileInfo::exists(companion));
        QVERIFY(QFileInfo::exists(b));
        QVERIFY(QFileInfo::exists(d));
        QVERIFY(QFileInfo::exists(nb.memoPath(0)));
        QCOMPARE(nb.lastMemoNo(), lastMemo);
        Notebook again(dir.path());
        QVERIFY(again.startUp(windowDefaults(), kNow).problems.isEmpty());
        QCOMPARE(poems(again), poems(nb));
        QCOMPARE(categoryFile(dir.path()), (QStringList{u"全部"_qs, u"Y"_qs, u"空"_qs}));

        // The main window: every haiku that is left, nothing chosen, the filter as it was.
        QCOMPARE(form.windowTitle(), u"【ユリモカ】Ver.1.2 (4件)"_qs);
        auto *grid = ctl<ListGrid>(form, "Grid1");
        QCOMPARE(grid->rows(), 6);
        for (int r = 1; r <= 4; ++r)
            QCOMPARE(gridCell(grid, r, 2), poems(nb)[r - 1]);
        QCOMPARE(firstSelectedRow(grid), 0);
        QCOMPARE(filter->currentText(), u"Y"_qs);
        QCOMPARE(filter->itemText(1), u"X"_qs);
        QCOMPARE(ctl<QComboBox>(form, "Combo2")->currentText(), QString());
        QCOMPARE(ctl<QPlainTextEdit>(form, "Text2")->toPlainText(), QString());
        QCOMPARE(ctl<VerticalLabel>(form, "Label3")->text(), QString());

        // A category without haiku goes all the same, and both files are written.
        withEditor(form, [&](F_bunrui &w) {
            choose(w, 1);
            press(w, "Command5");
            QCOMPARE(w.result(), F_bunrui::Result::HaikuDeleted);
        });
        QCOMPARE(categoryFile(dir.path()), (QStringList{u"全部"_qs, u"Y"_qs}));
        QCOMPARE(nb.haiku_count(), 4);
    }

    void memoThatCannotBeDeletedKeepsItsHaikuAndIsNamed()
    {
        Editing e({u"X"_qs}, {{u"古池や"_qs, u"X"_qs}, {u"閑さや"_qs, u"X"_qs}});
        QVERIFY(e.loaded);
        Notebook &nb = e.nb;
        auto &messages = e.messages;
        // Something in the memo's place that no one can delete as a file, root neither.
        const QString stuck = nb.memoPath(DataFiles::memoNumber(nb.records()[1].memo_no));
        QVERIFY(QFile::remove(stuck));
        QVERIFY(QDir().mkpath(stuck + u"/inside"_qs));
        QList<bool> busy; // the busy pointer up as each message shows
        messages.onShow = [&](const auto &) { busy.append(QGuiApplication::overrideCursor() != nullptr); };
        choose(*e.w, 0);
        press(*e.w, "Command5");
        QCOMPARE(poems(nb), QStringList{u"古池や"_qs});
        QCOMPARE(messages.shown.size(), 2);
        QCOMPARE(busy, (QList<bool>{false, false}));
        QCOMPARE(QGuiApplication::overrideCursor(), nullptr);
        const QString name = u"memo1/"_qs + QFileInfo(stuck).fileName();
        QVERIFY2(messages.shown[1].text.startsWith(
                     u"メモのファイルを削除できなかったため、分類『X』の次の1句は削除せずに残しました。\n"
                     u"・古池や\n\n「"_qs +
                     name + u"」を削除できませんでした。"_qs),
                 qPrintable(messages.shown[1].text));
        Notebook again(e.dir.path());
        QVERIFY(again.startUp(windowDefaults(), kNow).problems.isEmpty());
        QCOMPARE(poems(again), QStringList{u"古池や"_qs});
    }

    // A folder where bunrui.dat should be: the write fails for root too.
    void failedWritesAreSaid()
    {
        Editing e({u"X"_qs, u"Y"_qs}, {{u"A"_qs, u"X"_qs}, {u"B"_qs, u"Y"_qs}});
        QVERIFY(e.loaded);
        const QString dir = e.dir.path();
        auto &messages = e.messages;
        QVERIFY(QFile::remove(dir + u"/bunrui.dat"_qs));
        QVERIFY(QDir().mkpath(dir + u"/bunrui.dat/x"_qs));
        const QString failed =
            u"「bunrui.dat」を保存できませんでした。\nファイルと同じ名前のフォルダがあります。\n"
            u"元のファイルはそのまま残っています。\n\n"
            u"句帳の内容は、すべてメモリ上に保持されています。"_qs;
        add(*e.w, u"Z"_qs);
        expectShown(messages, {failed});
        QCOMPARE(items(*e.w).last(), u"Z"_qs); // held in memory, written by the next save
        messages.shown.clear();
        press(*e.w, "Command4");
        expectShown(messages, {failed});
        QCOMPARE(e.w->result(), F_bunrui::Result::Finished);

        messages.shown.clear();
        F_bunrui w(nullptr, e.nb, {});
        choose(w, 0);
        QList<bool> busy;
        messages.onShow = [&](const auto &) { busy.append(QGuiApplication::overrideCursor() != nullptr); };
        press(w, "Command5"); // the haiku file is written, the category file is not
        QCOMPARE(messages.shown.size(), 2);
        QCOMPARE(messages.shown[1].text, failed);
        QCOMPARE(busy, (QList<bool>{false, false}));
        QCOMPARE(QGuiApplication::overrideCursor(), nullptr);
        Notebook again(dir);
        QVERIFY(QDir(dir + u"/bunrui.dat"_qs).removeRecursively());
        QVERIFY(again.startUp(windowDefaults(), kNow).fatal.isEmpty());
        QCOMPARE(poems(again), QStringList{u"B"_qs});
    }

    void hintsGoToTheMainWindow()
    {
        QTemporaryDir dir;
        Notebook nb(dir.path());
        QVERIFY(nb.startUp(windowDefaults(), kNow).fatal.isEmpty());
        QString hint;
        F_bunrui w(nullptr, nb, [&](const QString &text) { hint = text; });
        w.show();
        QVERIFY(QTest::qWaitForWindowExposed(&w));
        // through the window, as the window system delivers a move
        auto over = [&](QWidget *target, QPoint at = {}) {
            QTest::mouseMove(w.windowHandle(), target->mapTo(&w, at.isNull() ? target->rect().center() : at));
            return hint;
        };
        QCOMPARE(over(ctl<QPushButton>(w, "Command1")), u"選択した分類を、一つ上に移動します。"_qs);
        QCOMPARE(over(ctl<QPushButton>(w, "Command2")), u"選択した分類を、一つ下に移動します。"_qs);
        QCOMPARE(over(ctl<QPushButton>(w, "Command3")), u"選択した分類を削除します。(句は消えません）"_qs);
        QCOMPARE(over(ctl<QPushButton>(w, "Command4")), u"分類の整理を終了します。"_qs);
        QCOMPARE(over(ctl<QPushButton>(w, "Command5")), u"選択した分類の句を全部削除します。"_qs);
        QCOMPARE(over(ctl<QListWidget>(w, "List1")->viewport()), u"クリックして分類を選択して下さい。"_qs);
        // 分類追加 and the name box leave the hint as it was
        QCOMPARE(over(ctl<QPushButton>(w, "Command6")), u"クリックして分類を選択して下さい。"_qs);
        QCOMPARE(over(ctl<QLineEdit>(w, "Text1")), u"クリックして分類を選択して下さい。"_qs);
        QCOMPARE(over(&w, Twips::rect(3600, 3500, 15, 15, &w).topLeft()), u"分類の整理中です。"_qs);
        hint.clear();
        QCOMPARE(over(&w, Twips::rect(2000, 540, 15, 15, &w).topLeft()), u"分類の整理中です。"_qs);
    }
};

QTEST_MAIN(TestBunrui)
#include "tst_bunrui.moc"

#include "mainwin/Main_form.h"
#include "mainwin/ManualFile.h"
#include "onsu/Counter.h"
#include "store/Cp932.h"
#include "store/Notebook.h"
#include "support/Controls.h"
#include "support/DialogDriver.h"
#include "support/MessageRecorder.h"
#include "ui/ListGrid.h"
#include "ui/QuitSignals.h"
#include "ui/Twips.h"
#include "ui/VerticalLabel.h"

#include <QAbstractItemView>
#include <QAccessible>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScreen>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QtTest>

#include <csignal>

namespace {

QByteArray sjis(const QString &text)
{
    const Cp932::Encoded e = Cp932::encode(text);
    Q_ASSERT(e.ok());
    return e.bytes;
}

void writeFile(const QString &path, const QByteArray &bytes)
{
    QFile f(path);
    QVERIFY(f.open(QIODevice::WriteOnly));
    f.write(bytes);
}

QByteArray readFile(const QString &path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

QString record(const QString &date, const QString &category, const QString &poem, int memo,
               const QString &locked = QStringLiteral("NO"))
{
    return QStringLiteral("%1\r\n%2\r\n%3\r\n %4 \r\nc6/01/02 03:04:05\r\nc6/01/02 03:04:05\r\n%5\r\n")
        .arg(date, category, poem)
        .arg(memo)
        .arg(locked);
}

// A notebook folder as a poet brings it: code page 932, CR LF, a settings file
// whose numbers are not all in the form the program writes.
void writeNotebook(const QString &dir)
{
    QDir().mkpath(dir + QStringLiteral("/memo1"));
    writeFile(dir + QStringLiteral("/haiku.dat"),
              sjis(record(QStringLiteral("2026/04/01"), QStringLiteral("好きな句（春）"),
                          QStringLiteral("古池や蛙飛びこむ水の音"), 3) +
                   record(QStringLiteral("2026/04/02"), QStringLiteral("推敲未完"),
                          QStringLiteral("ひっそりとコーヒーの湯気①髙"), 7, QStringLiteral("YES")) +
                   record(QStringLiteral("2026/04/03"), QStringLiteral("好きな句(春)"),
                          QStringLiteral("半角括弧の分類"), 5) +
                   record(QStringLiteral("2026/04/04"), QStringLiteral("好きな句（春）"),
                          QStringLiteral("～春の海～"), 4)));
    writeFile(dir + QStringLiteral("/memo1/m1000003.txt"), sjis(QStringLiteral("池のほとり\r\n二行目\r\n")));
    writeFile(dir + QStringLiteral("/memo1/m1000007.txt"), sjis(QStringLiteral("秘密のメモ\r\n")));
    QStringList categories = {QStringLiteral("全部"), QStringLiteral("好きな句（春）"),
                              QStringLiteral("推敲未完"), QStringLiteral("誰も使わない分類")};
    writeFile(dir + QStringLiteral("/bunrui.dat"),
              sjis(categories.join(QStringLiteral("\r\n")) + QStringLiteral("\r\n")));
    QString keywords = QStringLiteral("春\r\n");
    for (int i = 1; i < 20; ++i)
        keywords += QStringLiteral("\r\n");
    writeFile(dir + QStringLiteral("/kensaku.dat"), sjis(keywords));
    writeFile(dir + QStringLiteral("/haiku.ini"),
              sjis(QStringLiteral(" 9 \r\n0\r\n 1500 \r\n 1200 \r\n 7500 \r\n 10500 \r\n 2295 \r\n"
                                  "ＭＳ 明朝\r\n全部\r\nＭＳ 明朝\r\n更新日\r\n 0 \r\n秘密\r\n")));
}

// A settings file whose lines 2 to 6 (state, top, left, height, width) are given.
void writeWindowSettings(const QString &dir, const QString &windowLines)
{
    writeFile(dir + QStringLiteral("/haiku.ini"),
              sjis(QStringLiteral(" 1 \r\n") + windowLines +
                   QStringLiteral("\r\n 2295 \r\nＭＳ 明朝\r\n全部\r\nＭＳ 明朝\r\n更新日\r\n 0 \r\n\r\n")));
}

// Clicks the poem cell of grid row r (rows counted with the heading).
void clickRow(QWidget &form, int r, bool twice = false)
{
    auto *grid = ctl<ListGrid>(form, "Grid1");
    const QPoint at = grid->visualRect(grid->model()->index(r - 1, 2)).center();
    QTest::mouseClick(grid->viewport(), Qt::LeftButton, {}, at);
    if (twice) { // the second press of a double click comes as the double click
        QTest::mouseDClick(grid->viewport(), Qt::LeftButton, {}, at);
        QTest::mouseRelease(grid->viewport(), Qt::LeftButton, {}, at);
    }
}

QString memoShown(QWidget &form)
{
    return ctl<QPlainTextEdit>(form, "Text2")->toPlainText();
}

QString poemShown(QWidget &form)
{
    return ctl<VerticalLabel>(form, "Label3")->text();
}

// Types into a dialog's password box and presses OK.
void answerPrompt(QDialog *d, const QString &password)
{
    auto *box = ctl<QLineEdit>(*d, "Text1");
    for (QChar c : password)
        QTest::sendKeyEvent(QTest::Click, box, Qt::Key_unknown, QString(c), {});
    QTest::mouseClick(ctl<QPushButton>(*d, "Command2"), Qt::LeftButton);
}

// A notebook folder opened in a shown main window, its message boxes and
// dialogs played by the test.
struct OpenNotebook
{
    explicit OpenNotebook(const std::function<void(const QString &)> &write = writeNotebook) : nb(dir.path())
    {
        write(dir.path());
        loaded = form.Form_Load();
        form.show();
        exposed = QTest::qWaitForWindowExposed(&form);
    }
    QTemporaryDir dir;
    MessageRecorder messages;
    DialogDriver driver;
    Notebook nb;
    Main_form form{nb};
    bool loaded = false;
    bool exposed = false;
};

const QString kRow1Poem = QStringLiteral("古池や蛙飛びこむ水の音");
const QString kLockedTate = QStringLiteral("ひっそりとコ｜ヒ｜の湯気①髙");
// Text typed through the input method: the commit of a finished conversion.
void commitText(QWidget *w, const QString &text)
{
    QInputMethodEvent e;
    e.setCommitString(text);
    QApplication::sendEvent(w, &e);
}

// Chooses line `line` of a combo box's list as the poet does with the
// keyboard: the list opened, the line highlighted, Enter.
void pickLine(QComboBox *combo, int line)
{
    combo->showPopup();
    QAbstractItemView *list = combo->view();
    QTRY_VERIFY(list->isVisible());
    list->setCurrentIndex(list->model()->index(line, 0));
    QTest::keyClick(list, Qt::Key_Return);
    QTRY_VERIFY(!list->isVisible());
    QCOMPARE(combo->currentIndex(), line);
}

// The poems of the list rows, without the empty last row.
QStringList listedPoems(ListGrid *grid)
{
    QStringList poems;
    for (int r = 1; r < grid->rows() - 1; ++r)
        poems << gridCell(grid, r, 2);
    return poems;
}

QStringList keywordLines(QComboBox *combo)
{
    QStringList lines;
    for (int i = 0; i < combo->count(); ++i)
        lines << combo->itemText(i);
    return lines;
}

// A notebook of plain haiku, each with a memo that names it.
void writePlainNotebook(const QString &dir, const QStringList &poems, const QStringList &keywords = {})
{
    QDir().mkpath(dir + QStringLiteral("/memo1"));
    QString haiku;
    for (int i = 0; i < poems.size(); ++i) {
        haiku +=
            record(QStringLiteral("2026/05/%1").arg(i + 1, 2, 10, QLatin1Char('0')),
                   i % 2 ? QStringLiteral("推敲未完") : QStringLiteral("好きな句（春）"), poems[i], i + 1);
        writeFile(dir + QStringLiteral("/memo1/m1%1.txt").arg(i + 1, 6, 10, QLatin1Char('0')),
                  sjis(QStringLiteral("メモ%1\r\n").arg(i + 1)));
    }
    writeFile(dir + QStringLiteral("/haiku.dat"), sjis(haiku));
    QString lines;
    for (int i = 0; i < 20; ++i)
        lines += keywords.value(i) + QStringLiteral("\r\n");
    writeFile(dir + QStringLiteral("/kensaku.dat"), sjis(lines));
}

// A main window over a notebook of plain haiku, not yet loaded.
struct PlainWindow
{
    explicit PlainWindow(const QStringList &poems, const QStringList &keywords = {})
        : nb(dir.path()), form(nb)
    {
        writePlainNotebook(dir.path(), poems, keywords);
    }
    QTemporaryDir dir;
    MessageRecorder messages;
    Notebook nb;
    Main_form form;
};

QStringList numberedKeywords()
{
    QStringList k;
    for (int i = 0; i < 20; ++i)
        k << QStringLiteral("語%1").arg(i);
    return k;
}

// The memo number of the haiku on list row r; 0 for any other row.
int shownMemo(const Notebook &nb, Main_form &form, int r)
{
    const int index = ctl<ListGrid>(form, "Grid1")->recordAt(r);
    return nb.hasRecord(index) ? int(DataFiles::memoNumber(nb.record(index).memo_no)) : 0;
}

} // namespace

class TestMainForm : public QObject
{
    Q_OBJECT

private slots:
    // First: no window before it has had the dictionary loaded.
    void poemLabelDescribesItsCount();
    void firstStartShowsTheWelcomeHaiku();
    void categoryFilterRebuildsTheList();
    void quitWritesAnUntouchedNotebookBackUnchanged();
    void failedSaveIsReportedAndTheWindowStaysOpen();
    void quitWithoutSavingIsAskedTwice();
    void quitKeepsAFileAnotherComputerChanged();
    void lockOfAnotherComputerIsAskedAbout();
    void unreadableNotebookEndsWithoutWriting();
    void maximisedWindowOpensMaximisedAtTheCentre();
    void placeOffEveryScreenIsNotUsed();
    void gridShowsRecordsOfTheNotebook();
    void cellTextNeverSplitsACharacter_data();
    void cellTextNeverSplitsACharacter();
    void terminationSignalAsksToQuit_data();
    void terminationSignalAsksToQuit();
    void menuBarHasEveryEntryInOrder();
    void bookletAndExportOpenFromTheMenu();
    void hintsFollowTheMouseAndTheFocus();
    void manualThatIsMissingIsSaidSo();
    void clickOnALockedRowAsksForThePassword_data();
    void clickOnALockedRowAsksForThePassword();
    void everyClickOnALockedRowAsksAgain();
    void doubleClickOnALockedRowOpensItForCorrection_data();
    void doubleClickOnALockedRowOpensItForCorrection();
    void sizingArrowOnlyOverTheGap_data();
    void sizingArrowOnlyOverTheGap();
    void moveInsideABoxBringsBackItsHint_data();
    void moveInsideABoxBringsBackItsHint();
    void manualFileIsTheFirstThatExists_data();
    void manualFileIsTheFirstThatExists();
    void keyboardShowsRowsWithoutAsking();
    void emptyLastRowAsksNothing();
    void longVowelMarkStandsAsABar();
    void searchListsThePoemsHoldingTheKeyword();
    void searchShowsRowOneWithoutAPassword();
    void keywordHistoryFollowsTypingAndPicking();
    void emptiedBoxReplacesTheFrontKeyword();
    void japaneseTypedThroughTheInputMethodIsSearched();
    void upAndDownMoveTheSelectedHaiku();
    void moveAmongTheRowsOfAFilter();
    void moveWithoutANeighbourChangesNothing();
    void moveUsesTheKeywordAsTyped();
    void moveTellsTwinPoemsApart();
    void orderAndHistorySurviveARestart();
};

void TestMainForm::firstStartShowsTheWelcomeHaiku()
{
    QTemporaryDir dir;
    MessageRecorder messages;
    Notebook nb(dir.path());
    Main_form form(nb);
    QVERIFY(form.Form_Load());

    QVERIFY(messages.shown.isEmpty());
    QCOMPARE(form.windowTitle(), QStringLiteral("【ユリモカ】Ver.1.2 (1件)"));
    QCOMPARE(ctl<ListGrid>(form, "Grid1")->rows(), 3); // heading, the welcome haiku, the empty last row
    QCOMPARE(gridCell(ctl<ListGrid>(form, "Grid1"), 0, 0), QStringLiteral("分類"));
    QCOMPARE(gridCell(ctl<ListGrid>(form, "Grid1"), 0, 1), QStringLiteral("年/月/日"));
    QCOMPARE(gridCell(ctl<ListGrid>(form, "Grid1"), 0, 2), QStringLiteral("句"));
    QCOMPARE(gridCell(ctl<ListGrid>(form, "Grid1"), 1, 0), QStringLiteral("作者より"));
    QCOMPARE(gridCell(ctl<ListGrid>(form, "Grid1"), 1, 1),
             QDate::currentDate().toString(QStringLiteral("yyyy/MM/dd")));
    QCOMPARE(gridCell(ctl<ListGrid>(form, "Grid1"), 1, 2), QStringLiteral("【ユリモカ】ご利用のお礼"));
    QCOMPARE(gridCell(ctl<ListGrid>(form, "Grid1"), 2, 2), QString());
    QCOMPARE(ctl<QComboBox>(form, "Combo1")->count(), 15);
    QCOMPARE(ctl<QComboBox>(form, "Combo1")->currentText(), QStringLiteral("全部"));
    QCOMPARE(ctl<QComboBox>(form, "Combo2")->count(), 20);
    QCOMPARE(ctl<QComboBox>(form, "Combo2")->currentText(), QString());
    QCOMPARE(ctl<VerticalLabel>(form, "Label3")->text(), QStringLiteral("【ユリモカ】ご利用のお礼"));
    // the memo of row 1 is not shown until the poet picks a row
    QCOMPARE(ctl<QPlainTextEdit>(form, "Text2")->toPlainText(), QString());
    QCOMPARE(ctl<QLineEdit>(form, "Text1")->text(), QString());
    QVERIFY(QFile::exists(dir.filePath(QStringLiteral("memo1/m1000001.txt"))));
}

void TestMainForm::categoryFilterRebuildsTheList()
{
    QTemporaryDir dir;
    writeNotebook(dir.path());
    MessageRecorder messages;
    Notebook nb(dir.path());
    Main_form form(nb);
    QVERIFY(form.Form_Load());
    QCOMPARE(form.windowTitle(), QStringLiteral("【ユリモカ】Ver.1.2 (4件)"));
    QCOMPARE(ctl<ListGrid>(form, "Grid1")->rows(), 6);
    QCOMPARE(ctl<QComboBox>(form, "Combo2")->itemText(0), QStringLiteral("春"));

    // Exact comparison: the half-width parentheses do not match the full-width ones.
    ctl<QComboBox>(form, "Combo2")->setEditText(QStringLiteral("春"));
    ctl<QComboBox>(form, "Combo1")->setCurrentIndex(1);
    form.Combo1_Click();
    QCOMPARE(ctl<ListGrid>(form, "Grid1")->rows(), 4);
    QCOMPARE(gridCell(ctl<ListGrid>(form, "Grid1"), 1, 2), QStringLiteral("古池や蛙飛びこむ水の音"));
    QCOMPARE(gridCell(ctl<ListGrid>(form, "Grid1"), 2, 2), QStringLiteral("～春の海～"));
    QCOMPARE(shownMemo(nb, form, 1), 3);
    QCOMPARE(shownMemo(nb, form, 2), 4);
    QCOMPARE(shownMemo(nb, form, 3), 0);
    QCOMPARE(ctl<ListGrid>(form, "Grid1")->row(), 1);
    QCOMPARE(firstSelectedRow(ctl<ListGrid>(form, "Grid1")), 1);
    QCOMPARE(lastSelectedRow(ctl<ListGrid>(form, "Grid1")), 1);
    QCOMPARE(ctl<QComboBox>(form, "Combo2")->currentText(), QString());
    QCOMPARE(ctl<QPlainTextEdit>(form, "Text2")->toPlainText(), QStringLiteral("池のほとり\n二行目"));
    QCOMPARE(form.windowTitle(), QStringLiteral("【ユリモカ】Ver.1.2 (4件)"));

    // A locked haiku on row 1: its poem shows, its memo does not; ー is written ｜.
    ctl<QComboBox>(form, "Combo1")->setCurrentIndex(2);
    form.Combo1_Click();
    QCOMPARE(ctl<ListGrid>(form, "Grid1")->rows(), 3);
    QCOMPARE(ctl<QPlainTextEdit>(form, "Text2")->toPlainText(), QString());
    QCOMPARE(ctl<VerticalLabel>(form, "Label3")->text(), QStringLiteral("ひっそりとコ｜ヒ｜の湯気①髙"));

    // A category nobody uses: heading and the empty row, nothing shown.
    ctl<QComboBox>(form, "Combo1")->setCurrentIndex(3);
    form.Combo1_Click();
    QCOMPARE(ctl<ListGrid>(form, "Grid1")->rows(), 2);
    QCOMPARE(ctl<ListGrid>(form, "Grid1")->shownCount(), 0);
    QCOMPARE(ctl<QPlainTextEdit>(form, "Text2")->toPlainText(), QString());
    QCOMPARE(ctl<VerticalLabel>(form, "Label3")->text(), QString());

    ctl<QComboBox>(form, "Combo1")->setCurrentIndex(0);
    form.Combo1_Click();
    QCOMPARE(ctl<ListGrid>(form, "Grid1")->rows(), 6);
    QCOMPARE(gridCell(ctl<ListGrid>(form, "Grid1"), 3, 0), QStringLiteral("好きな句(春)"));
    QVERIFY(messages.shown.isEmpty());
}

void TestMainForm::quitWritesAnUntouchedNotebookBackUnchanged()
{
    QTemporaryDir dir;
    writeNotebook(dir.path());
    const QStringList files = {QStringLiteral("haiku.ini"), QStringLiteral("haiku.dat"),
                               QStringLiteral("bunrui.dat"), QStringLiteral("kensaku.dat")};
    QList<QByteArray> before;
    for (const QString &f : files)
        before.append(readFile(dir.filePath(f)));

    MessageRecorder messages;
    Notebook nb(dir.path());
    Main_form form(nb);
    QVERIFY(form.Form_Load());
    ctl<QComboBox>(form, "Combo1")->setCurrentIndex(2);
    form.Combo1_Click(); // filtering changes nothing on disk
    form.Command9_Click();
    QVERIFY(form.hasQuit());
    QVERIFY(messages.shown.isEmpty());
    for (int i = 0; i < files.size(); ++i)
        QCOMPARE(readFile(dir.filePath(files[i])), before[i]);
}

void TestMainForm::failedSaveIsReportedAndTheWindowStaysOpen()
{
    QTemporaryDir dir;
    writeNotebook(dir.path());
    const QByteArray oldCategories = readFile(dir.filePath(QStringLiteral("bunrui.dat")));
    MessageRecorder messages;
    Notebook nb(dir.path());
    Main_form form(nb);
    QVERIFY(form.Form_Load());
    nb.swapCategories(2, 3); // a change that only the quit writes

    // A directory where the file should go makes the final rename fail, for root too.
    const QString blocked = dir.filePath(QStringLiteral("haiku.dat"));
    QVERIFY(QFile::rename(blocked, blocked + QStringLiteral(".moved")));
    QVERIFY(QDir().mkpath(blocked + QStringLiteral("/inside")));

    form.show();
    // Not again, and do not quit without saving: the window stays open.
    messages.answers = {MessageBoxes::Answer::No, MessageBoxes::Answer::No};
    QVERIFY(!form.close());
    QVERIFY(!form.hasQuit());
    QVERIFY(form.isVisible());
    QCOMPARE(messages.shown.size(), 2);
    QCOMPARE(messages.shown[0].icon, MessageBoxes::Icon::Critical);
    QCOMPARE(messages.shown[0].buttons, MessageBoxes::Buttons::YesNo);
    QCOMPARE(messages.shown[0].title, QStringLiteral("【ユリモカ】Ver.1.2"));
    QVERIFY(messages.shown[0].text.startsWith(QStringLiteral("「haiku.dat」を保存できませんでした。\n"
                                                             "ファイルと同じ名前のフォルダがあります。")));
    QVERIFY(messages.shown[0].text.contains(Notebook::stillHeld));
    QCOMPARE(messages.shown[1].buttons, MessageBoxes::Buttons::YesNo);
    QVERIFY(messages.shown[1].text.contains(QStringLiteral("本当に保存せずに終了しますか？")));
    // the other files were still written
    QVERIFY(readFile(dir.filePath(QStringLiteral("bunrui.dat"))) != oldCategories);

    // Asked to quit again while the failure is being told: no second save.
    messages.shown.clear();
    MessageBoxes::setHandler([&](const MessageBoxes::Request &r) {
        messages.shown.append(r);
        form.Menu_quit_Click();
        return MessageBoxes::Answer::No;
    });
    form.Command9_Click();
    QCOMPARE(messages.shown.size(), 2);
    QVERIFY(!form.hasQuit());

    // Room is made while the message is up; 「はい」 saves everything and quits.
    messages.shown.clear();
    MessageBoxes::setHandler([&](const MessageBoxes::Request &r) {
        messages.shown.append(r);
        QDir(blocked).removeRecursively();
        return MessageBoxes::Answer::Yes;
    });
    form.Menu_file_quit_Click();
    QVERIFY(form.hasQuit());
    QCOMPARE(messages.shown.size(), 1);
    QCOMPARE(readFile(blocked), readFile(blocked + QStringLiteral(".moved")));
}

void TestMainForm::quitWithoutSavingIsAskedTwice()
{
    QTemporaryDir dir;
    writeNotebook(dir.path());
    MessageRecorder messages;
    Notebook nb(dir.path());
    Main_form form(nb);
    QVERIFY(form.Form_Load());
    const QString blocked = dir.filePath(QStringLiteral("kensaku.dat"));
    QVERIFY(QFile::remove(blocked));
    QVERIFY(QDir().mkpath(blocked));
    messages.answers = {MessageBoxes::Answer::No, MessageBoxes::Answer::Yes};
    form.Command9_Click();
    QVERIFY(form.hasQuit());
    QCOMPARE(messages.shown.size(), 2);
    QVERIFY(QFileInfo(blocked).isDir()); // nothing forced into its place
}

void TestMainForm::quitKeepsAFileAnotherComputerChanged()
{
    QTemporaryDir dir;
    writeNotebook(dir.path());
    MessageRecorder messages;
    Notebook nb(dir.path());
    Main_form form(nb);
    QVERIFY(form.Form_Load());
    const QByteArray theirs = readFile(dir.filePath(QStringLiteral("haiku.dat"))) + "x\r\n";
    writeFile(dir.filePath(QStringLiteral("haiku.dat")), theirs);
    form.Command9_Click();
    QVERIFY(form.hasQuit()); // nothing lost, so nothing to ask
    QCOMPARE(messages.shown.size(), 1);
    QCOMPARE(messages.shown[0].buttons, MessageBoxes::Buttons::Ok);
    QVERIFY(messages.shown[0].text.contains(QStringLiteral("haiku.dat.conflict-")));
    QCOMPARE(readFile(dir.filePath(QStringLiteral("haiku.dat"))), theirs);
}

void TestMainForm::lockOfAnotherComputerIsAskedAbout()
{
    MessageRecorder messages;
    messages.answers = {MessageBoxes::Answer::Yes};
    QVERIFY(!Main_form::openDespiteLock(QStringLiteral("yama-no-pc")));
    QCOMPARE(messages.shown.size(), 1);
    QVERIFY(messages.shown[0].text.startsWith(
        QStringLiteral("この句帳は、別のパソコン「yama-no-pc」で開かれているようです。")));

    messages.shown.clear();
    messages.answers = {MessageBoxes::Answer::No, MessageBoxes::Answer::No};
    QVERIFY(!Main_form::openDespiteLock(QStringLiteral("yama-no-pc")));
    QCOMPARE(messages.shown.size(), 2);

    messages.shown.clear();
    messages.answers = {MessageBoxes::Answer::No, MessageBoxes::Answer::Yes};
    QVERIFY(Main_form::openDespiteLock(QStringLiteral("yama-no-pc")));
    QVERIFY(messages.shown[1].text.contains(QStringLiteral("本当にこのまま開きますか？")));
}

void TestMainForm::unreadableNotebookEndsWithoutWriting()
{
    QTemporaryDir dir;
    QVERIFY(QDir().mkpath(dir.filePath(QStringLiteral("haiku.dat"))));
    MessageRecorder messages;
    Notebook nb(dir.path());
    Main_form form(nb);
    QVERIFY(!form.Form_Load());
    QCOMPARE(messages.shown.size(), 1);
    QVERIFY(messages.shown[0].text.contains(QStringLiteral("「haiku.dat」を読み込めませんでした。")));
    QVERIFY(!QFile::exists(dir.filePath(QStringLiteral("haiku.ini"))));
    QVERIFY(!QFile::exists(dir.filePath(QStringLiteral("bunrui.dat"))));
}

void TestMainForm::maximisedWindowOpensMaximisedAtTheCentre()
{
    QTemporaryDir dir;
    writeWindowSettings(dir.path(), QStringLiteral(" 2 \r\n-60 \r\n-60 \r\n 12000 \r\n 20000 "));
    MessageRecorder messages;
    Notebook nb(dir.path());
    Main_form form(nb);
    QVERIFY(form.Form_Load());
    // the size it returns to is the design size, centred, not the one saved while maximised
    const QRect normal = form.geometry();
    form.showAsSaved();
    QVERIFY(form.isMaximized());
    const QRect screen = form.screen()->geometry();
    QVERIFY2(qAbs(normal.center().x() - screen.center().x()) < 20 &&
                 qAbs(normal.center().y() - screen.center().y()) < 30,
             qPrintable(QStringLiteral("normal %1,%2 %3x%4")
                            .arg(normal.x())
                            .arg(normal.y())
                            .arg(normal.width())
                            .arg(normal.height())));
    QVERIFY(normal.width() < Twips::toPxX(12000, &form));
}

void TestMainForm::placeOffEveryScreenIsNotUsed()
{
    QTemporaryDir dir;
    writeWindowSettings(dir.path(), QStringLiteral(" 0 \r\n 1500 \r\n 300000 \r\n 6975 \r\n 9450 "));
    MessageRecorder messages;
    Notebook nb(dir.path());
    Main_form form(nb);
    QVERIFY(form.Form_Load());
    QVERIFY(form.screen()->geometry().contains(form.geometry().center()));
    QCOMPARE(nb.settings().window_left.text(), QStringLiteral(" 300000 ")); // kept until the window moves
}

void TestMainForm::gridShowsRecordsOfTheNotebook()
{
    QTemporaryDir dir;
    Notebook nb(dir.path());
    // A damaged file can hold a poem of millions of characters: the cell
    // shows its start, the record keeps it whole.
    const QString huge(25 * 1024 * 1024, u'波'); // 50 MB
    const QString large(512 * 1024, u'波');      // 1 MB
    NotebookContents c;
    c.haiku_list = {{},
                    {u"2026/04/01"_qs, u"春"_qs, u"一句目"_qs, u" 1 "_qs, {}, {}, u"NO"_qs},
                    {u"2026/07/01"_qs, u"夏"_qs, huge, u" 2 "_qs, {}, {}, u"NO"_qs},
                    {u"2026/01/01"_qs, u"冬"_qs, large, u" 3 "_qs, {}, {}, u"NO"_qs}};
    nb.replaceContents(c);
    ListGrid grid(
        nb, {HaikuListModel::Field::Category, HaikuListModel::Field::Date, HaikuListModel::Field::Poem});
    grid.setHeading(2, u"句"_qs);
    grid.setRecords({3, 1, 2});
    QCOMPARE(grid.rows(), 5);
    QCOMPARE(gridCell(&grid, 0, 2), u"句"_qs);
    QCOMPARE(gridCell(&grid, 2, 0), u"春"_qs);
    QCOMPARE(gridCell(&grid, 2, 1), u"2026/04/01"_qs);
    QCOMPARE(gridCell(&grid, 4, 0), QString()); // the empty row stays last
    QCOMPARE(grid.recordAt(1), 3);
    QCOMPARE(grid.recordAt(4), 0);
    QCOMPARE(grid.recordAt(0), 0);
    for (int r : {1, 3}) {
        const QString cell = gridCell(&grid, r, 2);
        QCOMPARE(cell.size(), HaikuListModel::kCellLimit + 1);
        QVERIFY(cell.endsWith(u'…'));
    }
    QCOMPARE(nb.record(2).poem.size(), huge.size());

    grid.setSelectedRows(2, 2);
    grid.setRow(3);
    grid.setCol(2);
    QCOMPARE(firstSelectedRow(&grid), 2); // moving the current row leaves the highlight
    grid.setRecords({1});
    QCOMPARE(grid.row(), 2); // the current row stays within the shorter list
}

void TestMainForm::cellTextNeverSplitsACharacter_data()
{
    QTest::addColumn<QString>("field");
    QTest::addColumn<QString>("shown");
    const QString fits(HaikuListModel::kCellLimit, u'a');
    QTest::newRow("at the limit") << fits << fits;
    QTest::newRow("one over") << fits + u"b"_qs << fits + u"…"_qs;
    // a character outside the basic plane takes two places; it is not cut in half
    const QString before(HaikuListModel::kCellLimit - 1, u'a');
    QTest::newRow("pair across the limit") << before + u"𠮷𠮷"_qs << before + u"…"_qs;
}

void TestMainForm::cellTextNeverSplitsACharacter()
{
    QFETCH(QString, field);
    QFETCH(QString, shown);
    QCOMPARE(HaikuListModel::cellText(field), shown);
}

void TestMainForm::terminationSignalAsksToQuit_data()
{
    QTest::addColumn<int>("signal");
    QTest::newRow("SIGTERM") << SIGTERM;
    QTest::newRow("SIGHUP") << SIGHUP;
    QTest::newRow("SIGINT") << SIGINT;
}

void TestMainForm::terminationSignalAsksToQuit()
{
    QFETCH(int, signal);
    QuitSignals watcher;
    QSignalSpy spy(&watcher, &QuitSignals::quitRequested);
    ::raise(signal);
    QVERIFY(spy.wait(2000));
    QCOMPARE(spy.size(), 1);
}

void TestMainForm::menuBarHasEveryEntryInOrder()
{
    QTemporaryDir dir;
    Notebook nb(dir.path());
    Main_form form(nb);
    QStringList file;
    for (QAction *a : ctl<QMenu>(form, "Menu_file")->actions())
        file << (a->isSeparator() ? QStringLiteral("-") : a->text());
    QCOMPARE(file,
             (QStringList{"鍵の設定(&P)", "-", "縦書き用フォントの設定(&K)", "-", "選択した句の印刷(&K)",
                          "句集を作る…", "書き出し…", "-", "以前の状態に戻す…(&R)", "-", "終了(&Q)"}));
    QStringList bar;
    for (QAction *a : form.menuBar()->actions())
        bar << a->text();
    QCOMPARE(bar, (QStringList{"ﾌｧｲﾙ(&F)", "分類の編集(&B)", "使い方(&U)", "終了(&Q)"}));
    // Both quits can always be chosen.
    QVERIFY(ctl<QAction>(form, "Menu_quit")->isEnabled());
    QVERIFY(ctl<QAction>(form, "Menu_file_quit")->isEnabled());
}

void TestMainForm::bookletAndExportOpenFromTheMenu()
{
    QTemporaryDir dir;
    MessageRecorder messages;
    Notebook nb(dir.path());
    Main_form form(nb);
    QVERIFY(form.Form_Load());
    DialogDriver driver;
    QStringList titles;
    QStringList offered;
    const DialogDriver::Action look = [&](QDialog *d) {
        titles << d->windowTitle();
        auto *categories = ctl<QComboBox>(*d, "Combo1");
        for (int i = 0; i < categories->count(); ++i)
            offered << categories->itemText(i);
    };
    driver.actions = {look, look};
    ctl<QAction>(form, "Menu_kushu")->trigger();
    ctl<QAction>(form, "Menu_kakidasi")->trigger();
    QCOMPARE(driver.opened, (QStringList{"F_kushu", "F_kakidasi"}));
    QCOMPARE(titles, (QStringList{"句集を作る", "書き出し"}));
    // 全部, then the notebook's own categories, in both.
    QCOMPARE(offered, DataFiles::defaultCategories() + DataFiles::defaultCategories());
    QVERIFY(QDir(dir.path()).entryList({"句集_*", "書き出し_*"}).isEmpty()); // cancelled: nothing written
}

void TestMainForm::hintsFollowTheMouseAndTheFocus()
{
    QTemporaryDir dir;
    Notebook nb(dir.path());
    Main_form form(nb);
    QVERIFY(form.Form_Load());
    form.show();
    QVERIFY(QTest::qWaitForWindowExposed(&form));
    auto *hint = ctl<QLineEdit>(form, "Text1");
    QTest::mouseMove(ctl<QPushButton>(form, "Command6"));
    QTRY_COMPARE(hint->text(), QStringLiteral("新しい句を登録します。"));
    QTest::mouseMove(ctl<QPushButton>(form, "Command7"));
    QTRY_COMPARE(hint->text(), QStringLiteral("現在選択されている句を削除します。"));
    QTest::mouseMove(ctl<QPushButton>(form, "Command1"));
    QTRY_COMPARE(hint->text(), QStringLiteral("選択した句を一つ上に移動します。"));
    QTest::mouseMove(ctl<QPushButton>(form, "Command2"));
    QTRY_COMPARE(hint->text(), QStringLiteral("選択した句を一つ下に移動します。"));
    QTest::mouseMove(ctl<QPushButton>(form, "Command5"));
    QTRY_COMPARE(hint->text(), QStringLiteral("句の中に指定したキーワードが含まれるものを検索します。"));
    // Focus alone, without the mouse, shows a box's hint.
    ctl<QComboBox>(form, "Combo2")->setFocus();
    QTRY_COMPARE(hint->text(), QStringLiteral("検索に使用するキーワード(句の中の言葉）を入力して下さい。"));
    // The hint line hands the focus on to 登録 and cannot be typed into.
    QVERIFY(hint->isReadOnly());
    hint->setFocus();
    QTRY_VERIFY(ctl<QPushButton>(form, "Command6")->hasFocus());
}

void TestMainForm::manualThatIsMissingIsSaidSo()
{
    QTemporaryDir dir;
    Notebook nb(dir.path());
    Main_form form(nb);
    MessageRecorder messages;
    form.menu_tukaikata_Click();
    QCOMPARE(messages.shown.size(), 1);
    QCOMPARE(messages.shown[0].text,
             QStringLiteral("MANUAL.WRIファイルが無いので、使い方を表示できません。"));
    QCOMPARE(messages.shown[0].title, QStringLiteral("ユリモカ"));
}

void TestMainForm::clickOnALockedRowAsksForThePassword_data()
{
    QTest::addColumn<QString>("how");
    QTest::newRow("right password") << QStringLiteral("right");
    QTest::newRow("wrong password") << QStringLiteral("wrong");
    QTest::newRow("CANCEL") << QStringLiteral("cancel");
    QTest::newRow("Esc") << QStringLiteral("esc");
    QTest::newRow("closed by the window system") << QStringLiteral("close");
}

void TestMainForm::clickOnALockedRowAsksForThePassword()
{
    QFETCH(QString, how);
    OpenNotebook o;
    QVERIFY(o.loaded && o.exposed);
    clickRow(o.form, 1);
    QCOMPARE(memoShown(o.form), QStringLiteral("池のほとり\n二行目"));
    QVERIFY(o.messages.shown.isEmpty());

    QStringList memoWhileAsked;
    o.messages.onShow = [&](const MessageBoxes::Request &) { memoWhileAsked << memoShown(o.form); };
    o.driver.actions.append([&](QDialog *d) {
        memoWhileAsked << memoShown(o.form);
        QCOMPARE(ctl<QLineEdit>(o.form, "Text1")->text(),
                 QStringLiteral("鍵付きメモを表示・訂正するにはパスワードが必要です。"));
        if (how == u"right")
            answerPrompt(d, QStringLiteral("秘密"));
        else if (how == u"wrong")
            answerPrompt(d, QStringLiteral("秘密 "));
        else if (how == u"cancel")
            QTest::mouseClick(ctl<QPushButton>(*d, "Command1"), Qt::LeftButton);
        else if (how == u"esc")
            QTest::keyClick(ctl<QLineEdit>(*d, "Text1"), Qt::Key_Escape);
        else
            d->close();
    });
    clickRow(o.form, 2);
    // Nothing of the memo shows while the click waits to see whether a
    // second one makes it a double click.
    memoWhileAsked << memoShown(o.form);
    QTRY_COMPARE(o.driver.opened, QStringList{QStringLiteral("F_secpassin")});
    QCOMPARE(o.messages.shown[0].text, QStringLiteral("指定された句のメモには鍵がかかっています。"));
    QCOMPARE(o.messages.shown[0].title, QStringLiteral("【ユリモカ】Ver.1.2"));
    QCOMPARE(o.messages.shown[0].icon, MessageBoxes::Icon::None);
    // The memo box was emptied before the notice and stayed empty while asked.
    QVERIFY(memoWhileAsked.size() >= 3);
    QCOMPARE(memoWhileAsked.join(QString()), QString());
    if (how == u"right") {
        QCOMPARE(o.messages.shown.size(), 1);
        QCOMPARE(memoShown(o.form), QStringLiteral("秘密のメモ"));
        QCOMPARE(poemShown(o.form), kLockedTate);
        return;
    }
    if (how == u"wrong") {
        QCOMPARE(o.messages.shown.size(), 2);
        QCOMPARE(o.messages.shown[1].text, QStringLiteral("パスワードが間違っています。"));
        QCOMPARE(o.messages.shown[1].title, QStringLiteral("【ユリモカ】Ver.1.2"));
        QCOMPARE(o.messages.shown[1].icon, MessageBoxes::Icon::Critical);
    } else {
        QCOMPARE(o.messages.shown.size(), 1);
    }
    // Nothing of the locked haiku shows; the label keeps the poem it had.
    QCOMPARE(memoShown(o.form), QString());
    QCOMPARE(poemShown(o.form), kRow1Poem);
}

void TestMainForm::everyClickOnALockedRowAsksAgain()
{
    OpenNotebook o;
    QVERIFY(o.loaded && o.exposed);
    o.driver.actions.append([](QDialog *d) { answerPrompt(d, QStringLiteral("秘密")); });
    clickRow(o.form, 2);
    QTRY_COMPARE(memoShown(o.form), QStringLiteral("秘密のメモ"));

    // The right password opened that click only.
    o.driver.actions.append([&](QDialog *d) {
        QCOMPARE(memoShown(o.form), QString());
        d->reject();
    });
    clickRow(o.form, 2);
    QTRY_COMPARE(o.driver.opened.size(), 2);
    QCOMPARE(o.messages.shown.size(), 2);
    QCOMPARE(memoShown(o.form), QString());
    QCOMPARE(poemShown(o.form), kLockedTate);
    QVERIFY(o.driver.unexpected.isEmpty());
}

// A double click on a locked row is 編集: the notice and the password once,
// then the entry window with that haiku and its memo. The click's own
// question never comes, so the notice cannot take the second click.
void TestMainForm::doubleClickOnALockedRowOpensItForCorrection_data()
{
    QTest::addColumn<QString>("password");
    QTest::addColumn<QStringList>("opened");
    QTest::newRow("right password") << QStringLiteral("秘密") << QStringList{"F_secpassin", "F_kinyu"};
    QTest::newRow("wrong password") << QStringLiteral("ひみつ") << QStringList{"F_secpassin"};
}

void TestMainForm::doubleClickOnALockedRowOpensItForCorrection()
{
    QFETCH(QString, password);
    QFETCH(QStringList, opened);
    OpenNotebook o;
    QVERIFY(o.loaded && o.exposed);
    QString poemInWindow, memoInWindow;
    o.driver.actions.append([&](QDialog *d) { answerPrompt(d, password); });
    o.driver.actions.append([&](QDialog *d) {
        if (d->objectName() != u"F_kinyu")
            return; // a second prompt: noted in opened, and cancelled
        poemInWindow = ctl<QLineEdit>(*d, "Text2")->text();
        memoInWindow = ctl<QPlainTextEdit>(*d, "Text3")->toPlainText();
        d->reject();
    });
    clickRow(o.form, 2, true);
    // Long enough for a click's question to have come, had it been waiting.
    QTest::qWait(QApplication::doubleClickInterval() + 200);
    QCOMPARE(o.driver.opened, opened);
    QVERIFY(o.driver.unexpected.isEmpty());
    QCOMPARE(o.messages.shown.value(0).text, QStringLiteral("指定されたメモには鍵がかかっています。"));
    if (opened.size() == 2) {
        QCOMPARE(o.messages.shown.size(), 1);
        QCOMPARE(poemInWindow, QStringLiteral("ひっそりとコーヒーの湯気①髙"));
        QCOMPARE(memoInWindow, QStringLiteral("秘密のメモ"));
    } else {
        QCOMPARE(o.messages.shown.size(), 2);
        QCOMPARE(o.messages.shown[1].text, QStringLiteral("パスワードが間違っています。"));
    }
    // Cancelled or refused, the row shows again without its memo.
    QCOMPARE(memoShown(o.form), QString());
}

void TestMainForm::keyboardShowsRowsWithoutAsking()
{
    OpenNotebook o;
    QVERIFY(o.loaded && o.exposed);
    writeFile(o.dir.filePath(QStringLiteral("memo1/m1000004.txt")), sjis(QStringLiteral("海のメモ\r\n")));
    auto *grid = ctl<ListGrid>(o.form, "Grid1");
    clickRow(o.form, 1);

    struct Step
    {
        QKeyCombination key;
        int row;
        QString memo;
        QString poem;
    };
    const Step steps[] = {
        {Qt::Key_Down, 2, QString(), kLockedTate},                      // locked: the poem only
        {Qt::Key_Down, 3, QString(), QStringLiteral("半角括弧の分類")}, // its memo file is missing
        {Qt::Key_Down, 4, QStringLiteral("海のメモ"), QStringLiteral("～春の海～")},
        {Qt::Key_Down, 5, QString(), QString()}, // the empty last row
        {Qt::Key_Up, 4, QStringLiteral("海のメモ"), QStringLiteral("～春の海～")},
        {Qt::ControlModifier | Qt::Key_Home, 1, QStringLiteral("池のほとり\n二行目"), kRow1Poem},
        {Qt::ControlModifier | Qt::Key_End, 5, QString(), QString()},
    };
    for (const Step &s : steps) {
        QTest::keyClick(grid, s.key.key(), s.key.keyboardModifiers());
        QCOMPARE(grid->row(), s.row);
        QCOMPARE(memoShown(o.form), s.memo);
        QCOMPARE(poemShown(o.form), s.poem);
    }
    QVERIFY(o.driver.opened.isEmpty());
    QVERIFY(o.messages.shown.isEmpty());
}

void TestMainForm::emptyLastRowAsksNothing()
{
    OpenNotebook o;
    QVERIFY(o.loaded && o.exposed);
    // From four rows to one: row 2, now the empty row, held a haiku before.
    // Even a lock flag left in its slot asks nothing.
    ctl<QComboBox>(o.form, "Combo1")->setCurrentIndex(2);
    o.form.Combo1_Click();
    QCOMPARE(poemShown(o.form), kLockedTate);
    clickRow(o.form, 2);
    QVERIFY(o.driver.opened.isEmpty());
    QVERIFY(o.messages.shown.isEmpty());
    QCOMPARE(memoShown(o.form), QString());
    QCOMPARE(poemShown(o.form), QString());
}

void TestMainForm::longVowelMarkStandsAsABar()
{
    OpenNotebook o([](const QString &dir) {
        writeFile(dir + QStringLiteral("/haiku.dat"),
                  sjis(record(QStringLiteral("2026/05/01"), QStringLiteral("季語"),
                              QStringLiteral("ソーダ水ーーの泡"), 1) +
                       record(QStringLiteral("2026/05/02"), QStringLiteral("季語"),
                              QStringLiteral("長音のない句"), 2)));
    });
    QVERIFY(o.loaded && o.exposed);
    const QString bar = QStringLiteral("ソ｜ダ水｜｜の泡");
    QCOMPARE(poemShown(o.form), bar); // after the rebuild
    auto *label = ctl<VerticalLabel>(o.form, "Label3");
    clickRow(o.form, 2);
    QCOMPARE(poemShown(o.form), QStringLiteral("長音のない句"));
    clickRow(o.form, 1);
    QCOMPARE(poemShown(o.form), bar);
    QTest::keyClick(ctl<ListGrid>(o.form, "Grid1"), Qt::Key_Down);
    QTest::keyClick(ctl<ListGrid>(o.form, "Grid1"), Qt::Key_Up);
    QCOMPARE(poemShown(o.form), bar);
    // A screen reader hears the poem, and what the list and memo box hold.
    QAccessibleInterface *spoken = QAccessible::queryAccessibleInterface(label);
    QVERIFY(spoken);
    QCOMPARE(spoken->text(QAccessible::Name), bar);
    QCOMPARE(spoken->role(), QAccessible::StaticText);
    QCOMPARE(QAccessible::queryAccessibleInterface(ctl<ListGrid>(o.form, "Grid1"))->text(QAccessible::Name),
             QStringLiteral("句の一覧"));
    QCOMPARE(
        QAccessible::queryAccessibleInterface(ctl<QPlainTextEdit>(o.form, "Text2"))->text(QAccessible::Name),
        QStringLiteral("メモ"));
}

void TestMainForm::searchListsThePoemsHoldingTheKeyword()
{
    PlainWindow w({QStringLiteral("春の海ひねもす"), QStringLiteral("ハルの海"), QStringLiteral("Spring Sea"),
                   QStringLiteral("ＳＰＲＩＮＧ"), QStringLiteral("夏の海")});
    QVERIFY(w.form.Form_Load());
    Main_form &form = w.form;
    auto *grid = ctl<ListGrid>(form, "Grid1");
    auto *keyword = ctl<QComboBox>(form, "Combo2");

    keyword->setEditText(QStringLiteral("の海"));
    QTest::mouseClick(ctl<QPushButton>(form, "Command5"), Qt::LeftButton);
    QCOMPARE(listedPoems(grid), (QStringList{"春の海ひねもす", "ハルの海", "夏の海"}));
    QCOMPARE(gridCell(grid, 1, 0), QStringLiteral("好きな句（春）"));
    QCOMPARE(gridCell(grid, 1, 1), QStringLiteral("2026/05/01"));
    QCOMPARE(gridCell(grid, 4, 2), QString()); // the empty last row
    QCOMPARE(keyword->currentText(), QStringLiteral("の海"));

    // exact: case, width and kana count
    keyword->setEditText(QStringLiteral("spring"));
    form.Command5_Click();
    QCOMPARE(listedPoems(grid), QStringList());
    keyword->setEditText(QStringLiteral("Spring"));
    form.Command5_Click();
    QCOMPARE(listedPoems(grid), QStringList{"Spring Sea"});
    keyword->setEditText(QStringLiteral("はる"));
    form.Command5_Click();
    QCOMPARE(listedPoems(grid), QStringList());

    // with the category: only its haiku are searched
    ctl<QComboBox>(form, "Combo1")->setCurrentIndex(ctl<QComboBox>(form, "Combo1")->findText("推敲未完"));
    form.Combo1_Click();
    keyword->setEditText(QStringLiteral("の海"));
    form.Command5_Click();
    QCOMPARE(listedPoems(grid), QStringList{"ハルの海"});
    QCOMPARE(form.windowTitle(), QStringLiteral("【ユリモカ】Ver.1.2 (5件)"));

    // an empty keyword finds every haiku of the category
    keyword->setEditText(QString());
    form.Command5_Click();
    QCOMPARE(listedPoems(grid), (QStringList{"ハルの海", "ＳＰＲＩＮＧ"}));
    QVERIFY(w.messages.shown.isEmpty());
}

void TestMainForm::searchShowsRowOneWithoutAPassword()
{
    QTemporaryDir dir;
    writeNotebook(dir.path());
    MessageRecorder messages;
    Notebook nb(dir.path());
    Main_form form(nb);
    QVERIFY(form.Form_Load());
    auto *grid = ctl<ListGrid>(form, "Grid1");
    auto *memo = ctl<QPlainTextEdit>(form, "Text2");
    auto *poem = ctl<VerticalLabel>(form, "Label3");

    // an open haiku first: its memo shows
    ctl<QComboBox>(form, "Combo2")->setEditText(QStringLiteral("水の音"));
    form.Command5_Click();
    QCOMPARE(memo->toPlainText(), QStringLiteral("池のほとり\n二行目"));
    QCOMPARE(poem->text(), QStringLiteral("古池や蛙飛びこむ水の音"));

    // a locked first hit: only its poem, no password asked
    ctl<QComboBox>(form, "Combo2")->setEditText(QStringLiteral("コーヒー"));
    form.Command5_Click();
    QCOMPARE(grid->rows(), 3);
    QCOMPARE(grid->row(), 1);
    QCOMPARE(firstSelectedRow(grid), 1);
    QCOMPARE(lastSelectedRow(grid), 1);
    QCOMPARE(memo->toPlainText(), QString());
    QCOMPARE(poem->text(), QStringLiteral("ひっそりとコ｜ヒ｜の湯気①髙"));
    QVERIFY(messages.shown.isEmpty());

    // nothing found: the heading and the empty row, nothing on display, the keyword kept
    ctl<QComboBox>(form, "Combo2")->setEditText(QStringLiteral("見つからない"));
    form.Command5_Click();
    QCOMPARE(grid->rows(), 2);
    QCOMPARE(gridCell(grid, 0, 2), QStringLiteral("句"));
    QCOMPARE(ctl<ListGrid>(form, "Grid1")->shownCount(), 0);
    QCOMPARE(memo->toPlainText(), QString());
    QCOMPARE(poem->text(), QString());
    QCOMPARE(ctl<QComboBox>(form, "Combo2")->itemText(0), QStringLiteral("見つからない"));
    QVERIFY(messages.shown.isEmpty());
}

void TestMainForm::keywordHistoryFollowsTypingAndPicking()
{
    PlainWindow w({QStringLiteral("月の句")}, numberedKeywords());
    QVERIFY(w.form.Form_Load());
    Notebook &nb = w.nb;
    Main_form &form = w.form;
    form.show();
    QVERIFY(QTest::qWaitForWindowExposed(&form));
    auto *keyword = ctl<QComboBox>(form, "Combo2");
    QCOMPARE(keywordLines(keyword), numberedKeywords());
    QStringList expected = numberedKeywords();

    // picked line 5 and 検索: the line moves to the front
    pickLine(keyword, 5);
    QCOMPARE(keyword->currentText(), QStringLiteral("語5"));
    QTest::mouseClick(ctl<QPushButton>(form, "Command5"), Qt::LeftButton);
    expected.move(5, 0);
    QCOMPARE(keywordLines(keyword), expected);
    QCOMPARE(keyword->currentText(), QStringLiteral("語5"));

    // picked line 5 and Enter: Enter is typing, the text goes in front once more
    pickLine(keyword, 5);
    QCOMPARE(keyword->currentText(), QStringLiteral("語4"));
    QTest::keyClick(keyword, Qt::Key_Return);
    expected.prepend(QStringLiteral("語4"));
    expected.removeLast();
    QCOMPARE(keywordLines(keyword), expected);
    QCOMPARE(keyword->count(), 20);

    // the same word typed twice: two entries
    for (int i = 0; i < 2; ++i) {
        keyword->setFocus();
        keyword->lineEdit()->selectAll();
        QTest::keyClicks(keyword, "moon");
        QTest::keyClick(keyword, Qt::Key_Enter);
        expected.prepend(QStringLiteral("moon"));
        expected.removeLast();
    }
    QCOMPARE(keywordLines(keyword), expected);

    // a picked line edited by hand is typed text; moving about the box is not
    pickLine(keyword, 3);
    QTest::keyClick(keyword, Qt::Key_End);
    QTest::keyClick(keyword, Qt::Key_Shift);
    form.Command5_Click();
    expected.move(3, 0);
    QCOMPARE(keywordLines(keyword), expected);
    pickLine(keyword, 3);
    const QString picked = keyword->currentText();
    QTest::keyClick(keyword, Qt::Key_Backspace);
    form.Command5_Click();
    expected.prepend(picked.chopped(1));
    expected.removeLast();
    QCOMPARE(keywordLines(keyword), expected);

    // twenty-one typed keywords: the first of them has gone
    for (int i = 1; i <= 21; ++i) {
        keyword->lineEdit()->selectAll();
        QTest::keyClicks(keyword, QStringLiteral("w%1").arg(i));
        QTest::keyClick(keyword, Qt::Key_Return);
    }
    expected.clear();
    for (int i = 21; i >= 2; --i)
        expected << QStringLiteral("w%1").arg(i);
    QCOMPARE(keywordLines(keyword), expected);
    QCOMPARE(nb.keywords()[0], QStringLiteral("w21"));
    QVERIFY(w.messages.shown.isEmpty());
}

void TestMainForm::emptiedBoxReplacesTheFrontKeyword()
{
    PlainWindow w({QStringLiteral("月の句"), QStringLiteral("花の句"), QStringLiteral("雪の句")},
                  {QStringLiteral("花"), QStringLiteral("雪")});
    QVERIFY(w.form.Form_Load());
    Main_form &form = w.form;
    auto *grid = ctl<ListGrid>(form, "Grid1");
    auto *keyword = ctl<QComboBox>(form, "Combo2");
    // lines never filled are there, empty
    QCOMPARE(keywordLines(keyword), (QStringList{"花", "雪"} + QStringList(18)));

    // 検索 at once, the box untouched and empty: everything listed, slot 0 replaced
    form.Command5_Click();
    QCOMPARE(listedPoems(grid), (QStringList{"月の句", "花の句", "雪の句"}));
    QCOMPARE(keywordLines(keyword), (QStringList{"", "雪"} + QStringList(18)));

    keyword->setFocus();
    QTest::keyClicks(keyword, "x");
    keyword->setEditText(QStringLiteral("月"));
    form.Command5_Click();
    QCOMPARE(listedPoems(grid), QStringList{"月の句"});
    QCOMPARE(keywordLines(keyword), (QStringList{"月", "", "雪"} + QStringList(17)));

    // a category chosen empties the box; 検索 then puts the empty text in slot 0
    auto *category = ctl<QComboBox>(form, "Combo1");
    category->setCurrentIndex(category->findText(QStringLiteral("好きな句（春）")));
    form.Combo1_Click();
    QCOMPARE(keyword->currentText(), QString());
    form.Command5_Click();
    QCOMPARE(listedPoems(grid), (QStringList{"月の句", "雪の句"}));
    QCOMPARE(keywordLines(keyword), (QStringList{"", "", "雪"} + QStringList(17)));
}

void TestMainForm::japaneseTypedThroughTheInputMethodIsSearched()
{
    PlainWindow w({QStringLiteral("古池や"), QStringLiteral("ふるいけや")}, {QStringLiteral("古池")});
    QVERIFY(w.form.Form_Load());
    Main_form &form = w.form;
    auto *keyword = ctl<QComboBox>(form, "Combo2");

    // picked from the list, then replaced by a conversion: typed, so pushed in front
    pickLine(keyword, 0);
    keyword->lineEdit()->selectAll();
    commitText(keyword, QStringLiteral("ふるいけ"));
    QCOMPARE(keyword->currentText(), QStringLiteral("ふるいけ"));
    form.Command5_Click();
    QCOMPARE(listedPoems(ctl<ListGrid>(form, "Grid1")), QStringList{"ふるいけや"});
    QCOMPARE(keywordLines(keyword).mid(0, 3), (QStringList{"ふるいけ", "古池", ""}));

    // one character at a time, as keys that carry text
    keyword->lineEdit()->selectAll();
    for (QChar c : QStringLiteral("古池"))
        QTest::sendKeyEvent(QTest::Click, keyword, Qt::Key_unknown, QString(c), {});
    QTest::keyClick(keyword, Qt::Key_Return);
    QCOMPARE(listedPoems(ctl<ListGrid>(form, "Grid1")), QStringList{"古池や"});
    QCOMPARE(keywordLines(keyword).mid(0, 3), (QStringList{"古池", "ふるいけ", "古池"}));
}

void TestMainForm::upAndDownMoveTheSelectedHaiku()
{
    PlainWindow w({QStringLiteral("A"), QStringLiteral("B"), QStringLiteral("C")});
    QVERIFY(w.form.Form_Load());
    Notebook &nb = w.nb;
    Main_form &form = w.form;
    auto *grid = ctl<ListGrid>(form, "Grid1");
    auto *poem = ctl<VerticalLabel>(form, "Label3");
    const QString shown = poem->text();

    grid->setRow(2);
    grid->setSelectedRows(2, 2);
    QTest::mouseClick(ctl<QPushButton>(form, "Command1"), Qt::LeftButton);
    QCOMPARE(listedPoems(grid), (QStringList{"B", "A", "C"}));
    QCOMPARE(nb.records()[1].poem, QStringLiteral("B"));
    QCOMPARE(grid->row(), 1);
    QCOMPARE(firstSelectedRow(grid), 1);
    QCOMPARE(lastSelectedRow(grid), 1);
    QCOMPARE(shownMemo(nb, form, 1), 2);
    QCOMPARE(poem->text(), shown); // the display is left as it was

    // B back to row 2, then down: A, C, B
    QTest::mouseClick(ctl<QPushButton>(form, "Command2"), Qt::LeftButton);
    QCOMPARE(listedPoems(grid), (QStringList{"A", "B", "C"}));
    QCOMPARE(grid->row(), 2);
    form.Command2_Click();
    QCOMPARE(listedPoems(grid), (QStringList{"A", "C", "B"}));
    QCOMPARE(grid->row(), 3);
    QCOMPARE(firstSelectedRow(grid), 3);
    QCOMPARE(grid->col(), 2);
    QVERIFY(w.messages.shown.isEmpty());
}

void TestMainForm::moveAmongTheRowsOfAFilter()
{
    // A, X, C with X in another category
    PlainWindow w({QStringLiteral("A"), QStringLiteral("X"), QStringLiteral("C")});
    QVERIFY(w.form.Form_Load());
    Notebook &nb = w.nb;
    Main_form &form = w.form;
    auto *grid = ctl<ListGrid>(form, "Grid1");
    auto *category = ctl<QComboBox>(form, "Combo1");
    category->setCurrentIndex(category->findText(QStringLiteral("好きな句（春）")));
    form.Combo1_Click();
    QCOMPARE(listedPoems(grid), (QStringList{"A", "C"}));

    grid->setRow(2);
    form.Command1_Click();
    QCOMPARE(listedPoems(grid), (QStringList{"C", "A"}));
    QCOMPARE(grid->row(), 1);
    QCOMPARE(firstSelectedRow(grid), 1);
    QStringList order;
    for (std::size_t i = 1; i < nb.records().size(); ++i)
        order << nb.records()[i].poem;
    QCOMPARE(order, (QStringList{"C", "A", "X"}));
    QCOMPARE(category->currentText(), QStringLiteral("好きな句（春）"));
}

void TestMainForm::moveWithoutANeighbourChangesNothing()
{
    PlainWindow w({QStringLiteral("A"), QStringLiteral("B"), QStringLiteral("C")});
    QVERIFY(w.form.Form_Load());
    Notebook &nb = w.nb;
    Main_form &form = w.form;
    auto *grid = ctl<ListGrid>(form, "Grid1");
    QSignalSpy resets(grid->model(), &QAbstractItemModel::modelReset);
    const std::vector<Haiku_record> before = nb.records();

    const struct
    {
        int row;
        bool up;
    } cases[] = {{1, true}, {3, false}, {4, true}, {4, false}};
    for (const auto &c : cases) {
        grid->setRow(c.row);
        grid->setSelectedRows(c.row, c.row);
        if (c.up)
            form.Command1_Click();
        else
            form.Command2_Click();
        QVERIFY(nb.records() == before);
        QCOMPARE(listedPoems(grid), (QStringList{"A", "B", "C"}));
        QCOMPARE(grid->row(), c.row);
        QCOMPARE(firstSelectedRow(grid), c.row);
    }
    QCOMPARE(resets.size(), 0); // not even redrawn
    QVERIFY(w.messages.shown.isEmpty());
}

void TestMainForm::moveUsesTheKeywordAsTyped()
{
    PlainWindow w(
        {QStringLiteral("月一"), QStringLiteral("花"), QStringLiteral("月二"), QStringLiteral("雪")},
        {QStringLiteral("古い語")});
    QVERIFY(w.form.Form_Load());
    Notebook &nb = w.nb;
    Main_form &form = w.form;
    auto *grid = ctl<ListGrid>(form, "Grid1");
    auto *keyword = ctl<QComboBox>(form, "Combo2");
    keyword->setEditText(QStringLiteral("月"));
    form.Command5_Click();
    QCOMPARE(listedPoems(grid), (QStringList{"月一", "月二"}));
    const QStringList history = keywordLines(keyword);
    QSignalSpy resets(grid->model(), &QAbstractItemModel::modelReset);

    // the box emptied by hand, not searched: the move lists everything again
    keyword->setFocus();
    keyword->lineEdit()->selectAll();
    QTest::keyClick(keyword, Qt::Key_Delete);
    QCOMPARE(keyword->currentText(), QString());
    grid->setRow(2);
    form.Command1_Click();
    QCOMPARE(listedPoems(grid), (QStringList{"月二", "月一", "花", "雪"}));
    QCOMPARE(grid->row(), 1); // the moved haiku, still selected
    QCOMPARE(firstSelectedRow(grid), 1);
    QCOMPARE(resets.size(), 1);               // one model reset
    QCOMPARE(keywordLines(keyword), history); // the history is not touched
    QCOMPARE(keyword->currentText(), QString());

    // a typed keyword that hides the moved haiku: the row below is selected and shown
    keyword->setEditText(QStringLiteral("花"));
    grid->setRow(2); // 月一
    form.Command2_Click();
    QCOMPARE(listedPoems(grid), QStringList{"花"});
    QCOMPARE(grid->row(), 1);
    QCOMPARE(firstSelectedRow(grid), 1);
    QCOMPARE(ctl<VerticalLabel>(form, "Label3")->text(), QStringLiteral("花"));
    QCOMPARE(ctl<QPlainTextEdit>(form, "Text2")->toPlainText(), QStringLiteral("メモ2"));
    QStringList order;
    for (std::size_t i = 1; i < nb.records().size(); ++i)
        order << nb.records()[i].poem;
    QCOMPARE(order, (QStringList{"月二", "花", "月一", "雪"}));
}

void TestMainForm::moveTellsTwinPoemsApart()
{
    PlainWindow w({QStringLiteral("同じ句"), QStringLiteral("B"), QStringLiteral("同じ句")});
    QVERIFY(w.form.Form_Load());
    Notebook &nb = w.nb;
    Main_form &form = w.form;
    auto *grid = ctl<ListGrid>(form, "Grid1");
    grid->setRow(3); // the later twin, memo 3
    form.Command1_Click();
    QCOMPARE(listedPoems(grid), (QStringList{"同じ句", "同じ句", "B"}));
    QCOMPARE(grid->row(), 2);
    QCOMPARE(shownMemo(nb, form, 1), 1);
    QCOMPARE(shownMemo(nb, form, 2), 3);
    form.Command1_Click(); // past its twin
    QCOMPARE(shownMemo(nb, form, 1), 3);
    QCOMPARE(shownMemo(nb, form, 2), 1);
    QCOMPARE(grid->row(), 1);
    QCOMPARE(nb.haiku_count(), 3);
    QCOMPARE(nb.records()[3].poem, QStringLiteral("B"));
}

void TestMainForm::orderAndHistorySurviveARestart()
{
    QTemporaryDir dir;
    writePlainNotebook(dir.path(), {QStringLiteral("A"), QStringLiteral("B"), QStringLiteral("C")},
                       {QStringLiteral("古い語")});
    MessageRecorder messages;
    {
        Notebook nb(dir.path());
        Main_form form(nb);
        QVERIFY(form.Form_Load());
        auto *keyword = ctl<QComboBox>(form, "Combo2");
        keyword->setFocus();
        QTest::keyClicks(keyword, "C");
        QTest::keyClick(keyword, Qt::Key_Return);
        form.Combo1_Click(); // every haiku again
        ctl<ListGrid>(form, "Grid1")->setRow(3);
        form.Command1_Click();
        form.Command1_Click();
        form.Command9_Click();
        QVERIFY(form.hasQuit());
    }
    Notebook nb(dir.path());
    Main_form form(nb);
    QVERIFY(form.Form_Load());
    QCOMPARE(listedPoems(ctl<ListGrid>(form, "Grid1")), (QStringList{"C", "A", "B"}));
    QCOMPARE(keywordLines(ctl<QComboBox>(form, "Combo2")), (QStringList{"C", "古い語"} + QStringList(18)));
    QVERIFY(messages.shown.isEmpty());
}

// The main window never loads the dictionary itself; once the entry window
// has had it loaded, the poem label's description carries the poem's count.
void TestMainForm::poemLabelDescribesItsCount()
{
    OpenNotebook o;
    QVERIFY(o.loaded && o.exposed);
    QVERIFY(!Onsu::Counter::shared().isLoaded());
    QAccessibleInterface *label = QAccessible::queryAccessibleInterface(ctl<VerticalLabel>(o.form, "Label3"));
    QCOMPARE(poemShown(o.form), kRow1Poem);
    QCOMPARE(label->text(QAccessible::Description), QStringLiteral("選択した句（縦書き）"));
    QSignalSpy ready(&Onsu::Counter::shared(), &Onsu::Counter::ready);
    Onsu::Counter::shared().load();
    QVERIFY(ready.wait());
    QCOMPARE(label->text(QAccessible::Description), QStringLiteral("選択した句（縦書き）、5・7・5（17音）"));
    clickRow(o.form, 3);
    QCOMPARE(poemShown(o.form), QStringLiteral("半角括弧の分類"));
    QCOMPARE(label->text(QAccessible::Description),
             QStringLiteral("選択した句（縦書き）、4・4・4（12音・字足らず）"));
}

// The splitter's sizing arrow belongs to the gap: once the pointer has
// crossed it, the list and the poem show the normal pointer. (The memo box
// has its text cursor of its own, and a button passes the move on to the
// window's surface, which puts the pointer back.)
void TestMainForm::sizingArrowOnlyOverTheGap_data()
{
    QTest::addColumn<QString>("control");
    QTest::addColumn<int>("shape");
    QTest::newRow("list") << QStringLiteral("Grid1") << int(Qt::ArrowCursor);
    QTest::newRow("poem") << QStringLiteral("Label3") << int(Qt::ArrowCursor);
}

void TestMainForm::sizingArrowOnlyOverTheGap()
{
    QFETCH(QString, control);
    QFETCH(int, shape);
    OpenNotebook o;
    QVERIFY(o.loaded && o.exposed);
    QWidget *client = o.form.centralWidget();
    const QRect list = ctl<ListGrid>(o.form, "Grid1")->geometry();
    const QRect memo = ctl<QPlainTextEdit>(o.form, "Text2")->geometry();
    QTest::mouseMove(client, QPoint(list.center().x(), (list.bottom() + memo.top() + 1) / 2));
    QTRY_COMPARE(client->cursor().shape(), Qt::SizeVerCursor);

    auto *w = ctl<QWidget>(o.form, control.toLatin1().constData());
    if (auto *area = qobject_cast<QAbstractScrollArea *>(w))
        w = area->viewport();
    QTest::mouseMove(w, QPoint(5, 5));
    QCOMPARE(int(w->cursor().shape()), shape);
}

// A hint comes back when the mouse moves on inside its box after another
// control has written the hint line: the boxes see every move, not only
// the pointer's arrival.
void TestMainForm::moveInsideABoxBringsBackItsHint_data()
{
    QTest::addColumn<QString>("control");
    QTest::addColumn<QString>("hint");
    QTest::newRow("memo box") << QStringLiteral("Text2")
                              << QStringLiteral("メモの内容を表示します。書きかえる時は[編集]ボタン。");
    QTest::newRow("list") << QStringLiteral("Grid1")
                          << QStringLiteral("クリックで表示、ダブルクリックで編集");
}

void TestMainForm::moveInsideABoxBringsBackItsHint()
{
    QFETCH(QString, control);
    QFETCH(QString, hint);
    QCursor::setPos(0, 0); // away from where the window opens
    OpenNotebook o;
    QVERIFY(o.loaded && o.exposed);
    QVERIFY(QTest::qWaitForWindowActive(&o.form));
    auto *line = ctl<QLineEdit>(o.form, "Text1");
    // The hint line is empty at start, whichever box has the focus.
    QCOMPARE(line->text(), QString());
    QWidget *box = ctl<QAbstractScrollArea>(o.form, control.toLatin1().constData())->viewport();
    QTest::mouseMove(box, QPoint(20, 20));
    QTRY_COMPARE(line->text(), hint);
    ctl<QComboBox>(o.form, "Combo2")->setFocus(Qt::TabFocusReason);
    QTRY_COMPARE(line->text(), QStringLiteral("検索に使用するキーワード(句の中の言葉）を入力して下さい。"));
    QTest::mouseMove(box, QPoint(30, 25));
    QTRY_COMPARE(line->text(), hint);
}

// 使い方: manual.wri of the notebook folder first, then the manual shipped
// beside the program, then the installed one; only regular files.
void TestMainForm::manualFileIsTheFirstThatExists_data()
{
    QTest::addColumn<QStringList>("files"); // made under a temporary prefix
    QTest::addColumn<QStringList>("folders");
    QTest::addColumn<QString>("expected");
    const QString wri = QStringLiteral("notebook/manual.wri");
    const QString beside = QStringLiteral("bin/manual.html");
    const QString installed = QStringLiteral("share/doc/yurimoka/manual.html");
    QTest::newRow("none") << QStringList() << QStringList() << QString();
    QTest::newRow("installed") << QStringList{installed} << QStringList() << installed;
    QTest::newRow("beside the program") << QStringList{beside, installed} << QStringList() << beside;
    QTest::newRow("manual.wri") << QStringList{wri, beside, installed} << QStringList() << wri;
    QTest::newRow("manual.wri a folder") << QStringList{installed} << QStringList{wri} << installed;
    QTest::newRow("manual.html a folder") << QStringList() << QStringList{beside, installed} << QString();
}

void TestMainForm::manualFileIsTheFirstThatExists()
{
    QFETCH(QStringList, files);
    QFETCH(QStringList, folders);
    QFETCH(QString, expected);
    QTemporaryDir prefix;
    QDir root(prefix.path());
    QVERIFY(root.mkpath(QStringLiteral("notebook")) && root.mkpath(QStringLiteral("bin")));
    for (const QString &f : folders)
        QVERIFY(root.mkpath(f));
    for (const QString &f : files) {
        QVERIFY(root.mkpath(QFileInfo(root.filePath(f)).path()));
        writeFile(root.filePath(f), "<html></html>");
    }
    const QString found = ManualFile::find(root.filePath(QStringLiteral("notebook")) + u'/',
                                           root.filePath(QStringLiteral("bin")));
    QCOMPARE(found.isEmpty() ? QString() : QDir::cleanPath(root.relativeFilePath(found)), expected);
}

QTEST_MAIN(TestMainForm)
#include "tst_main_form.moc"

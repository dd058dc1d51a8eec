#include "mainwin/ListGrid.h"
#include "mainwin/Main_form.h"
#include "store/Cp932.h"
#include "store/Notebook.h"
#include "support/DialogDriver.h"
#include "support/MessageRecorder.h"
#include "ui/QuitSignals.h"
#include "ui/Twips.h"
#include "ui/VerticalLabel.h"

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

// A control of a window, found by its name as a test robot would find it.
template <typename T> T *ctl(QObject &window, const char *name)
{
    T *w = window.findChild<T *>(QLatin1String(name));
    if (!w)
        qFatal("no control %s", name);
    return w;
}

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

} // namespace

class TestMainForm : public QObject
{
    Q_OBJECT

private slots:
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
    void gridRowOperations();
    void terminationSignalAsksToQuit_data();
    void terminationSignalAsksToQuit();
    void menuBarHasEveryEntryInOrder();
    void hintsFollowTheMouseAndTheFocus();
    void manualThatIsMissingIsSaidSo();
    void clickOnALockedRowAsksForThePassword_data();
    void clickOnALockedRowAsksForThePassword();
    void everyClickOnALockedRowAsksAgain();
    void keyboardShowsRowsWithoutAsking();
    void emptyLastRowAsksNothing();
    void longVowelMarkStandsAsABar();
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
    QCOMPARE(ctl<ListGrid>(form, "Grid1")->cellText(0, 0), QStringLiteral("分類"));
    QCOMPARE(ctl<ListGrid>(form, "Grid1")->cellText(0, 1), QStringLiteral("年/月/日"));
    QCOMPARE(ctl<ListGrid>(form, "Grid1")->cellText(0, 2), QStringLiteral("句"));
    QCOMPARE(ctl<ListGrid>(form, "Grid1")->cellText(1, 0), QStringLiteral("作者より"));
    QCOMPARE(ctl<ListGrid>(form, "Grid1")->cellText(1, 1),
             QDate::currentDate().toString(QStringLiteral("yyyy/MM/dd")));
    QCOMPARE(ctl<ListGrid>(form, "Grid1")->cellText(1, 2), QStringLiteral("【ユリモカ】ご利用のお礼"));
    QCOMPARE(ctl<ListGrid>(form, "Grid1")->cellText(2, 2), QString());
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
    QCOMPARE(ctl<ListGrid>(form, "Grid1")->cellText(1, 2), QStringLiteral("古池や蛙飛びこむ水の音"));
    QCOMPARE(ctl<ListGrid>(form, "Grid1")->cellText(2, 2), QStringLiteral("～春の海～"));
    QCOMPARE(nb.row_memo_no[1], 3);
    QCOMPARE(nb.row_memo_no[2], 4);
    QCOMPARE(nb.row_memo_no[3], 0);
    QCOMPARE(ctl<ListGrid>(form, "Grid1")->row(), 1);
    QCOMPARE(ctl<ListGrid>(form, "Grid1")->selStartRow(), 1);
    QCOMPARE(ctl<ListGrid>(form, "Grid1")->selEndRow(), 1);
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
    QCOMPARE(nb.shown_count, 0);
    QCOMPARE(ctl<QPlainTextEdit>(form, "Text2")->toPlainText(), QString());
    QCOMPARE(ctl<VerticalLabel>(form, "Label3")->text(), QString());

    ctl<QComboBox>(form, "Combo1")->setCurrentIndex(0);
    form.Combo1_Click();
    QCOMPARE(ctl<ListGrid>(form, "Grid1")->rows(), 6);
    QCOMPARE(ctl<ListGrid>(form, "Grid1")->cellText(3, 0), QStringLiteral("好きな句(春)"));
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
    nb.category_list.push_back(QStringLiteral("新しい分類"));

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
    QCOMPARE(nb.settings.window_left.text(), QStringLiteral(" 300000 ")); // kept until the window moves
}

void TestMainForm::gridRowOperations()
{
    ListGrid grid;
    grid.setCols(3);
    grid.replaceRows(std::vector<QString>(3));
    QCOMPARE(grid.rows(), 2);

    grid.addItem(QStringLiteral("春\t2026/04/01\t一句目"), 1);
    grid.addItem(QStringLiteral("夏\t2026/07/01\t二句目"), 2);
    grid.addItem(QStringLiteral("冬\t2026/01/01\t先頭"), 1);
    QCOMPARE(grid.rows(), 5);
    QCOMPARE(grid.cellText(1, 2), QStringLiteral("先頭"));
    QCOMPARE(grid.cellText(2, 0), QStringLiteral("春"));
    QCOMPARE(grid.cellText(3, 1), QStringLiteral("2026/07/01"));
    QCOMPARE(grid.cellText(4, 0), QString()); // the empty row stays last

    grid.setSelectedRows(2, 2);
    grid.setRow(3);
    grid.setCol(2);
    QCOMPARE(grid.text(), QStringLiteral("二句目"));
    QCOMPARE(grid.selStartRow(), 2); // moving the current row leaves the highlight
    grid.setRow(0);
    grid.setText(QStringLiteral("句"));
    QCOMPARE(grid.cellText(0, 2), QStringLiteral("句"));

    grid.removeItem(1);
    QCOMPARE(grid.rows(), 4);
    QCOMPARE(grid.cellText(1, 2), QStringLiteral("一句目"));
    grid.removeItem(1);
    grid.removeItem(1);
    QCOMPARE(grid.rows(), 2);
    QCOMPARE(grid.cellText(1, 0), QString());
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
    QCOMPARE(file, (QStringList{"鍵の設定(&P)", "-", "縦書き用フォントの設定(&K)", "-",
                                "選択した句の印刷(&K)", "-", "終了(&Q)"}));
    QStringList bar;
    for (QAction *a : form.menuBar()->actions())
        bar << a->text();
    QCOMPARE(bar, (QStringList{"ﾌｧｲﾙ(&F)", "分類の編集(&B)", "使い方(&U)", "終了(&Q)"}));
    // Both quits can always be chosen.
    QVERIFY(ctl<QAction>(form, "Menu_quit")->isEnabled());
    QVERIFY(ctl<QAction>(form, "Menu_file_quit")->isEnabled());
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
    o.nb.pass_result = QStringLiteral("YES"); // left by an earlier prompt

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

    QCOMPARE(o.driver.opened, QStringList{QStringLiteral("F_secpassin")});
    QCOMPARE(o.messages.shown[0].text, QStringLiteral("指定された句のメモには鍵がかかっています。"));
    QCOMPARE(o.messages.shown[0].title, QStringLiteral("【ユリモカ】Ver.1.2"));
    QCOMPARE(o.messages.shown[0].icon, MessageBoxes::Icon::None);
    // The memo box was emptied before the notice and stayed empty while asked.
    QVERIFY(memoWhileAsked.size() >= 2);
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
    QCOMPARE(memoShown(o.form), QStringLiteral("秘密のメモ"));

    // The right password opened that click only.
    o.driver.actions.append([&](QDialog *d) {
        QCOMPARE(memoShown(o.form), QString());
        d->reject();
    });
    clickRow(o.form, 2);
    QCOMPARE(o.driver.opened.size(), 2);
    QCOMPARE(o.messages.shown.size(), 2);
    QCOMPARE(memoShown(o.form), QString());
    QCOMPARE(poemShown(o.form), kLockedTate);

    // A double click is the click, asking once, then the edit command.
    o.driver.actions.append([](QDialog *d) { answerPrompt(d, QStringLiteral("秘密")); });
    clickRow(o.form, 2, true);
    QCOMPARE(o.driver.opened.size(), 3);
    QCOMPARE(memoShown(o.form), QStringLiteral("秘密のメモ"));
    QVERIFY(o.driver.unexpected.isEmpty());
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
        QCOMPARE(o.nb.tate_text, s.poem);
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
    o.nb.row_locked[2] = QStringLiteral("YES");
    o.nb.row_memo_no[2] = 7;
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
    QCOMPARE(o.nb.tate_text, bar);
    QTest::keyClick(ctl<ListGrid>(o.form, "Grid1"), Qt::Key_Down);
    QTest::keyClick(ctl<ListGrid>(o.form, "Grid1"), Qt::Key_Up);
    QCOMPARE(poemShown(o.form), bar);
    // A screen reader hears the poem, and what the list and memo box hold.
    QAccessibleInterface *spoken = QAccessible::queryAccessibleInterface(label);
    QVERIFY(spoken);
    QCOMPARE(spoken->text(QAccessible::Name), o.nb.tate_text);
    QCOMPARE(spoken->role(), QAccessible::StaticText);
    QCOMPARE(QAccessible::queryAccessibleInterface(ctl<ListGrid>(o.form, "Grid1"))->text(QAccessible::Name),
             QStringLiteral("句の一覧"));
    QCOMPARE(
        QAccessible::queryAccessibleInterface(ctl<QPlainTextEdit>(o.form, "Text2"))->text(QAccessible::Name),
        QStringLiteral("メモ"));
}

QTEST_MAIN(TestMainForm)
#include "tst_main_form.moc"

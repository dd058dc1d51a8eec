#include "export/F_kakidasi.h"
#include "store/NotebookExport.h"
#include "support/Contents.h"
#include "support/Controls.h"
#include "support/Folders.h"
#include "support/MessageRecorder.h"

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QInputDialog>
#include <QJsonArray>
#include <QJsonDocument>
#include <QLineEdit>
#include <QProcess>
#include <QPushButton>
#include <QRadioButton>
#include <QTimer>
#include <QtTest>

using namespace folders;

namespace {

using Row = NotebookExport::Row;

// The rows a spreadsheet would show, as Python's csv module reads the file.
QList<QStringList> readByPython(const QString &csvFile)
{
    const QString script = QStringLiteral("import csv, json, sys\n"
                                          "with open(sys.argv[1], encoding='utf-8-sig', newline='') as f:\n"
                                          "    print(json.dumps(list(csv.reader(f, strict=True))))\n");
    QProcess python;
    python.start(QStandardPaths::findExecutable(QStringLiteral("python3")), {u"-c"_qs, script, csvFile});
    if (!python.waitForFinished(60000) || python.exitCode() != 0) {
        qWarning() << python.readAllStandardError();
        return {};
    }
    QList<QStringList> rows;
    for (const QJsonValue &row : QJsonDocument::fromJson(python.readAllStandardOutput()).array()) {
        QStringList cells;
        for (const QJsonValue &cell : row.toArray())
            cells.append(cell.toString());
        rows.append(cells);
    }
    return rows;
}

// A notebook of three haiku: a locked one with a memo, one with a memo, one
// whose memo file is missing.
const QString kSecret = u"秘密, \"本当\"\n二行目"_qs;
const QString kPassword = u"ひみつ"_qs;

void fill(Notebook &nb)
{
    editContents(nb, [](NotebookContents &c) {
        c.category_list = {QString(), u"全部"_qs, u"春"_qs, u"夏"_qs, u"冬"_qs};
    });
    const char *const rows[][3] = {{"春", "2026/03/01", "古池や蛙飛びこむ水の音"},
                                   {"夏", "2025/07/20", "夏草や兵どもが夢の跡"},
                                   {"春", "2026/04/05", "春の海終日のたりのたりかな"}};
    for (const auto &r : rows) {
        Haiku_record h;
        h.category = QString::fromUtf8(r[0]);
        h.date_text = QString::fromUtf8(r[1]);
        h.poem = QString::fromUtf8(r[2]);
        h.memo_no = QString::number(nb.haiku_count() + 1);
        h.locked = nb.haiku_count() == 0 ? Haiku_record::lockedYes : u"NO"_qs;
        editContents(nb, [&h](NotebookContents &c) { c.haiku_list.push_back(h); });
    }
    nb.setLockPassword(kPassword);
    QVERIFY(QDir(nb.folder()).mkpath(DataFiles::memoFolder));
    QVERIFY(!nb.writeMemo(1, kSecret));
    QVERIFY(!nb.writeMemo(2, u"夏のメモ"_qs));
}

QStringList exports(const QString &folder)
{
    return QDir(folder).entryList({u"書き出し_*"_qs});
}

// Answers the password prompt when it opens: with typed, or cancels it when
// typed is empty. Tells whether a prompt opened.
void answerPrompt(const QString &typed, bool *opened)
{
    QTimer::singleShot(0, [typed, opened] {
        auto *prompt = qobject_cast<QInputDialog *>(QApplication::activeModalWidget());
        if (!prompt)
            return;
        *opened = true;
        QCOMPARE(prompt->labelText(), u"鍵付きのメモを書き出すには、パスワードを入力して下さい。"_qs);
        QCOMPARE(prompt->textEchoMode(), QLineEdit::Password);
        if (typed.isEmpty()) {
            prompt->reject();
            return;
        }
        prompt->setTextValue(typed);
        prompt->accept();
    });
}

} // namespace

class TestExport : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();

    void csvReadsBackFieldForField();
    void textIsABlockAHaiku();
    void rowsReadTheMemosAllowed_data();
    void rowsReadTheMemosAllowed();

    void windowWritesWhatWasChosen_data();
    void windowWritesWhatWasChosen();
    void failedWriteLeavesNoFile();
};

void TestExport::initTestCase()
{
    QVERIFY2(!QStandardPaths::findExecutable(u"python3"_qs).isEmpty(), "python3 reads the CSV back");
}

void TestExport::csvReadsBackFieldForField()
{
    const std::vector<Row> rows{
        {u"2026/12/07"_qs, u"好きな句（春）"_qs, u"古池や、蛙飛びこむ「水」の音。"_qs,
         u"一行目,コンマ\n二行目 \"引用\" ①髙～ｷｰﾜｰﾄﾞ\n\n四行目"_qs, false},
        {u"２０２６／１２／７"_qs, u"ｶﾃｺﾞﾘ"_qs, u"秋深き,隣は\"何を\"する人ぞ"_qs, QString(), false},
        {u" 先頭の空白"_qs, u"末尾の空白 "_qs, u"\"引用符で始まる"_qs, u"末尾の改行\n"_qs, false},
        {u"不明"_qs, u"作者より"_qs, u"鍵付きの句"_qs, NotebookExport::lockedMemo, true},
    };
    const QByteArray bytes = NotebookExport::csv(rows);
    QVERIFY(bytes.startsWith("\xEF\xBB\xBF"));
    QVERIFY(bytes.mid(3).startsWith(u"年/月/日,分類,句,メモ,鍵\r\n"_qs.toUtf8()));
    QVERIFY(bytes.endsWith("\r\n"));
    // A row ends in CR LF; a line break inside a memo stays a bare line feed.
    QCOMPARE(bytes.count("\r\n"), qsizetype(rows.size() + 1));
    QCOMPARE(bytes.count('\r'), qsizetype(rows.size() + 1));

    QTemporaryDir dir;
    const QString file = dir.filePath(u"書き出し.csv"_qs);
    QVERIFY(put(file, bytes));
    const QList<QStringList> read = readByPython(file);
    QCOMPARE(read.size(), qsizetype(rows.size() + 1));
    QCOMPARE(read[0], (QStringList{u"年/月/日"_qs, u"分類"_qs, u"句"_qs, u"メモ"_qs, u"鍵"_qs}));
    for (std::size_t i = 0; i < rows.size(); ++i) {
        const Row &r = rows[i];
        QCOMPARE(read[qsizetype(i) + 1],
                 (QStringList{r.date_text, r.category, r.poem, r.memo, r.locked ? u"YES"_qs : u"NO"_qs}));
    }
    // Only a field that needs it is quoted.
    QVERIFY(bytes.contains(u"\r\n2026/12/07,好きな句（春）,"_qs.toUtf8()));
    QVERIFY(bytes.contains(u",\"秋深き,隣は\"\"何を\"\"する人ぞ\","_qs.toUtf8()));
}

void TestExport::textIsABlockAHaiku()
{
    const std::vector<Row> rows{{u"2026/12/07"_qs, u"春"_qs, u"古池や"_qs, u"一行目\n二行目"_qs, false},
                                {u"2025/07/20"_qs, u"夏"_qs, u"夏草や"_qs, QString(), false}};
    QCOMPARE(
        NotebookExport::text(rows),
        u"古池や\r\n2026/12/07　春\r\n一行目\r\n二行目\r\n\r\n夏草や\r\n2025/07/20　夏\r\n\r\n"_qs.toUtf8());
}

void TestExport::rowsReadTheMemosAllowed_data()
{
    QTest::addColumn<bool>("unlocked");
    QTest::addColumn<bool>("folderForMemo2");
    QTest::addColumn<QStringList>("memos");
    QTest::addColumn<int>("unreadable");
    QTest::newRow("locked memo left out")
        << false << false << QStringList{NotebookExport::lockedMemo, u"夏のメモ"_qs, QString()} << 0;
    QTest::newRow("password given") << true << false << QStringList{kSecret, u"夏のメモ"_qs, QString()} << 0;
    QTest::newRow("a folder where a memo should be")
        << true << true << QStringList{kSecret, NotebookExport::unreadableMemo, QString()} << 1;
}

void TestExport::rowsReadTheMemosAllowed()
{
    QFETCH(bool, unlocked);
    QFETCH(bool, folderForMemo2);
    QFETCH(QStringList, memos);
    QFETCH(int, unreadable);
    QTemporaryDir dir;
    Notebook nb(dir.path());
    fill(nb);
    if (folderForMemo2) {
        QVERIFY(QFile::remove(nb.memoPath(2)));
        QVERIFY(QDir().mkdir(nb.memoPath(2)));
    }
    int failed = -1;
    const std::vector<Row> rows = NotebookExport::rowsOf(nb, {1, 2, 3}, unlocked, &failed);
    QStringList got;
    for (const Row &r : rows)
        got.append(r.memo);
    QCOMPARE(got, memos);
    QCOMPARE(failed, unreadable);
    QVERIFY(rows[0].locked);
    QVERIFY(!rows[1].locked);
    QCOMPARE(rows[2].poem, u"春の海終日のたりのたりかな"_qs);
}

void TestExport::windowWritesWhatWasChosen_data()
{
    QTest::addColumn<bool>("csv");
    QTest::addColumn<QString>("category");
    QTest::addColumn<bool>("withLocked");
    QTest::addColumn<QString>("typed"); // empty: the prompt is cancelled
    QTest::addColumn<bool>("prompted");
    QTest::addColumn<QString>("message");   // how the message starts
    QTest::addColumn<QString>("firstMemo"); // the first haiku's memo in the file; empty: no file
    const QString written = u"3句を書き出しました。"_qs;
    QTest::newRow("csv, locked memos left out")
        << true << u"全部"_qs << false << QString() << false << written << NotebookExport::lockedMemo;
    QTest::newRow("csv, the right password")
        << true << u"全部"_qs << true << kPassword << true << written << kSecret;
    QTest::newRow("a wrong password writes nothing")
        << true << u"全部"_qs << true << u"ひみつ "_qs << true
        << u"パスワードが間違っています。\n何も書き出しませんでした。"_qs << QString();
    QTest::newRow("the prompt cancelled writes nothing")
        << true << u"全部"_qs << true << QString() << true << QString() << QString();
    QTest::newRow("no locked haiku in the category: no prompt")
        << true << u"夏"_qs << true << QString() << false << u"1句を書き出しました。"_qs << u"夏のメモ"_qs;
    QTest::newRow("a category without haiku writes nothing")
        << true << u"冬"_qs << true << QString() << false
        << u"この分類には句がありません。何も書き出しませんでした。"_qs << QString();
    QTest::newRow("text, the right password")
        << false << u"春"_qs << true << kPassword << true << u"2句を書き出しました。"_qs << kSecret;
}

void TestExport::windowWritesWhatWasChosen()
{
    QFETCH(bool, csv);
    QFETCH(QString, category);
    QFETCH(bool, withLocked);
    QFETCH(QString, typed);
    QFETCH(bool, prompted);
    QFETCH(QString, message);
    QFETCH(QString, firstMemo);
    QTemporaryDir dir;
    Notebook nb(dir.path());
    fill(nb);
    MessageRecorder messages;
    messages.answers = {MessageBoxes::Answer::No};
    F_kakidasi window(nullptr, nb);
    QCOMPARE(window.windowTitle(), u"書き出し"_qs);
    QVERIFY(ctl<QRadioButton>(window, "Option1")->isChecked()); // CSV unless chosen otherwise
    QCOMPARE(ctl<QComboBox>(window, "Combo1")->itemText(0), u"全部"_qs);
    ctl<QComboBox>(window, "Combo1")->setCurrentText(category);
    ctl<QRadioButton>(window, csv ? "Option1" : "Option2")->setChecked(true);
    ctl<QCheckBox>(window, "Check1")->setChecked(withLocked);
    bool opened = false;
    answerPrompt(typed, &opened);
    window.Command1_Click();
    QApplication::processEvents(); // a prompt that never opened leaves its timer behind
    QCOMPARE(opened, prompted);

    if (message.isEmpty()) {
        QVERIFY(messages.shown.isEmpty());
    } else {
        QCOMPARE(messages.shown.size(), 1);
        QVERIFY2(messages.shown[0].text.startsWith(message), qPrintable(messages.shown[0].text));
    }
    if (firstMemo.isEmpty()) {
        QVERIFY(exports(dir.path()).isEmpty());
        QVERIFY(!window.written());
        return;
    }
    QCOMPARE(exports(dir.path()).size(), 1);
    const QString file = *window.written();
    QCOMPARE(QFileInfo(file).suffix(), csv ? u"csv"_qs : u"txt"_qs);
    QVERIFY(messages.shown[0].text.endsWith(u"\n%1\n\nこのファイルを開きますか？"_qs.arg(file)));
    if (csv) {
        const QList<QStringList> read = readByPython(file);
        QCOMPARE(read.value(1).value(3), firstMemo);
        QCOMPARE(read.value(1).value(4), category == u"夏"_qs ? u"NO"_qs : u"YES"_qs);
    } else {
        const QString text = QString::fromUtf8(bytesOf(file));
        QVERIFY(text.startsWith(u"古池や蛙飛びこむ水の音\r\n2026/03/01　春\r\n"_qs +
                                QString(firstMemo).replace(u"\n"_qs, u"\r\n"_qs)));
        QVERIFY(!text.contains(u"夏草や"_qs));
    }
}

void TestExport::failedWriteLeavesNoFile()
{
    SmallDisk disk("size=256k");
    if (!disk.ok())
        QSKIP(qPrintable(disk.reason()));
    Notebook nb(disk.path());
    fill(nb);
    QVERIFY(disk.makeReadOnly());
    MessageRecorder messages;
    F_kakidasi window(nullptr, nb);
    window.Command1_Click();
    QCOMPARE(messages.shown.size(), 1);
    QCOMPARE(messages.shown[0].icon, MessageBoxes::Icon::Critical);
    const QRegularExpression said(
        QRegularExpression::escape(u"「"_qs + disk.path()) +
        u"/書き出し_\\d{4}-\\d\\d-\\d\\d_\\d{4}\\.csv」を保存できませんでした。\n"
        u"保存先が読み取り専用のディスク（ファイルシステム）です。\nファイルは作られていません。$"_qs);
    QVERIFY2(said.match(messages.shown[0].text).hasMatch(), qPrintable(messages.shown[0].text));
    QVERIFY(exports(disk.path()).isEmpty());
    QVERIFY(!window.written());
}

QTEST_MAIN(TestExport)
#include "tst_export.moc"

#include "lock/F_keyset.h"
#include "lock/F_secpassin.h"
#include "mainwin/Main_form.h"
#include "store/Cp932.h"
#include "store/Notebook.h"
#include "support/Controls.h"
#include "support/DialogDriver.h"
#include "support/MessageRecorder.h"
#include "ui/Twips.h"
#include "ui/WindowFrame.h"

#include <QDir>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTemporaryDir>
#include <QtTest>

namespace {

const QString kData = QStringLiteral(YURIMOKA_TEST_DATA);

// Types as a poet would, one character at a time: key events carry any
// text, where QTest::keyClicks stops at the first non-ASCII character.
void type(QWidget *w, const QString &text)
{
    for (qsizetype i = 0; i < text.size(); ++i) {
        const qsizetype len = text[i].isHighSurrogate() ? 2 : 1;
        QTest::sendKeyEvent(QTest::Click, w, Qt::Key_unknown, text.mid(i, len), {});
        i += len - 1;
    }
}

void enterPassword(QDialog *d, const QString &text)
{
    auto *box = ctl<QLineEdit>(*d, "Text1");
    box->clear();
    type(box, text);
}

void copyFolder(const QString &from, const QString &to)
{
    QDir().mkpath(to);
    for (const QFileInfo &fi : QDir(from).entryInfoList(QDir::Files | QDir::Dirs | QDir::NoDotAndDotDot)) {
        if (fi.isDir())
            copyFolder(fi.filePath(), to + u'/' + fi.fileName());
        else
            QFile::copy(fi.filePath(), to + u'/' + fi.fileName());
    }
}

QStringList settingsLines(const QString &dir)
{
    QFile f(dir + QStringLiteral("/haiku.ini"));
    if (!f.open(QIODevice::ReadOnly))
        return {};
    return Cp932::decode(f.readAll()).text.split(QStringLiteral("\r\n"));
}

// A notebook with a password, its message boxes and dialogs played by the test.
struct Locked
{
    explicit Locked(const QString &password) : nb(dir.path()) { nb.setLockPassword(password); }
    QTemporaryDir dir;
    Notebook nb;
    MessageRecorder messages;
    DialogDriver driver;
};

} // namespace

class TestLock : public QObject
{
    Q_OBJECT

private slots:
    // The store, without windows.
    void passwordComparisonIsExact_data();
    void passwordComparisonIsExact();
    void unstorablePasswordIsRefused_data();
    void unstorablePasswordIsRefused();
    void onlyHaikuRowsCanBeLocked();

    // The prompt.
    void promptOpensCentredWithItsLook();
    void promptAnswers_data();
    void promptAnswers();

    // The setting dialog.
    void settingGoesThroughBothStages();
    void cancelAtStage2KeepsTheOldPassword_data();
    void cancelAtStage2KeepsTheOldPassword();
    void emptyPasswordRemovesTheLock();
    void unstorableNewPasswordIsRefusedAtStage2();
    void newPasswordSurvivesAQuitAndAStart();
};

void TestLock::passwordComparisonIsExact_data()
{
    QTest::addColumn<QString>("password");
    QTest::addColumn<QString>("typed");
    QTest::addColumn<bool>("matches");
    QTest::newRow("same") << u"Abc"_qs << u"Abc"_qs << true;
    QTest::newRow("case") << u"Abc"_qs << u"abc"_qs << false;
    QTest::newRow("full width") << u"Abc"_qs << u"Ａｂｃ"_qs << false;
    QTest::newRow("trailing blank") << u"Abc"_qs << u"Abc "_qs << false;
    QTest::newRow("leading blank kept") << u" Abc"_qs << u" Abc"_qs << true;
    QTest::newRow("Japanese") << u"髙①～"_qs << u"髙①～"_qs << true;
    QTest::newRow("none set, empty") << QString() << QString() << true;
    QTest::newRow("none set, a blank") << QString() << u" "_qs << false;
    QTest::newRow("none set, anything") << QString() << u"x"_qs << false;
}

void TestLock::passwordComparisonIsExact()
{
    QFETCH(QString, password);
    QFETCH(QString, typed);
    QFETCH(bool, matches);
    QTemporaryDir dir;
    Notebook nb(dir.path());
    QCOMPARE(nb.setLockPassword(password), QString());
    QCOMPARE(nb.passwordMatches(typed), matches);
}

void TestLock::unstorablePasswordIsRefused_data()
{
    QTest::addColumn<QString>("password");
    QTest::addColumn<QString>("named"); // what the message must name
    QTest::newRow("emoji") << u"鍵😀"_qs << u"😀"_qs;
    QTest::newRow("wave dash U+301C") << u"a〜b"_qs << u"U+301C"_qs;
    QTest::newRow("yen sign") << u"¥100"_qs << u"U+00A5"_qs;
    QTest::newRow("line feed") << u"ab\ncd"_qs << u"改行"_qs;
    QTest::newRow("carriage return") << u"ab\rcd"_qs << u"改行"_qs;
}

void TestLock::unstorablePasswordIsRefused()
{
    QFETCH(QString, password);
    QFETCH(QString, named);
    QTemporaryDir dir;
    Notebook nb(dir.path());
    nb.setLockPassword(u"古い鍵"_qs);
    const QString reason = nb.setLockPassword(password);
    QVERIFY2(reason.contains(named), qPrintable(reason));
    QVERIFY(reason.contains(u"パスワード"_qs));
    QCOMPARE(nb.settings().lock_password, u"古い鍵"_qs);
    // What the code page holds is taken as it is.
    QCOMPARE(nb.setLockPassword(u"髙①～ ｷｰ "_qs), QString());
    QCOMPARE(nb.settings().lock_password, u"髙①～ ｷｰ "_qs);
}

void TestLock::onlyHaikuRowsCanBeLocked()
{
    QTemporaryDir dir;
    Notebook nb(dir.path());
    Haiku_record locked;
    locked.poem = u"鍵の句"_qs;
    locked.locked = u"YES"_qs;
    Haiku_record open = locked;
    open.locked = u"NO"_qs;
    NotebookContents c;
    c.haiku_list = {Haiku_record(), open, locked};
    nb.replaceContents(c);
    QVERIFY(!nb.isLocked(1));
    QVERIFY(nb.isLocked(2));
    // Index 0 (the heading, the empty last row) and indices past the end are never locked.
    QVERIFY(!nb.isLocked(0));
    QVERIFY(!nb.isLocked(3));
    QVERIFY(!nb.isLocked(40000));
}

void TestLock::promptOpensCentredWithItsLook()
{
    QTemporaryDir dir;
    Notebook nb(dir.path());
    QWidget owner;
    owner.setGeometry(100, 80, 700, 500);
    QString hint;
    F_secpassin prompt(&owner, nb, [&hint](const QString &t) { hint = t; });

    QCOMPARE(prompt.windowTitle(), u"鍵を開けるためのパスワード"_qs);
    QCOMPARE(hint, u"鍵付きメモを表示・訂正するにはパスワードが必要です。"_qs);
    auto *label = ctl<QLabel>(prompt, "Label1");
    QCOMPARE(label->text(), u"鍵をあけるためのパスワードを入力して下さい。"_qs);
    QCOMPARE(label->palette().color(QPalette::WindowText), QColor(Qt::cyan));
    QCOMPARE(prompt.palette().color(QPalette::Window), QColor(Qt::black));
    QVERIFY(ctl<QLineEdit>(prompt, "Text1")->font().bold());
    QCOMPARE(ctl<QLineEdit>(prompt, "Text1")->echoMode(), QLineEdit::Normal); // shows what is typed
    QCOMPARE(ctl<QPushButton>(prompt, "Command2")->text(), u"OK"_qs);
    QCOMPARE(ctl<QPushButton>(prompt, "Command1")->text(), u"CANCEL"_qs);
    QVERIFY(!(prompt.windowFlags() & Qt::WindowCloseButtonHint));
    QVERIFY(!(prompt.windowFlags() & (Qt::WindowMinimizeButtonHint | Qt::WindowMaximizeButtonHint)));
    QCOMPARE(prompt.minimumSize(), prompt.maximumSize());
    QCOMPARE(ctl<QLineEdit>(prompt, "Text1")->nextInFocusChain(), ctl<QPushButton>(prompt, "Command2"));
    QCOMPARE(ctl<QPushButton>(prompt, "Command2")->nextInFocusChain(), ctl<QPushButton>(prompt, "Command1"));

    // Centred at its design height, then made 2040 twips high with the
    // buttons at 1020.
    const QRect outer = WindowFrame::outerRect(&prompt);
    QCOMPARE(outer.height(), Twips::toPxY(2040, &prompt));
    QCOMPARE(ctl<QPushButton>(prompt, "Command2")->y(), Twips::toPxY(1020, &prompt));
    QCOMPARE(ctl<QPushButton>(prompt, "Command1")->y(), Twips::toPxY(1020, &prompt));
    const QRect main = WindowFrame::outerRect(&owner);
    QVERIFY(qAbs(outer.center().x() - main.center().x()) <= 1);
    QCOMPARE(outer.top(), main.top() + (main.height() - Twips::toPxY(2640, &prompt)) / 2);
    QCOMPARE(prompt.outcome(), Password::Cancelled);
}

void TestLock::promptAnswers_data()
{
    QTest::addColumn<QString>("how");
    QTest::addColumn<QString>("typed");
    QTest::addColumn<Password>("outcome");
    QTest::newRow("OK, right") << u"ok"_qs << u"秘密 Key"_qs << Password::Right;
    QTest::newRow("OK, wrong") << u"ok"_qs << u"秘密 key"_qs << Password::Wrong;
    QTest::newRow("Enter, right") << u"enter"_qs << u"秘密 Key"_qs << Password::Right;
    QTest::newRow("Enter, wrong") << u"enter"_qs << u"秘密 Key "_qs << Password::Wrong;
    QTest::newRow("CANCEL, right typed") << u"cancel"_qs << u"秘密 Key"_qs << Password::Cancelled;
    QTest::newRow("Esc, right typed") << u"esc"_qs << u"秘密 Key"_qs << Password::Cancelled;
    QTest::newRow("closed by the window system") << u"close"_qs << u"秘密 Key"_qs << Password::Cancelled;
    QTest::newRow("second Esc") << u"esc twice"_qs << QString() << Password::Cancelled;
}

void TestLock::promptAnswers()
{
    QFETCH(QString, how);
    QFETCH(QString, typed);
    QFETCH(Password, outcome);
    Locked l(u"秘密 Key"_qs);
    l.driver.actions.append([&](QDialog *d) {
        auto *box = ctl<QLineEdit>(*d, "Text1");
        QVERIFY(box->text().isEmpty());
        QCOMPARE(d->focusWidget(), box);
        enterPassword(d, typed);
        if (how == u"ok")
            QTest::mouseClick(ctl<QPushButton>(*d, "Command2"), Qt::LeftButton);
        else if (how == u"enter")
            QTest::keyClick(box, Qt::Key_Return);
        else if (how == u"cancel")
            QTest::mouseClick(ctl<QPushButton>(*d, "Command1"), Qt::LeftButton);
        else if (how == u"close")
            d->close();
        else {
            QTest::keyClick(box, Qt::Key_Escape);
            if (how == u"esc twice")
                QTest::keyClick(d, Qt::Key_Escape);
        }
    });
    QWidget owner;
    QCOMPARE(F_secpassin::open(&owner, l.nb, {}), outcome);
    QCOMPARE(l.driver.opened, QStringList{u"F_secpassin"_qs});
    QVERIFY(l.messages.shown.isEmpty()); // the caller says what a wrong password means
}

void TestLock::settingGoesThroughBothStages()
{
    Locked l(u"Abc"_qs);
    QString hint;
    l.driver.actions.append([&](QDialog *d) {
        auto *dialog = qobject_cast<F_keyset *>(d);
        auto *label = ctl<QLabel>(*d, "Label1");
        auto *box = ctl<QLineEdit>(*d, "Text1");
        QCOMPARE(d->windowTitle(), u"鍵を開けるためのパスワードセット"_qs);
        QCOMPARE(d->palette().color(QPalette::Window), QColor(192, 255, 192));
        QVERIFY(!box->testAttribute(Qt::WA_InputMethodEnabled));
        QCOMPARE(dialog->stage(), 1);
        QCOMPARE(label->text(), u"鍵がかかったメモを開くための、現在のパスワードを入力して下さい。"_qs);
        QCOMPARE(label->palette().color(QPalette::WindowText), QColor(0, 0, 255));

        // Wrong tries are said, keep what was typed and the stage.
        for (const QString &wrong : {u"abc"_qs, u"Ａｂｃ"_qs, u"Abc "_qs}) {
            enterPassword(d, wrong);
            QTest::mouseClick(ctl<QPushButton>(*d, "Command1"), Qt::LeftButton);
            QCOMPARE(l.messages.shown.size(), 1);
            QCOMPARE(l.messages.shown[0].text, u"現在のパスワードが間違っています。"_qs);
            QCOMPARE(l.messages.shown[0].title, u"【ユリモカ】Ver.1.2"_qs);
            QCOMPARE(l.messages.shown[0].icon, MessageBoxes::Icon::Critical);
            l.messages.shown.clear();
            QCOMPARE(box->text(), wrong);
            QCOMPARE(dialog->stage(), 1);
            QVERIFY(d->isVisible());
        }
        enterPassword(d, u"Abc"_qs);
        QTest::keyClick(box, Qt::Key_Return);
        QVERIFY(l.messages.shown.isEmpty());
        QCOMPARE(dialog->stage(), 2);
        QCOMPARE(label->text(), u"鍵がかかったメモを開くための、新しいパスワードを入力して下さい。"_qs);
        QCOMPARE(label->palette().color(QPalette::WindowText), QColor(255, 0, 0));
        QCOMPARE(box->text(), QString());
        QCOMPARE(d->focusWidget(), box);
        QCOMPARE(l.nb.settings().lock_password, u"Abc"_qs); // nothing changes before stage 2's OK

        enterPassword(d, u"ｷｰ 髙"_qs);
        QTest::mouseClick(ctl<QPushButton>(*d, "Command1"), Qt::LeftButton);
    });
    QWidget owner;
    const std::optional<QString> set = F_keyset::open(&owner, l.nb, [&hint](const QString &t) { hint = t; });
    QCOMPARE(set, std::optional<QString>(u"ｷｰ 髙"_qs));
    QCOMPARE(l.nb.settings().lock_password, u"ｷｰ 髙"_qs);
    QCOMPARE(hint, u"鍵付きメモを表示・訂正するためのパスワードを設定します。"_qs);
    QCOMPARE(l.messages.shown.size(), 1);
    QCOMPARE(l.messages.shown[0].text, u"新しいパスワード『ｷｰ 髙』を忘れないようにして下さい。"_qs);
    QCOMPARE(l.messages.shown[0].icon, MessageBoxes::Icon::None);
    QCOMPARE(l.driver.opened, QStringList{u"F_keyset"_qs});
}

void TestLock::cancelAtStage2KeepsTheOldPassword_data()
{
    QTest::addColumn<QString>("how");
    QTest::newRow("CANCEL") << u"cancel"_qs;
    QTest::newRow("Esc") << u"esc"_qs;
    QTest::newRow("closed by the window system") << u"close"_qs;
}

void TestLock::cancelAtStage2KeepsTheOldPassword()
{
    QFETCH(QString, how);
    Locked l(u"Abc"_qs);
    l.driver.actions.append([&](QDialog *d) {
        enterPassword(d, u"Abc"_qs);
        QTest::mouseClick(ctl<QPushButton>(*d, "Command1"), Qt::LeftButton);
        QCOMPARE(qobject_cast<F_keyset *>(d)->stage(), 2);
        enterPassword(d, u"new"_qs);
        if (how == u"cancel")
            QTest::mouseClick(ctl<QPushButton>(*d, "Command2"), Qt::LeftButton);
        else if (how == u"esc")
            QTest::keyClick(ctl<QLineEdit>(*d, "Text1"), Qt::Key_Escape);
        else
            d->close();
    });
    QCOMPARE(F_keyset::open(nullptr, l.nb, {}), std::nullopt);
    QCOMPARE(l.nb.settings().lock_password, u"Abc"_qs);
    QVERIFY(l.messages.shown.isEmpty());
}

void TestLock::emptyPasswordRemovesTheLock()
{
    Locked l(u"Abc"_qs);
    l.driver.actions.append([&](QDialog *d) {
        enterPassword(d, u"Abc"_qs);
        QTest::mouseClick(ctl<QPushButton>(*d, "Command1"), Qt::LeftButton);
        QTest::mouseClick(ctl<QPushButton>(*d, "Command1"), Qt::LeftButton); // an empty new one
    });
    QCOMPARE(F_keyset::open(nullptr, l.nb, {}), std::optional<QString>(QString()));
    QCOMPARE(l.messages.shown.size(), 1);
    QCOMPARE(l.messages.shown[0].text, u"新しいパスワード『』を忘れないようにして下さい。"_qs);
    QCOMPARE(l.nb.settings().lock_password, QString());

    // The next opening starts at stage 2, in red.
    l.driver.actions.append([&](QDialog *d) {
        QCOMPARE(qobject_cast<F_keyset *>(d)->stage(), 2);
        QCOMPARE(ctl<QLabel>(*d, "Label1")->palette().color(QPalette::WindowText), QColor(255, 0, 0));
        d->reject();
    });
    QCOMPARE(F_keyset::open(nullptr, l.nb, {}), std::nullopt);
    // and the prompt takes an empty entry as right, anything else as wrong
    l.driver.actions.append([](QDialog *d) { QTest::keyClick(ctl<QLineEdit>(*d, "Text1"), Qt::Key_Return); });
    QCOMPARE(F_secpassin::open(nullptr, l.nb, {}), Password::Right);
    l.driver.actions.append([](QDialog *d) {
        enterPassword(d, u" "_qs);
        QTest::keyClick(ctl<QLineEdit>(*d, "Text1"), Qt::Key_Return);
    });
    QCOMPARE(F_secpassin::open(nullptr, l.nb, {}), Password::Wrong);
    QCOMPARE(l.driver.opened.size(), 4);
}

void TestLock::unstorableNewPasswordIsRefusedAtStage2()
{
    Locked l{QString()}; // no password yet
    l.driver.actions.append([&](QDialog *d) {
        auto *box = ctl<QLineEdit>(*d, "Text1");
        QCOMPARE(qobject_cast<F_keyset *>(d)->stage(), 2); // no password yet
        enterPassword(d, u"鍵😀"_qs);
        QTest::mouseClick(ctl<QPushButton>(*d, "Command1"), Qt::LeftButton);
        QCOMPARE(l.messages.shown.size(), 1);
        QVERIFY2(l.messages.shown[0].text.contains(u"「😀」(U+1F600)"_qs),
                 qPrintable(l.messages.shown[0].text));
        QCOMPARE(box->text(), u"鍵😀"_qs);
        QVERIFY(d->isVisible());
        // A line break can only come by pasting.
        box->setText(u"ab\ncd"_qs);
        QTest::keyClick(box, Qt::Key_Return);
        QCOMPARE(l.messages.shown.size(), 2);
        QVERIFY2(l.messages.shown[1].text.contains(u"改行"_qs), qPrintable(l.messages.shown[1].text));
        QCOMPARE(qobject_cast<F_keyset *>(d)->stage(), 2);
        QTest::mouseClick(ctl<QPushButton>(*d, "Command2"), Qt::LeftButton);
    });
    QCOMPARE(F_keyset::open(nullptr, l.nb, {}), std::nullopt);
    QCOMPARE(l.nb.settings().lock_password, QString());
}

void TestLock::newPasswordSurvivesAQuitAndAStart()
{
    QTemporaryDir dir;
    copyFolder(kData + u"/notebook"_qs, dir.path());
    const QStringList before = settingsLines(dir.path());
    QCOMPARE(before.value(12), u"髙①～"_qs);
    MessageRecorder messages;
    DialogDriver driver;
    {
        Notebook nb(dir.path());
        Main_form form(nb);
        QVERIFY(form.Form_Load());
        driver.actions.append([](QDialog *d) {
            enterPassword(d, u"髙①～"_qs);
            QTest::keyClick(ctl<QLineEdit>(*d, "Text1"), Qt::Key_Return);
            enterPassword(d, u"新しい鍵 Key "_qs);
            QTest::keyClick(ctl<QLineEdit>(*d, "Text1"), Qt::Key_Return);
        });
        QVERIFY(ctl<QAction>(form, "Menu_file_pass")->isEnabled());
        ctl<QAction>(form, "Menu_file_pass")->trigger();
        QCOMPARE(driver.opened, QStringList{u"F_keyset"_qs});
        QCOMPARE(ctl<QLineEdit>(form, "Text1")->text(),
                 u"鍵付きメモを表示・訂正するためのパスワードを設定します。"_qs);
        QCOMPARE(settingsLines(dir.path()), before); // nothing is written before the quit
        form.Command9_Click();
        QVERIFY(form.hasQuit());
    }
    // Line 13 holds it as typed; the lines the window does not move stay.
    const QStringList after = settingsLines(dir.path());
    QCOMPARE(after.size(), before.size());
    QCOMPARE(after[12], u"新しい鍵 Key "_qs);
    QCOMPARE(after.mid(7, 5), before.mid(7, 5));
    QCOMPARE(after[0], before[0]);

    Notebook nb(dir.path());
    Main_form form(nb);
    QVERIFY(form.Form_Load());
    QCOMPARE(nb.settings().lock_password, u"新しい鍵 Key "_qs);
    driver.actions.append([](QDialog *d) {
        enterPassword(d, u"新しい鍵 Key "_qs);
        QTest::keyClick(ctl<QLineEdit>(*d, "Text1"), Qt::Key_Return);
    });
    QCOMPARE(F_secpassin::open(&form, nb, {}), Password::Right);
    QCOMPARE(messages.shown.size(), 1); // the confirmation only
}

QTEST_MAIN(TestLock)
#include "tst_lock.moc"

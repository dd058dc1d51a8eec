#include "fontset/F_tatefont.h"
#include "mainwin/Main_form.h"
#include "store/Cp932.h"
#include "store/Notebook.h"
#include "support/Controls.h"
#include "support/MessageRecorder.h"
#include "support/Modal.h"
#include "ui/JapaneseFonts.h"
#include "ui/VerticalLabel.h"

#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QFile>
#include <QLineEdit>
#include <QPushButton>
#include <QTemporaryDir>
#include <QtTest>

#include <functional>

namespace {

QString poemFont(Main_form &form)
{
    return ctl<VerticalLabel>(form, "Label3")->font().family();
}

// Picks a font in the window's list as the poet does, by its name.
void pick(F_tatefont &window, const QString &family)
{
    auto *fonts = ctl<QComboBox>(window, "Combo1");
    const int at = fonts->findText(family, Qt::MatchExactly);
    QVERIFY2(at >= 0, qPrintable(family));
    fonts->setCurrentIndex(at);
    emit fonts->activated(at);
}

// Opens 縦書き用フォントの設定 from the menu and runs act on the open window.
void withWindow(Main_form &form, const std::function<void(F_tatefont &)> &act)
{
    QVERIFY(whileOpen<F_tatefont>(ctl<QAction>(form, "Menu_tatefont"), act));
}

QString settingsLine(const QString &dir, int line)
{
    QFile f(dir + QStringLiteral("/haiku.ini"));
    if (!f.open(QIODevice::ReadOnly))
        return QStringLiteral("<no haiku.ini>");
    const QString text = Cp932::decode(f.readAll()).text;
    return text.split(QStringLiteral("\r\n")).value(line - 1);
}

} // namespace

class TestTatefont : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase() { JapaneseFonts::install(); }
    void opensWithNoFontChosenAndAnEmptyHint();
    void setWithAnEmptyBoxKeepsTheFont();
    void previewThenCancelRestoresTheLabel();
    void closeBoxActsAsCancel();
    void choiceSurvivesAQuitAndAStart();
    void storedFontTheSystemLacksShowsInMincho();
    void fontNameTheSettingsCannotHoldIsRefused();
};

void TestTatefont::opensWithNoFontChosenAndAnEmptyHint()
{
    QTemporaryDir dir;
    MessageRecorder messages;
    Notebook nb(dir.path());
    Main_form form(nb);
    QVERIFY(form.Form_Load());
    QVERIFY(ctl<QAction>(form, "Menu_tatefont")->isEnabled());
    form.setHint(QStringLiteral("前のヒント"));
    withWindow(form, [&](F_tatefont &window) {
        QCOMPARE(window.windowTitle(), QStringLiteral("縦書き用フォントの設定"));
        QCOMPARE(ctl<QComboBox>(window, "Combo1")->currentText(), QString());
        QVERIFY(ctl<QComboBox>(window, "Combo1")->count() > 2);
        QCOMPARE(ctl<QComboBox>(window, "Combo1")->itemText(0), QStringLiteral("ＭＳ 明朝"));
        QCOMPARE(ctl<QLineEdit>(form, "Text1")->text(), QString());
    });
}

void TestTatefont::setWithAnEmptyBoxKeepsTheFont()
{
    QTemporaryDir dir;
    MessageRecorder messages;
    Notebook nb(dir.path());
    Main_form form(nb);
    QVERIFY(form.Form_Load());
    nb.setTateFont(QStringLiteral("IPAGothic"));
    withWindow(form, [](F_tatefont &window) { ctl<QPushButton>(window, "Command1")->click(); });
    QCOMPARE(nb.settings().tate_font, QStringLiteral("IPAGothic"));
    QCOMPARE(poemFont(form), QStringLiteral("IPAGothic"));
    QVERIFY(messages.shown.isEmpty());

    // The window tells its caller what 設定 kept, and nothing for 中止.
    QStringList fonts{QStringLiteral("ＭＳ 明朝"), QStringLiteral("IPAMincho")};
    QTimer::singleShot(0, [] {
        if (auto *w = qobject_cast<F_tatefont *>(QApplication::activeModalWidget()))
            w->Command2_Click();
    });
    QCOMPARE(F_tatefont::open(&form, nb, fonts, {}, {}), std::nullopt);
    QTimer::singleShot(0, [] {
        if (auto *w = qobject_cast<F_tatefont *>(QApplication::activeModalWidget())) {
            pick(*w, QStringLiteral("IPAMincho"));
            w->Command1_Click();
        }
    });
    QCOMPARE(F_tatefont::open(&form, nb, fonts, {}, {}), std::optional<QString>(QStringLiteral("IPAMincho")));
    QCOMPARE(nb.settings().tate_font, QStringLiteral("IPAMincho"));
}

void TestTatefont::previewThenCancelRestoresTheLabel()
{
    QTemporaryDir dir;
    MessageRecorder messages;
    Notebook nb(dir.path());
    Main_form form(nb);
    QVERIFY(form.Form_Load());
    QCOMPARE(poemFont(form), QStringLiteral("ＭＳ 明朝"));
    QString afterA, afterB;
    withWindow(form, [&](F_tatefont &window) {
        pick(window, QStringLiteral("IPAGothic"));
        afterA = poemFont(form);
        pick(window, QStringLiteral("Noto Sans CJK JP"));
        afterB = poemFont(form);
        form.setHint(QStringLiteral("何かのヒント"));
        ctl<QPushButton>(window, "Command2")->click();
    });
    QCOMPARE(afterA, QStringLiteral("IPAGothic"));        // shown at once
    QCOMPARE(afterB, QStringLiteral("Noto Sans CJK JP")); // and again
    QCOMPARE(poemFont(form), QStringLiteral("ＭＳ 明朝"));
    QCOMPARE(nb.settings().tate_font, QStringLiteral("ＭＳ 明朝"));
    QCOMPARE(ctl<QLineEdit>(form, "Text1")->text(), QString());

    // A, then 設定: kept.
    withWindow(form, [&](F_tatefont &window) {
        pick(window, QStringLiteral("IPAGothic"));
        ctl<QPushButton>(window, "Command1")->click();
    });
    QCOMPARE(poemFont(form), QStringLiteral("IPAGothic"));
    QCOMPARE(nb.settings().tate_font, QStringLiteral("IPAGothic"));
}

void TestTatefont::closeBoxActsAsCancel()
{
    QTemporaryDir dir;
    MessageRecorder messages;
    Notebook nb(dir.path());
    Main_form form(nb);
    QVERIFY(form.Form_Load());
    withWindow(form, [&](F_tatefont &window) {
        pick(window, QStringLiteral("IPAGothic"));
        window.close();
    });
    QCOMPARE(poemFont(form), QStringLiteral("ＭＳ 明朝"));
    withWindow(form, [&](F_tatefont &window) {
        pick(window, QStringLiteral("IPAGothic"));
        QTest::keyClick(&window, Qt::Key_Escape);
    });
    QCOMPARE(poemFont(form), QStringLiteral("ＭＳ 明朝"));
    QCOMPARE(nb.settings().tate_font, QStringLiteral("ＭＳ 明朝"));
}

void TestTatefont::choiceSurvivesAQuitAndAStart()
{
    QTemporaryDir dir;
    MessageRecorder messages;
    {
        Notebook nb(dir.path());
        Main_form form(nb);
        QVERIFY(form.Form_Load());
        withWindow(form, [&](F_tatefont &window) {
            pick(window, QStringLiteral("IPAGothic"));
            ctl<QPushButton>(window, "Command1")->click();
        });
        form.Command9_Click();
        QVERIFY(form.hasQuit());
    }
    QCOMPARE(settingsLine(dir.path(), 8), QStringLiteral("IPAGothic"));
    Notebook nb(dir.path());
    Main_form form(nb);
    QVERIFY(form.Form_Load());
    QCOMPARE(nb.settings().tate_font, QStringLiteral("IPAGothic"));
    QCOMPARE(poemFont(form), QStringLiteral("IPAGothic"));
    QVERIFY(messages.shown.isEmpty());
}

void TestTatefont::storedFontTheSystemLacksShowsInMincho()
{
    QTemporaryDir dir;
    MessageRecorder messages;
    {
        Notebook nb(dir.path());
        Main_form form(nb);
        QVERIFY(form.Form_Load());
        nb.setTateFont(QStringLiteral("どこにもない書体"));
        form.Command9_Click();
    }
    Notebook nb(dir.path());
    Main_form form(nb);
    QVERIFY(form.Form_Load());
    QCOMPARE(poemFont(form), QStringLiteral("ＭＳ 明朝"));
    // The setting keeps its name: the font may be there on another machine.
    QCOMPARE(nb.settings().tate_font, QStringLiteral("どこにもない書体"));
    // 中止 puts back what is shown for it, not the missing font.
    withWindow(form, [&](F_tatefont &window) {
        pick(window, QStringLiteral("IPAGothic"));
        window.Command2_Click();
    });
    QCOMPARE(poemFont(form), QStringLiteral("ＭＳ 明朝"));
}

void TestTatefont::fontNameTheSettingsCannotHoldIsRefused()
{
    QTemporaryDir dir;
    Notebook nb(dir.path());
    MessageRecorder messages;
    QStringList previews;
    F_tatefont window(nullptr, nb, {QStringLiteral("ＭＳ 明朝"), QStringLiteral("나눔고딕")},
                      [&](const QString &f) { previews.append(f); }, {});
    pick(window, QStringLiteral("나눔고딕"));
    window.Command1_Click();
    QCOMPARE(messages.shown.size(), 1);
    QCOMPARE(messages.shown[0].text,
             QStringLiteral("フォント名「나눔고딕」にはシフトJISで保存できない文字が含まれているため、"
                            "縦書き用フォントに選べません。"));
    QCOMPARE(nb.settings().tate_font, QStringLiteral("ＭＳ 明朝"));
    window.Command2_Click();
    QCOMPARE(previews, (QStringList{QStringLiteral("나눔고딕"), QStringLiteral("ＭＳ 明朝")}));
}

QTEST_MAIN(TestTatefont)
#include "tst_tatefont.moc"

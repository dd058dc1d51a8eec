#include "ui/JapaneseFonts.h"
#include "ui/Twips.h"
#include "ui/UnstoppableProgress.h"

#include <QFontDatabase>
#include <QFontInfo>
#include <QPushButton>
#include <QWidget>
#include <QtTest>

class TestUiHelpers : public QObject
{
    Q_OBJECT

private slots:
    // The face names the settings use find a real mincho and gothic face.
    void settingsFaceNamesResolveToJapaneseFaces_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("kind");
        QTest::newRow("ＭＳ 明朝") << QStringLiteral("ＭＳ 明朝") << QStringLiteral("Mincho");
        QTest::newRow("MS Mincho") << QStringLiteral("MS Mincho") << QStringLiteral("Mincho");
        QTest::newRow("ＭＳ ゴシック") << QStringLiteral("ＭＳ ゴシック") << QStringLiteral("Gothic");
        QTest::newRow("MS Gothic") << QStringLiteral("MS Gothic") << QStringLiteral("Gothic");
    }
    void settingsFaceNamesResolveToJapaneseFaces()
    {
        QFETCH(QString, name);
        QFETCH(QString, kind);
        if (!QFontDatabase::families().contains(QStringLiteral("IPAMincho")))
            QSKIP("the IPA fonts are not installed (tools/install-deps.sh installs them)");
        JapaneseFonts::install();
        const QString family = QFontInfo(QFont(name)).family();
        QVERIFY2(family.contains(kind) || family.contains(kind == u"Mincho" ? u"Serif" : u"Sans"),
                 qPrintable(name + QStringLiteral(" -> ") + family));
    }

    // The font lists: the two names of the settings first, then each family
    // once, however many foundries make it.
    void fontChoices_data()
    {
        QTest::addColumn<QStringList>("families");
        QTest::addColumn<QStringList>("expected");
        const QString mincho = QString::fromUtf8(JapaneseFonts::mincho);
        const QString gothic = QString::fromUtf8(JapaneseFonts::gothic);
        QTest::newRow("none") << QStringList() << QStringList{mincho, gothic};
        QTest::newRow("two foundries") << QStringList{"C059 [UKWN]", "C059 [urw]", "IPAMincho"}
                                       << QStringList{mincho, gothic, "C059", "IPAMincho"};
        QTest::newRow("bare and with foundry")
            << QStringList{"Nimbus Sans", "Nimbus Sans [urw]", "Nimbus Sans [UKWN]", "Z003"}
            << QStringList{mincho, gothic, "Nimbus Sans", "Z003"};
        QTest::newRow("the settings' own names")
            << QStringList{"DejaVu Sans", gothic, mincho} << QStringList{mincho, gothic, "DejaVu Sans"};
        QTest::newRow("brackets that are no foundry")
            << QStringList{"[x]", "A [b] C"} << QStringList{mincho, gothic, "[x]", "A [b] C"};
    }
    void fontChoices()
    {
        QFETCH(QStringList, families);
        QFETCH(QStringList, expected);
        QCOMPARE(JapaneseFonts::fontChoices(families), expected);
    }

    void twipsFollowTheLogicalDpi()
    {
        QWidget w;
        const double dpi = Twips::dpiX(&w);
        QCOMPARE(Twips::toPxX(1440, &w), qRound(dpi));
        QCOMPARE(Twips::fromPxX(Twips::toPxX(9450, &w), &w), std::round(Twips::toPxX(9450, &w) * 1440 / dpi));
        if (qFuzzyCompare(dpi, 96.0)) {
            QCOMPARE(Twips::toPxX(15, &w), 1); // 15 twips a pixel
            QCOMPARE(Twips::rect(840, 420, 8475, 2295, &w), QRect(56, 28, 565, 153));
        }
    }

    // Work that must not stop halfway: no button, and neither Esc nor the
    // close box takes its progress away; the last count does.
    void unstoppableProgressStaysUntilDone()
    {
        UnstoppableProgress progress(nullptr, QStringLiteral("題"));
        progress.show();
        QVERIFY(QTest::qWaitForWindowExposed(&progress));
        QVERIFY(progress.findChildren<QPushButton *>().isEmpty());
        QTest::keyClick(&progress, Qt::Key_Escape);
        QVERIFY(progress.isVisible());
        QVERIFY(!progress.close());
        QVERIFY(progress.isVisible());
        progress.tell(QStringLiteral("3／3"), 3, 3);
        QVERIFY(!progress.isVisible());
    }
};

QTEST_MAIN(TestUiHelpers)
#include "tst_ui_helpers.moc"

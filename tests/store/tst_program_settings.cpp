#include "store/ProgramSettings.h"

#include "support/Folders.h"

#include <QTest>

#include <sys/stat.h>

using namespace folders;

class TestProgramSettings : public QObject
{
    Q_OBJECT

private slots:
    void everyChoiceComesBack();
    void damagedValuesGiveTheirDefaults_data();
    void damagedValuesGiveTheirDefaults();
    void somethingElseByTheNameIsLeftAlone_data();
    void somethingElseByTheNameIsLeftAlone();
    void readOnlyDiskKeepsTheOldFile();
};

void TestProgramSettings::everyChoiceComesBack()
{
    QTemporaryDir dir;
    ProgramSettings s(dir.path());
    QVERIFY(!s.verticalPrint);
    QCOMPARE(s.booklet.title, u"句集"_qs);
    QVERIFY(!QFileInfo::exists(s.path())); // reading makes no file
    s.verticalPrint = true;
    s.booklet.category = u"好きな句（春）"_qs;
    s.booklet.byDate = true;
    s.booklet.pageSize = ProgramSettings::PageSize::B6;
    s.booklet.title = u"句集「春, 夏」 ①髙～ｷｰﾜｰﾄﾞ"_qs;
    s.booklet.poet = u"山田\"花子\""_qs;
    s.booklet.withDates = false;
    s.booklet.dateRange = true;
    s.booklet.from = QDate(2025, 4, 1);
    s.booklet.to = QDate(2026, 3, 31);
    QVERIFY(s.save());
    QCOMPARE(s.path(), dir.filePath(u"yurimoka.ini"_qs));
    // UTF-8, not escaped.
    QVERIFY(bytesOf(s.path()).contains(u"好きな句（春）"_qs.toUtf8()));

    const ProgramSettings again(dir.path() + u'/');
    QVERIFY(again.verticalPrint);
    QCOMPARE(again.booklet.category, s.booklet.category);
    QVERIFY(again.booklet.byDate);
    QCOMPARE(again.booklet.pageSize, ProgramSettings::PageSize::B6);
    QCOMPARE(again.booklet.title, s.booklet.title);
    QCOMPARE(again.booklet.poet, s.booklet.poet);
    QVERIFY(!again.booklet.withDates);
    QVERIFY(again.booklet.dateRange);
    QCOMPARE(again.booklet.from, s.booklet.from);
    QCOMPARE(again.booklet.to, s.booklet.to);

    // Every size is kept under its own name.
    for (ProgramSettings::PageSize size : {ProgramSettings::PageSize::A4, ProgramSettings::PageSize::A5}) {
        s.booklet.pageSize = size;
        QVERIFY(s.save());
        QCOMPARE(ProgramSettings(dir.path()).booklet.pageSize, size);
    }
}

void TestProgramSettings::damagedValuesGiveTheirDefaults_data()
{
    QTest::addColumn<QByteArray>("file");
    QTest::addColumn<bool>("vertical");
    QTest::addColumn<QString>("title");
    QTest::addColumn<int>("pageSize");
    QTest::addColumn<bool>("dateRange");
    const int a5 = int(ProgramSettings::PageSize::A5);
    const int a4 = int(ProgramSettings::PageSize::A4);
    QTest::newRow("binary garbage") << QByteArray("\x00\xff\xfe[\x81\x40=\n\x01\x02", 11) << false
                                    << u"句集"_qs << a5 << false;
    QTest::newRow("values that mean nothing")
        << QByteArray("[print]\nvertical=maybe\n[booklet]\npageSize=A3\nrange=true\nfrom=2026-13-01\n"
                      "to=2026-01-01\n")
        << false << u"句集"_qs << a5 << false;
    QTest::newRow("a range the wrong way round")
        << QByteArray("[booklet]\nrange=true\nfrom=2026-12-01\nto=2026-01-01\n") << false << u"句集"_qs << a5
        << false;
    QTest::newRow("a title that reads as a list")
        << QByteArray("[booklet]\ntitle=春, 夏\npageSize=A4\n") << false << u"句集"_qs << a4 << false;
    QTest::newRow("good values among bad lines")
        << QByteArray("garbage line\n[print]\nvertical=true\n[[[\n[booklet]\ntitle=冬の句\nrange=true\n"
                      "from=2026-01-01\nto=2026-01-31\n")
        << true << u"冬の句"_qs << a5 << true;
}

void TestProgramSettings::damagedValuesGiveTheirDefaults()
{
    QFETCH(QByteArray, file);
    QFETCH(bool, vertical);
    QFETCH(QString, title);
    QFETCH(int, pageSize);
    QFETCH(bool, dateRange);
    QTemporaryDir dir;
    QVERIFY(put(dir.filePath(ProgramSettings::fileName), file));
    ProgramSettings s(dir.path());
    QCOMPARE(s.verticalPrint, vertical);
    QCOMPARE(s.booklet.title, title);
    QCOMPARE(int(s.booklet.pageSize), pageSize);
    QCOMPARE(s.booklet.dateRange, dateRange);
    // The damaged file is replaced by a good one.
    s.verticalPrint = !vertical;
    QVERIFY(s.save());
    QCOMPARE(ProgramSettings(dir.path()).verticalPrint, !vertical);
}

void TestProgramSettings::somethingElseByTheNameIsLeftAlone_data()
{
    QTest::addColumn<bool>("pipe");
    QTest::newRow("a folder") << false;
    QTest::newRow("a pipe, which would never answer") << true;
}

void TestProgramSettings::somethingElseByTheNameIsLeftAlone()
{
    QFETCH(bool, pipe);
    QTemporaryDir dir;
    const QString path = dir.filePath(ProgramSettings::fileName);
    QVERIFY(pipe ? ::mkfifo(QFile::encodeName(path).constData(), 0600) == 0 : QDir().mkdir(path));
    ProgramSettings s(dir.path());
    QVERIFY(!s.verticalPrint);
    s.verticalPrint = true;
    QVERIFY(!s.save());
    const QFileInfo after(path);
    QVERIFY(after.exists() && !after.isFile());
}

void TestProgramSettings::readOnlyDiskKeepsTheOldFile()
{
    SmallDisk disk;
    if (!disk.ok())
        QSKIP(qPrintable(disk.reason()));
    ProgramSettings s(disk.path());
    s.verticalPrint = true;
    QVERIFY(s.save());
    const QByteArray before = bytesOf(s.path());
    QVERIFY(disk.makeReadOnly());
    s.verticalPrint = false;
    QVERIFY(!s.save());
    QCOMPARE(bytesOf(s.path()), before);
}

QTEST_APPLESS_MAIN(TestProgramSettings)
#include "tst_program_settings.moc"

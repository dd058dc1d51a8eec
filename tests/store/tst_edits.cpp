#include "store/Notebook.h"

#include "support/Folders.h"

#include <QTest>

using namespace folders;

namespace {

Notebook::HaikuInput input(const QString &poem, const QString &category = u"春"_qs, bool locked = false)
{
    return {u"2026/12/07"_qs, category, poem, locked};
}

QStringList poems(const Notebook &nb)
{
    QStringList p;
    for (std::size_t i = 1; i < nb.haiku_list.size(); ++i)
        p << nb.haiku_list[i].poem;
    return p;
}

// A notebook on disk with haiku A (X), B (Y), C (X), D (Y), each with a memo.
void fourHaiku(Notebook &nb)
{
    QVERIFY(nb.startUp(windowDefaults(), kNow).fatal.isEmpty());
    nb.haiku_list.resize(1);
    nb.category_list = {QString(), u"全部"_qs, u"X"_qs, u"Y"_qs};
    for (const auto &[poem, cat] :
         {std::pair{u"D"_qs, u"Y"_qs}, {u"C"_qs, u"X"_qs}, {u"B"_qs, u"Y"_qs}, {u"A"_qs, u"X"_qs}}) {
        const auto no = nb.addHaikuAtHead(input(poem, cat), kNow);
        QVERIFY(no);
        QVERIFY(!nb.writeMemo(*no, u"memo of "_qs + poem));
    }
    QVERIFY(nb.saveAll().isEmpty());
}

} // namespace

// Entering, correcting and deleting haiku and keeping the categories, as the
// windows ask for them, without any window.
class TestEdits : public QObject
{
    Q_OBJECT

private slots:
    void newHaikuGoesToTheHeadWithTheNextMemoNumber()
    {
        QTemporaryDir dir;
        Notebook nb(dir.path());
        QVERIFY(nb.startUp(windowDefaults(), kNow).fatal.isEmpty()); // the welcome haiku, memo 1
        const QDateTime at(QDate(2049, 3, 4), QTime(5, 6, 7));
        const auto no = nb.addHaikuAtHead(input(u"古池や"_qs, u"春"_qs, true), at);
        QCOMPARE(no, std::optional<qint64>(2));
        QCOMPARE(nb.lastMemoNo(), qint64(2));
        QCOMPARE(nb.haiku_count(), 2);
        const Haiku_record &r = nb.haiku_list[1];
        QCOMPARE(r.poem, u"古池や"_qs);
        QCOMPARE(r.memo_no, u" 2 "_qs);
        QCOMPARE(r.created_stamp, u"e9/03/04 05:06:07"_qs);
        QCOMPARE(r.updated_stamp, r.created_stamp);
        QCOMPARE(r.locked, u"YES"_qs);
        QCOMPARE(nb.haiku_list[2].poem, u"【ユリモカ】ご利用のお礼"_qs); // moved down one place

        // Every number handed out: no haiku is made with a number already used.
        nb.settings.last_memo_no = NumberText::fromText(u" 2147483647 "_qs);
        QVERIFY(!nb.addHaikuAtHead(input(u"もう一句"_qs), at));
        QCOMPARE(nb.haiku_count(), 2);
    }

    void correctionKeepsNumberStampAndPlace()
    {
        QTemporaryDir dir;
        Notebook nb(dir.path());
        fourHaiku(nb);
        const Haiku_record before = nb.haiku_list[2];
        nb.correctHaiku(2, {u"令和八年"_qs, u"夏"_qs, u"B2"_qs, true},
                        QDateTime(QDate(2050, 1, 1), QTime(0, 0)));
        const Haiku_record &r = nb.haiku_list[2];
        QCOMPARE(r.poem, u"B2"_qs);
        QCOMPARE(r.category, u"夏"_qs);
        QCOMPARE(r.date_text, u"令和八年"_qs);
        QCOMPARE(r.locked, u"YES"_qs);
        QCOMPARE(r.memo_no, before.memo_no);
        QCOMPARE(r.created_stamp, before.created_stamp);
        QCOMPARE(r.updated_stamp, u"50/01/01 00:00:00"_qs); // 2050 keeps its "5"
        QCOMPARE(poems(nb), (QStringList{u"A"_qs, u"B2"_qs, u"C"_qs, u"D"_qs}));
        // out of range: nothing happens
        nb.correctHaiku(0, input(u"x"_qs), kNow);
        nb.correctHaiku(5, input(u"x"_qs), kNow);
        QCOMPARE(poems(nb), (QStringList{u"A"_qs, u"B2"_qs, u"C"_qs, u"D"_qs}));
    }

    // Two haiku with the same poem: each is removed with its own memo file.
    void removingOneHaikuTakesItsOwnMemo()
    {
        QTemporaryDir dir;
        Notebook nb(dir.path());
        fourHaiku(nb);
        nb.haiku_list[3].poem = u"A"_qs; // C now reads like A
        const qint64 laterMemo = DataFiles::memoNumber(nb.haiku_list[3].memo_no);
        const qint64 earlierMemo = DataFiles::memoNumber(nb.haiku_list[1].memo_no);
        QVERIFY(nb.removeHaiku(3).isEmpty());
        QCOMPARE(poems(nb), (QStringList{u"A"_qs, u"B"_qs, u"D"_qs}));
        QVERIFY(!QFileInfo::exists(nb.memoPath(laterMemo)));
        QVERIFY(QFileInfo::exists(nb.memoPath(earlierMemo)));
        Notebook again(dir.path());
        QVERIFY(again.startUp(windowDefaults(), kNow).problems.isEmpty());
        QCOMPARE(poems(again), (QStringList{u"A"_qs, u"B"_qs, u"D"_qs}));
        // a memo file already gone does not stop the deletion
        QVERIFY(QFile::remove(nb.memoPath(earlierMemo)));
        QVERIFY(nb.removeHaiku(1).isEmpty());
        QCOMPARE(poems(nb), (QStringList{u"B"_qs, u"D"_qs}));
        QVERIFY(nb.removeHaiku(3).isEmpty()); // past the end: nothing
        QCOMPARE(nb.haiku_count(), 2);
    }

    void memoThatCannotBeDeletedKeepsItsHaiku()
    {
        QTemporaryDir dir;
        QVERIFY(QFile::setPermissions(dir.path(), QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner |
                                                      QFile::ReadOther | QFile::WriteOther |
                                                      QFile::ExeOther));
        Notebook nb(dir.path());
        fourHaiku(nb);
        QVERIFY(QFile::setPermissions(dir.filePath(u"memo1"_qs), QFile::ReadOwner | QFile::ExeOwner |
                                                                     QFile::ReadOther | QFile::ExeOther));
        // as an unprivileged user, who may not delete in that folder; the
        // notebook folder itself stays writable for the haiku file
        const int code = asUnprivileged([&] {
            Notebook nb2(dir.path());
            if (!nb2.startUp(windowDefaults(), kNow).fatal.isEmpty())
                return 1;
            const QList<StoreProblem> one = nb2.removeHaiku(2);
            if (one.size() != 1 || !one[0].message.contains(u"削除できませんでした"_qs) ||
                nb2.haiku_count() != 4)
                return 2;
            const QList<StoreProblem> all =
                nb2.removeCategoryWithHaiku(2); // X: A and C stay with their memos
            if (all.size() < 2 || poems(nb2) != QStringList{u"A"_qs, u"B"_qs, u"C"_qs, u"D"_qs})
                return 3;
            return 0;
        });
        QVERIFY(QFile::setPermissions(dir.filePath(u"memo1"_qs),
                                      QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner));
        QCOMPARE(code, 0);
        QCOMPARE(QDir(dir.filePath(u"memo1"_qs)).entryList(QDir::Files).size(), 5);
    }

    void removingACategoryWithItsHaiku()
    {
        QTemporaryDir dir;
        Notebook nb(dir.path());
        fourHaiku(nb);
        const qint64 lastBefore = nb.lastMemoNo();
        nb.haiku_list.push_back(
            {u"d"_qs, u"X "_qs, u"E"_qs, u"0"_qs, {}, {}, u"NO"_qs}); // a trailing blank: stays
        nb.haiku_list.push_back(
            {u"d"_qs, u"X"_qs, u"F"_qs, u"0"_qs, {}, {}, u"NO"_qs}); // memo 0: no file touched
        QVERIFY(QDir().mkpath(dir.filePath(u"memo2"_qs)));
        const qint64 aMemo = DataFiles::memoNumber(nb.haiku_list[1].memo_no);
        const QString companion =
            dir.filePath(u"memo2/"_qs + DataFiles::memoFileName(aMemo).replace(1, 1, u'2'));
        QVERIFY(put(companion, "x"));
        QVERIFY(nb.removeCategoryWithHaiku(2).isEmpty());
        QCOMPARE(poems(nb), (QStringList{u"B"_qs, u"D"_qs, u"E"_qs}));
        QCOMPARE(nb.category_list, (std::vector<QString>{QString(), u"全部"_qs, u"Y"_qs}));
        QCOMPARE(nb.lastMemoNo(), lastBefore);
        QVERIFY(!QFileInfo::exists(nb.memoPath(aMemo)));
        QVERIFY(!QFileInfo::exists(companion));
        QCOMPARE(QDir(dir.filePath(u"memo1"_qs)).entryList(QDir::Files).size(),
                 2 + 1); // B, D, and the welcome memo
        Notebook again(dir.path());
        QVERIFY(again.startUp(windowDefaults(), kNow).problems.isEmpty());
        QCOMPARE(poems(again), poems(nb));
        QCOMPARE(again.category_list, nb.category_list);

        // a category without haiku is still removed, and both files written
        nb.category_list.push_back(u"空"_qs);
        QVERIFY(nb.removeCategoryWithHaiku(3).isEmpty());
        QCOMPARE(nb.category_count(), 2);
        QVERIFY(nb.removeCategoryWithHaiku(1).isEmpty()); // 全部 is never removed
        QCOMPARE(nb.category_count(), 2);
    }

    void categories()
    {
        QTemporaryDir dir;
        Notebook nb(dir.path());
        QVERIFY(nb.startUp(windowDefaults(), kNow).fatal.isEmpty());
        QVERIFY(!nb.knowsCategory(u"全部"_qs)); // the first entry is never a haiku's category
        QVERIFY(nb.knowsCategory(u"推敲未完"_qs));
        QVERIFY(!nb.knowsCategory(u"推敲未完 "_qs));
        QVERIFY(!nb.addCategory(u"全部"_qs));
        QVERIFY(nb.knowsCategory(u"全部"_qs)); // a second, editable 全部
        QCOMPARE(bytesOf(dir.filePath(u"bunrui.dat"_qs)).right(6), QByteArray("\x91\x53\x95\x94\r\n"));
        nb.swapCategories(2, 3);
        QCOMPARE(nb.category_list[2], u"未発表(自己評価Ｂ)"_qs);
        QCOMPARE(nb.category_list[3], u"未発表(自己評価Ａ)"_qs);
        nb.swapCategories(1, 2); // 全部 never moves
        QCOMPARE(nb.category_list[1], u"全部"_qs);
        nb.removeCategory(2);
        QCOMPARE(nb.category_list[2], u"未発表(自己評価Ａ)"_qs);
        QCOMPARE(nb.category_count(), 15);
        while (nb.category_count() < Notebook::kCategoryStoreLimit)
            nb.category_list.push_back(u"c%1"_qs.arg(nb.category_count()));
        QVERIFY(nb.atCategoryLimit());
        nb.category_list.pop_back();
        QVERIFY(!nb.atCategoryLimit());
    }
};

QTEST_APPLESS_MAIN(TestEdits)
#include "tst_edits.moc"

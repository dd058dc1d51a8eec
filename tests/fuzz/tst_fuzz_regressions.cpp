// Runs every fuzz target over its seed corpus and over every input a fuzzer
// has ever found (fuzz/regressions/<target>/), in the ordinary build. A
// target aborts on any broken promise; Qt Test then names the input.
#include "FuzzSeeds.h"
#include "FuzzSupport.h"

#include <QDir>
#include <QTest>

#include <cstdint>

extern "C" {
int fuzz_settings(const uint8_t *data, size_t size);
int fuzz_haiku(const uint8_t *data, size_t size);
int fuzz_categories(const uint8_t *data, size_t size);
int fuzz_keywords(const uint8_t *data, size_t size);
int fuzz_memo(const uint8_t *data, size_t size);
int fuzz_cp932(const uint8_t *data, size_t size);
int fuzz_startup(const uint8_t *data, size_t size);
}

namespace {

using Target = int (*)(const uint8_t *, size_t);
const QMap<QString, Target> kTargets{
    {u"settings"_qs, fuzz_settings}, {u"haiku"_qs, fuzz_haiku}, {u"categories"_qs, fuzz_categories},
    {u"keywords"_qs, fuzz_keywords}, {u"memo"_qs, fuzz_memo},   {u"cp932"_qs, fuzz_cp932},
    {u"startup"_qs, fuzz_startup},
};

const QString kRegressions = QStringLiteral(YURIMOKA_FUZZ_DIR "/regressions");

} // namespace

class TestFuzzRegressions : public QObject
{
    Q_OBJECT

private slots:
    // A target added to the build but not here, or a folder of kept inputs
    // whose name matches no target, would never be run.
    void everyTargetAndFolderIsKnown()
    {
        const QStringList built = QStringLiteral(YURIMOKA_FUZZ_TARGETS).split(u',');
        QStringList sorted = built;
        sorted.sort();
        QCOMPARE(QStringList(kTargets.keys()), sorted);
        QCOMPARE(FuzzSeeds::targets(), built);
        for (const QString &folder : QDir(kRegressions).entryList(QDir::Dirs | QDir::NoDotAndDotDot))
            QVERIFY2(kTargets.contains(folder), qPrintable(u"fuzz/regressions/"_qs + folder));
    }

    void replay_data()
    {
        QTest::addColumn<QString>("target");
        QTest::addColumn<QByteArray>("input");
        for (auto it = kTargets.begin(); it != kTargets.end(); ++it) {
            const QList<FuzzSeeds::Seed> seeds = FuzzSeeds::forTarget(it.key());
            QVERIFY2(!seeds.isEmpty(), qPrintable(it.key()));
            for (const FuzzSeeds::Seed &seed : seeds)
                QTest::addRow("%s/seed/%s", qPrintable(it.key()), qPrintable(seed.name))
                    << it.key() << seed.bytes;
            const QDir kept(kRegressions + u'/' + it.key());
            for (const QString &name : kept.entryList(QDir::Files, QDir::Name)) {
                QFile f(kept.filePath(name));
                QVERIFY(f.open(QIODevice::ReadOnly));
                QTest::addRow("%s/regression/%s", qPrintable(it.key()), qPrintable(name))
                    << it.key() << f.readAll();
            }
        }
    }

    void replay()
    {
        QFETCH(QString, target);
        QFETCH(QByteArray, input);
        // The target aborts on a broken promise; returning is passing.
        FuzzSupport::setInputName(QString::fromUtf8(QTest::currentDataTag()));
        QCOMPARE(kTargets[target](reinterpret_cast<const uint8_t *>(input.constData()), size_t(input.size())),
                 0);
    }
};

QTEST_APPLESS_MAIN(TestFuzzRegressions)
#include "tst_fuzz_regressions.moc"

// Writes the seed corpus of every fuzz target into DIR/<target>/, for
// libFuzzer to start from: yurimoka_fuzz_seeds DIR
#include "FuzzSeeds.h"

#include <QDir>
#include <QFile>

#include <cstdio>

int main(int argc, char **argv)
{
    if (argc != 2) {
        std::fprintf(stderr, "usage: %s DIR\n", argv[0]);
        return 2;
    }
    const QString root = QString::fromLocal8Bit(argv[1]);
    for (const QString &target : FuzzSeeds::targets()) {
        const QString folder = root + u'/' + target;
        if (!QDir().mkpath(folder)) {
            std::fprintf(stderr, "cannot create %s\n", qPrintable(folder));
            return 1;
        }
        const QList<FuzzSeeds::Seed> seeds = FuzzSeeds::forTarget(target);
        for (const FuzzSeeds::Seed &seed : seeds) {
            QFile f(folder + u"/seed-"_qs + seed.name);
            if (!f.open(QIODevice::WriteOnly) || f.write(seed.bytes) != seed.bytes.size()) {
                std::fprintf(stderr, "cannot write %s\n", qPrintable(f.fileName()));
                return 1;
            }
        }
        std::printf("%-10s %lld seeds\n", qPrintable(target), qlonglong(seeds.size()));
    }
    return 0;
}

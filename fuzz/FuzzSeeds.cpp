#include "FuzzSeeds.h"

#include "StartupInput.h"
#include "support/RandomNotebook.h"

#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QMap>
#include <QTemporaryDir>

namespace FuzzSeeds {

namespace {

// A notebook folder: file path relative to the folder -> bytes.
using Folder = QMap<QString, QByteArray>;

Folder readFolder(const QString &path)
{
    Folder files;
    QDirIterator it(path, QDir::Files, QDirIterator::Subdirectories);
    while (it.hasNext()) {
        const QString p = it.next();
        QFile f(p);
        if (f.open(QIODevice::ReadOnly))
            files.insert(QDir(path).relativeFilePath(p), f.readAll());
    }
    return files;
}

// A small random notebook as the notebook itself saves it.
Folder generated(quint64 seed, const RandomNotebook::Size &size)
{
    QTemporaryDir dir;
    if (!dir.isValid())
        qFatal("no temporary folder for the seed notebooks");
    QDir(dir.path()).mkpath(DataFiles::memoFolder);
    Notebook nb(dir.path());
    RandomNotebook random(seed);
    const QMap<qint64, QString> memos = random.fill(nb, size);
    if (!nb.saveAll().isEmpty())
        qFatal("a seed notebook could not be saved");
    for (auto it = memos.begin(); it != memos.end(); ++it) {
        if (nb.writeMemo(it.key(), it.value()))
            qFatal("a seed memo could not be saved");
    }
    return readFolder(dir.path());
}

const QMap<QString, Folder> &notebooks()
{
    static const QMap<QString, Folder> all = [] {
        QMap<QString, Folder> m;
        const QString data = QStringLiteral(YURIMOKA_TEST_DATA);
        for (const QString &name : {QStringLiteral("first_start"), QStringLiteral("notebook")})
            m.insert(u"data-"_qs + name, readFolder(data + u'/' + name));
        m.insert(u"random-1"_qs, generated(1, {3, 4, 2}));
        m.insert(u"random-2"_qs, generated(2, {8, 20, 3}));
        m.insert(u"random-3"_qs, generated(3, {1, 0, 1}));
        m.insert(u"random-4"_qs, generated(4, {0, 2, 0}));
        return m;
    }();
    return all;
}

QByteArray lfOnly(QByteArray bytes)
{
    return bytes.replace("\r\n", "\n");
}

// LF-only lines in the first half, CR LF in the second.
QByteArray mixedLineEnds(const QByteArray &bytes)
{
    const qsizetype half = bytes.size() / 2;
    return lfOnly(bytes.first(half)) + bytes.sliced(half);
}

QList<Seed> dataFile(const QString &file)
{
    QList<Seed> seeds;
    const auto &all = notebooks();
    for (auto it = all.begin(); it != all.end(); ++it) {
        if (it->contains(file))
            seeds.append({it.key() + u'-' + file, it->value(file)});
    }
    return seeds;
}

QList<Seed> memoFiles()
{
    QList<Seed> seeds;
    const auto &all = notebooks();
    for (auto it = all.begin(); it != all.end(); ++it) {
        for (auto f = it->begin(); f != it->end(); ++f) {
            if (f.key().startsWith(DataFiles::memoFolder + u'/'))
                seeds.append({it.key() + u'-' + QFileInfo(f.key()).fileName(), f.value()});
        }
    }
    return seeds;
}

QList<Seed> startupInputs()
{
    QList<Seed> seeds;
    const auto &all = notebooks();
    for (auto it = all.begin(); it != all.end(); ++it) {
        StartupInput in;
        in.ini = it->value(DataFiles::settingsFile);
        in.dat = it->value(DataFiles::haikuFile);
        in.cat = it->value(DataFiles::categoryFile);
        in.key = it->value(DataFiles::keywordFile);
        const QStringList memos = it->keys().filter(DataFiles::memoFolder + u'/');
        if (memos.isEmpty())
            in.switches |= StartupInput::NoMemo;
        else
            in.memo = it->value(memos.first());
        seeds.append({it.key(), in.join()});
        if (it.key() == u"random-2") {
            in.switches = StartupInput::LargeHaiku;
            seeds.append({it.key() + u"-large"_qs, in.join()});
            in.switches = StartupInput::NoSettings | StartupInput::NoKeywords;
            in.dat = mixedLineEnds(in.dat);
            seeds.append({it.key() + u"-mixed-line-ends-no-settings-no-keywords"_qs, in.join()});
        }
    }
    StartupInput first;
    first.switches = 0x1F;
    seeds.append({u"first-start"_qs, first.join()});
    return seeds;
}

} // namespace

const QStringList &targets()
{
    static const QStringList names{u"settings"_qs, u"haiku"_qs, u"categories"_qs, u"keywords"_qs,
                                   u"memo"_qs,     u"cp932"_qs, u"startup"_qs};
    return names;
}

QList<Seed> forTarget(const QString &target)
{
    if (target == u"settings")
        return dataFile(DataFiles::settingsFile);
    if (target == u"haiku") {
        QList<Seed> seeds = dataFile(DataFiles::haikuFile);
        const QByteArray dat = notebooks().value(u"random-2"_qs).value(DataFiles::haikuFile);
        seeds.append({u"random-2-mixed-line-ends-haiku.dat"_qs, mixedLineEnds(dat)});
        seeds.append({u"random-2-cut-short-haiku.dat"_qs, dat.first(dat.size() * 2 / 3)});
        return seeds;
    }
    if (target == u"categories")
        return dataFile(DataFiles::categoryFile);
    if (target == u"keywords")
        return dataFile(DataFiles::keywordFile);
    if (target == u"memo")
        return memoFiles();
    if (target == u"cp932") {
        QList<Seed> seeds = memoFiles();
        for (const QString &file : {DataFiles::settingsFile, DataFiles::haikuFile, DataFiles::categoryFile})
            seeds += dataFile(file);
        // Second spellings (NEC row 13, NEC-selected IBM) beside their
        // canonical bytes, and bytes that are not code page 932.
        seeds.append({u"second-spellings"_qs, QByteArray("\x87\x90\x81\xe0\r\n\xed\x40\xfa\x5c\r\n")});
        seeds.append({u"invalid-bytes"_qs, QByteArray("\x81\r\n\xff\x80\xa0\x85\x40\xfc")});
        return seeds;
    }
    if (target == u"startup")
        return startupInputs();
    return {};
}

} // namespace FuzzSeeds

// The program on one of two computers, for tools/sync-two-computers.sh: it
// opens a notebook folder, changes it and saves it through the real notebook
// code, so that a real sync program can carry the files between two folders.
//
//   yurimoka_sync_driver load-and-hold DIR [POEM]
//       starts up, prints "ready", waits for a line on standard input (the
//       poet closing the window), puts POEM at the head when given, saves.
//   yurimoka_sync_driver add-haiku DIR POEM
//       starts up, stores POEM at the head as the entry window does, with
//       its memo ("POEM のメモ") under the next free memo number, saves.
//
// Every line printed starts with a word the script looks for: "ready",
// "notice", "added" (the memo number and file of the new haiku), "problem"
// (with the file and the name of the copy put beside it), "saved".
// Exit status: 0 saved (conflicts included: nothing was lost), 1 a file
// could not be written at all, 2 start-up refused, 3 bad usage.

#include "store/Notebook.h"

#include <QDateTime>

#include <cstdio>
#include <iostream>
#include <string>

namespace {

void say(const QString &line)
{
    std::fputs(line.toUtf8().constData(), stdout);
    std::fputc('\n', stdout);
    std::fflush(stdout);
}

QString oneLine(QString s)
{
    return s.replace(QLatin1Char('\n'), QStringLiteral(" / "));
}

void report(const StoreProblem &p)
{
    say(QStringLiteral("problem %1 savedAs=%2 %3")
            .arg(p.file, p.savedAs.isEmpty() ? QStringLiteral("-") : p.savedAs, oneLine(p.message)));
}

// A new haiku at the head of the notebook, as the entry window stores one:
// its memo, the haiku file and the settings. A file changed by the other
// computer is reported with the copy put beside it; the haiku stays in
// memory and goes with the save.
bool addHaiku(Notebook &nb, const QString &poem)
{
    const QDateTime now = QDateTime::currentDateTime();
    const QString category = nb.category_count() >= 2 ? nb.categories()[2] : QStringLiteral("推敲未完");
    const Notebook::StoreResult stored =
        nb.enterHaiku({DataFiles::shortDate(now.date()), category, poem, false},
                      poem + QStringLiteral(" のメモ"), [] { return QDateTime::currentDateTime(); });
    if (stored.problem) {
        say(QStringLiteral("fatal %1").arg(oneLine(stored.problem->message)));
        return false;
    }
    const qint64 memoNo = DataFiles::memoNumber(nb.record(stored.index).memo_no);
    say(QStringLiteral("added memo=%1 file=%2/%3")
            .arg(memoNo)
            .arg(DataFiles::memoFolder, DataFiles::memoFileName(memoNo)));
    for (const StoreProblem &p : stored.warnings)
        report(p);
    return true;
}

// Saves as quitting does; conflicts are reported with the copy's name.
int save(Notebook &nb)
{
    const QList<StoreProblem> problems = nb.saveAll();
    int status = 0;
    for (const StoreProblem &p : problems) {
        report(p);
        if (p.savedAs.isEmpty())
            status = 1;
    }
    say(QStringLiteral("saved haiku=%1").arg(nb.haiku_count()));
    return status;
}

} // namespace

int main(int argc, char **argv)
{
    if (argc < 3 || argc > 4) {
        std::fputs("usage: yurimoka_sync_driver load-and-hold DIR [POEM] | add-haiku DIR POEM\n", stderr);
        return 3;
    }
    const std::string command = argv[1];
    const QString poem = argc == 4 ? QString::fromUtf8(argv[3]) : QString();
    if ((command != "load-and-hold" && command != "add-haiku") ||
        (command == "add-haiku" && poem.isEmpty())) {
        std::fputs("unknown command or missing poem\n", stderr);
        return 3;
    }

    Notebook nb(QString::fromUtf8(argv[2]));
    const StartupReport report = nb.startUp(Settings{}, QDateTime::currentDateTime());
    if (!report.fatal.isEmpty()) {
        say(QStringLiteral("fatal %1").arg(oneLine(report.fatal)));
        return 2;
    }
    for (const QString &n : report.notices)
        say(QStringLiteral("notice %1").arg(oneLine(n)));
    for (const StoreProblem &p : report.problems)
        say(QStringLiteral("problem %1 savedAs=- %2").arg(p.file, oneLine(p.message)));
    say(QStringLiteral("ready haiku=%1").arg(nb.haiku_count()));

    if (command == "load-and-hold") {
        std::string line;
        std::getline(std::cin, line); // the poet closes the window
    }
    if (!poem.isEmpty() && !addHaiku(nb, poem))
        return 1;
    return save(nb);
}

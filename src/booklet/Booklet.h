#pragma once

#include "booklet/BookletPlan.h"
#include "store/ProgramSettings.h"

#include <QByteArray>
#include <QDateTime>

#include <functional>
#include <optional>

// A booklet as a PDF, made in memory: a title page, then the poems in
// vertical writing, mincho, right to left, a fixed number a page, each
// poem's date small at the foot of its column in kanji numerals, the page
// numbers in kanji numerals at the foot. The title and the poet go into the
// PDF's information too.
namespace Booklet {

struct Made
{
    QByteArray pdf;
    int pages = 0; // the title page included
};

// progress is told the poems set so far after each page; when it answers
// false the booklet is given up and nothing is returned.
std::optional<Made> make(const BookletPlan &plan, const std::vector<Haiku_record> &records,
                         const ProgramSettings::Booklet &choice, const QDateTime &now,
                         const std::function<bool(int poemsDone)> &progress = {});

// The date at the foot of a poem: in kanji numerals when the date text
// reads as a date, else the text as written.
QString footDate(const QString &date_text);

} // namespace Booklet

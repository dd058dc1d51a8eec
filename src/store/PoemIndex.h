#pragma once

#include "store/HaikuRecord.h"

#include <QString>

#include <vector>

// Every poem in notebook order, joined into one text for the keyword
// search: one scan of a compact text instead of a visit to every poem.
class PoemIndex
{
public:
    // Appends to rows the records (of category, unless all) whose poem holds
    // keyword, in notebook order. Builds the index anew when a poem changed.
    void find(const std::vector<Haiku_record> &records, const QString &category, bool all,
              const QString &keyword, std::vector<int> &rows);
    // The records first..last-1 were rotated so that record middle came
    // first: the index follows, so the next search need not build it again.
    void rotate(std::size_t first, std::size_t middle, std::size_t last, std::size_t recordCount);

private:
    bool current(const std::vector<Haiku_record> &records) const;
    void build(const std::vector<Haiku_record> &records);

    // The poems the text was built from. They share the records' poem
    // strings, and a shared string copies itself before it changes, so a
    // record whose poem is still the very same string has the same poem.
    std::vector<QString> m_poems{1};
    QString m_text;                       // each poem followed by a line end
    std::vector<qsizetype> m_start{0, 0}; // where poem i begins; one more entry for the end
};

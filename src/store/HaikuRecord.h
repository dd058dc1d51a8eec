#pragma once

#include <QString>

// One haiku, its seven fields in the order the haiku file keeps them.
struct Haiku_record
{
    QString date_text;
    QString category;
    QString poem;
    QString memo_no; // kept as the text it was read as; compared and formatted as a number
    QString created_stamp;
    QString updated_stamp;
    QString locked = QStringLiteral("NO"); // "YES" or "NO"

    bool operator==(const Haiku_record &) const = default;
};

#pragma once

#include <QString>

inline constexpr int kRecordLines = 7;

// One haiku, its seven fields in the order the haiku file keeps them.
struct Haiku_record
{
    QString date_text;
    QString category;
    QString poem;
    QString memo_no; // kept as the text it was read as; compared and formatted as a number
    QString created_stamp;
    QString updated_stamp;
    QString locked = lockedNo; // lockedYes or lockedNo

    // The lock flag as the haiku file spells it.
    static inline const QString lockedYes = QStringLiteral("YES");
    static inline const QString lockedNo = QStringLiteral("NO");
    bool isLocked() const { return locked == lockedYes; }
    static const QString &lockFlag(bool locked) { return locked ? lockedYes : lockedNo; }

    bool operator==(const Haiku_record &) const = default;
};

// The fields in file order: the haiku file's reader and writer both go by
// this one table.
inline constexpr QString Haiku_record::*kRecordFields[kRecordLines] = {
    &Haiku_record::date_text,     &Haiku_record::category,      &Haiku_record::poem,  &Haiku_record::memo_no,
    &Haiku_record::created_stamp, &Haiku_record::updated_stamp, &Haiku_record::locked};

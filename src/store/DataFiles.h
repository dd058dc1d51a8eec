#pragma once

#include "store/HaikuRecord.h"
#include "store/NumberText.h"

#include <QDateTime>
#include <QStringList>

#include <array>
#include <vector>

// The program's settings, one line each of "haiku.ini", in file order.
struct Settings
{
    NumberText last_memo_no;
    NumberText window_state; // 0 normal, 1 minimised, 2 maximised
    NumberText window_top;
    NumberText window_left;
    NumberText window_height;
    NumberText window_width;
    NumberText list_height;
    QString tate_font = QStringLiteral("ＭＳ 明朝");
    QString spare_setting_a = QStringLiteral("全部");
    QString print_font = QStringLiteral("ＭＳ 明朝");
    QString spare_setting_b = QStringLiteral("更新日");
    NumberText spare_setting_c;
    QString lock_password;

    // Lines after the thirteenth in a file edited by hand; carried through.
    QStringList extra_lines;
};

inline constexpr int kSettingsLines = 13;
inline constexpr int kKeywordSlots = 20;

// The data files as pure functions from lines to values and back. Reading is
// forgiving: a short file takes defaults for what is missing and nothing that
// was read is dropped.
namespace DataFiles {

inline const QString settingsFile = QStringLiteral("haiku.ini");
inline const QString haikuFile = QStringLiteral("haiku.dat");
inline const QString categoryFile = QStringLiteral("bunrui.dat");
inline const QString keywordFile = QStringLiteral("kensaku.dat");
inline const QString memoFolder = QStringLiteral("memo1");

// Missing lines take their value from defaults.
Settings parseSettings(const QStringList &lines, const Settings &defaults);
QStringList settingsLines(const Settings &s);

// Seven lines a record; a last record cut short keeps what it has, with
// empty fields and "NO" for the lock. Index 0 of the result is unused.
// borrow: the fields that are not shared between records point into text
// itself, which must then outlive them and never change.
// Room is made for the records of reserveFor characters of text (at least
// text's own), so that records read elsewhere can be appended without moving.
std::vector<Haiku_record> parseHaiku(QStringView text, bool borrow = false, qsizetype reserveFor = 0);

// How many lines the last record of a haiku file has when the file ends
// inside it (1 to 6); 0 when the file ends where a record ends.
int cutRecordLines(qsizetype haikuFileLines);

// Calls f(const QString &) for every line of the haiku file, records 1 on.
template <typename F> void forEachHaikuLine(const std::vector<Haiku_record> &list, F &&f)
{
    for (std::size_t i = 1; i < list.size(); ++i) {
        for (QString Haiku_record::*field : kRecordFields)
            f(list[i].*field);
    }
}
QStringList haikuLines(const std::vector<Haiku_record> &list);

const QStringList &defaultCategories();

// Twenty slots; lines past the twentieth are handed back in extra.
std::array<QString, kKeywordSlots> parseKeywords(const QStringList &lines, QStringList *extra);

// The largest memo number the files use. A new haiku is never given a
// number above it, so the next number can never overflow.
inline constexpr qint64 kMemoNoLimit = 2147483647;

// A memo number as the files write it (" 12 "), read as a number from 0 to
// kMemoNoLimit. A damaged or hand-edited line that holds no such number
// (negative, too many digits, not a number) reads as 0, which no haiku uses.
qint64 memoNumber(QStringView text);

// "m1" + the number padded to six digits + ".txt": 1 -> "m1000001.txt".
QString memoFileName(qint64 memo_no);

// A memo file's text: the file less one final line end, with its lines
// joined by "\n" for the text boxes. A file written by hand without a final
// line end loses nothing: "秋" (two bytes) reads as "秋", "a" as "a".
QString memoFromFile(const QString &fileText);
// The bytes-to-be of a memo as text: every line ends in CR LF.
QString memoToFile(const QString &memo);

// "yy/mm/dd hh:nn:ss". Coded, a first digit 0 to 4 is written "a" to "e".
QString timeStamp(const QDateTime &t, bool coded);
// The short date form, year/month/day zero-padded: "2026/12/07".
QString shortDate(const QDate &d);

// The welcome haiku's memo lines.
const QStringList &welcomeMemoLines();

} // namespace DataFiles

#pragma once

#include <QDate>
#include <QString>

#include <optional>

// Numbers and dates as a vertical page writes them.
namespace KanjiNumerals {

// Digit by digit, as a year is written: 2026 -> 二〇二六.
QString digits(qint64 n);

// As a number is read: 7 -> 七, 12 -> 十二, 20 -> 二十, 105 -> 百五,
// 2026 -> 二千二十六, 10000 -> 一万. Page numbers and the month and day.
QString number(qint64 n);

// 二〇二六年十二月七日.
QString date(const QDate &d);

// The date a haiku's date text holds: year, month and day in that order,
// separated by "/", "-", "." or 年 月 (日), in half- or full-width digits
// ("2026/12/07", "２０２６／１２／７", "2026年12月7日"). Nothing for anything else,
// a date that does not exist among them.
std::optional<QDate> parseDate(const QString &text);

} // namespace KanjiNumerals

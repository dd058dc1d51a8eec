#include "booklet/KanjiNumerals.h"

#include <QRegularExpression>

namespace {

const QString kDigits = QStringLiteral("〇一二三四五六七八九");

// 1 to 9999: 千 百 十 with their multipliers, 一 left out before them.
QString belowTenThousand(int n)
{
    static const QString units[] = {QStringLiteral("千"), QStringLiteral("百"), QStringLiteral("十")};
    static const int values[] = {1000, 100, 10};
    QString out;
    for (int i = 0; i < 3; ++i) {
        const int d = n / values[i];
        n %= values[i];
        if (d == 0)
            continue;
        if (d > 1)
            out += kDigits[d];
        out += units[i];
    }
    if (n > 0)
        out += kDigits[n];
    return out;
}

} // namespace

QString KanjiNumerals::digits(qint64 n)
{
    QString out;
    const QString decimal = QString::number(n);
    for (QChar c : decimal)
        out += c.isDigit() ? kDigits[c.digitValue()] : c;
    return out;
}

QString KanjiNumerals::number(qint64 n)
{
    if (n == 0)
        return kDigits[0];
    if (n < 0)
        return QStringLiteral("マイナス") + number(-n);
    static const QString groups[] = {QString(), QStringLiteral("万"), QStringLiteral("億"),
                                     QStringLiteral("兆"), QStringLiteral("京")};
    QString out;
    for (int g = 0; n > 0 && g < 5; ++g, n /= 10000) {
        const int part = int(n % 10000);
        if (part > 0)
            out.prepend(belowTenThousand(part) + groups[g]);
    }
    return out;
}

QString KanjiNumerals::date(const QDate &d)
{
    return digits(d.year()) + QStringLiteral("年") + number(d.month()) + QStringLiteral("月") +
           number(d.day()) + QStringLiteral("日");
}

std::optional<QDate> KanjiNumerals::parseDate(const QString &text)
{
    // Full-width digits and separators read as their half-width forms.
    const QString plain = text.normalized(QString::NormalizationForm_KC).trimmed();
    static const QRegularExpression form(
        QStringLiteral("^(\\d{4})\\s*[/\\-.年]\\s*(\\d{1,2})\\s*[/\\-.月]\\s*(\\d{1,2})\\s*日?$"));
    const QRegularExpressionMatch m = form.match(plain);
    if (!m.hasMatch())
        return std::nullopt;
    const QDate d(m.captured(1).toInt(), m.captured(2).toInt(), m.captured(3).toInt());
    if (!d.isValid())
        return std::nullopt;
    return d;
}

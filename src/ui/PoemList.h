#pragma once

#include <QString>
#include <QStringList>

#include <algorithm>

// Poems named in a message: one a line, each after "・", and after the
// first few the number of the others.
namespace PoemList {

inline constexpr int kNamed = 10;

inline QString bulleted(const QStringList &poems, int named = kNamed)
{
    QStringList lines;
    for (const QString &poem : poems.first(std::min<qsizetype>(poems.size(), named)))
        lines.append(QStringLiteral("・") + poem);
    if (poems.size() > named)
        lines.append(QStringLiteral("ほか%1句").arg(poems.size() - named));
    return lines.join(u'\n');
}

} // namespace PoemList

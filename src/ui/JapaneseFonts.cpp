#include "ui/JapaneseFonts.h"

#include <QFont>
#include <QSet>
#include <QStringList>

void JapaneseFonts::install()
{
    const QStringList minchoFaces{QStringLiteral("IPAMincho"), QStringLiteral("IPA明朝"),
                                  QStringLiteral("Noto Serif CJK JP")};
    const QStringList gothicFaces{QStringLiteral("IPAGothic"), QStringLiteral("IPAゴシック"),
                                  QStringLiteral("Noto Sans CJK JP")};
    const QStringList minchoNames{QString::fromUtf8(mincho), QStringLiteral("MS Mincho"),
                                  QStringLiteral("ＭＳ Ｐ明朝"), QStringLiteral("MS PMincho")};
    const QStringList gothicNames{QString::fromUtf8(gothic), QStringLiteral("MS Gothic"),
                                  QStringLiteral("ＭＳ Ｐゴシック"), QStringLiteral("MS PGothic"),
                                  QStringLiteral("MS UI Gothic")};
    for (const QString &name : minchoNames)
        QFont::insertSubstitutions(name, minchoFaces);
    for (const QString &name : gothicNames)
        QFont::insertSubstitutions(name, gothicFaces);
}

QString JapaneseFonts::familyOf(const QString &fontName)
{
    if (!fontName.endsWith(QLatin1Char(']')))
        return fontName;
    const qsizetype open = fontName.lastIndexOf(QLatin1String(" ["));
    return open > 0 ? fontName.left(open) : fontName;
}

QStringList JapaneseFonts::fontChoices(const QStringList &families)
{
    QStringList list{QString::fromUtf8(mincho), QString::fromUtf8(gothic)};
    QSet<QString> listed(list.begin(), list.end());
    for (const QString &family : families) {
        const QString name = familyOf(family);
        if (!name.isEmpty() && !listed.contains(name)) {
            listed.insert(name);
            list.append(name);
        }
    }
    return list;
}

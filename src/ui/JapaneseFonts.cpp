#include "ui/JapaneseFonts.h"

#include <QFont>
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

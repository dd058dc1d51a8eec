#pragma once

#include <QByteArray>
#include <QList>
#include <QString>
#include <QStringList>

// The seed corpus of each fuzz target, made afresh from the notebooks under
// tests/data and from small random notebooks saved by the notebook itself.
namespace FuzzSeeds {

struct Seed
{
    QString name;
    QByteArray bytes;
};

// "settings", "haiku", "categories", "keywords", "memo", "cp932", "startup".
const QStringList &targets();
QList<Seed> forTarget(const QString &target);

} // namespace FuzzSeeds

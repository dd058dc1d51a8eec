#pragma once

#include "store/StoreProblem.h"

#include <QHash>
#include <QString>

#include <optional>
#include <vector>

// ゴミ箱/: the memo files of deleted haiku. A deletion moves a memo file
// (memo1/m1000012.txt) and its companion (memo2/m2000012.txt) in here under
// their own names, both in the one folder; a restore moves them back. A file
// already here is never written over: the second m1000012.txt to come is
// kept as m1000012-2.txt, the third as m1000012-3.txt, so the highest number
// is the newest. memo1 itself looks as it would without the trash.
class Trash
{
public:
    static inline const QString folderName = QStringLiteral("ゴミ箱");

    // notebookFolder ends in "/".
    explicit Trash(const QString &notebookFolder);

    // Why no file of the folder from (in the notebook folder: "memo1")
    // could be moved in now, as a system error number; 0 when they can.
    // Makes the trash folder when it is missing.
    int unusableFrom(const QString &from) const;
    // Why the file at name ("memo1/m1000012.txt") could not be moved in, in words.
    static StoreProblem notMoved(const QString &name, int error);
    // Moves the file at name in. A file that is not there counts as moved.
    std::optional<StoreProblem> take(const QString &name);

    // The newest file here for each name a file came with:
    // "m1000012.txt" -> "m1000012-2.txt".
    QHash<QString, QString> newest() const;

    struct Return
    {
        QString trashName; // "m1000012-2.txt"
        QString to;        // in the notebook folder: "memo1/m1000012.txt"
    };
    // Moves each file back where it goes, never over a file that is there.
    // When one cannot go, those already moved come back in and nothing has
    // changed.
    std::optional<StoreProblem> giveBack(const std::vector<Return> &returns);
    // Moves files given back in again, under the names they had here.
    void takeBack(const std::vector<Return> &returns);

private:
    QString folder() const { return m_folder + folderName; }
    QString inTrash(const QString &trashName) const { return folder() + QLatin1Char('/') + trashName; }
    void syncAll(const std::vector<Return> &returns) const;

    QString m_folder;
};

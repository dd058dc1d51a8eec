#pragma once

#include "store/HaikuRecord.h"
#include "store/StoreProblem.h"
#include "store/Trash.h"

#include <QHash>
#include <QStringList>

#include <functional>
#include <optional>
#include <vector>

// What bringing back a kept state of the haiku file does, worked out before
// anything is moved or written. The notebook becomes the kept state: the
// haiku it had come back with their memo files out of the trash, the haiku
// entered since go, their memo files into the trash. A memo file is never
// written over: a haiku that comes back keeps its memo number unless another
// haiku holds that number now, and then it is given a new one, its memo file
// coming back under that number.
struct RestorePlan
{
    // What the plan needs to know of the folder.
    struct Folder
    {
        std::function<bool(const QString &name)> exists; // a file at name ("memo1/m1000012.txt")
        QHash<QString, QString> trash;                   // Trash::newest()
        std::function<qint64()> newNumber;               // the next free memo number; 0 when none is left
        std::function<bool(const QString &category)> knowsCategory;
    };

    // then: the kept state's records; now: the notebook's (index 0 unused in both).
    static RestorePlan make(std::vector<Haiku_record> then, const std::vector<Haiku_record> &now,
                            const Folder &folder);

    std::optional<StoreProblem> problem; // why the state cannot come back; nothing is planned then
    std::vector<Haiku_record> records;   // the notebook afterwards
    std::vector<Trash::Return> returns;  // memo files out of the trash, before the haiku file is written
    std::vector<qint64> toTrash;         // memo numbers of haiku that go, after it is written
    qint64 largestNewNumber = 0;         // 0 when no number was given anew
    int renumbered = 0;                  // haiku given a new memo number
    QStringList newCategories;           // of haiku that come back, not in the category list
};

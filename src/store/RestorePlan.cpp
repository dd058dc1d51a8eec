#include "store/RestorePlan.h"

#include "store/DataFiles.h"
#include "store/History.h"
#include "store/NotebookFiles.h"
#include "store/TextLines.h"

#include <QSet>

RestorePlan RestorePlan::make(std::vector<Haiku_record> then, const std::vector<Haiku_record> &now,
                              const Folder &folder)
{
    RestorePlan plan;
    // Who holds each memo number now, and which haiku are there.
    QHash<qint64, QString> holder;
    QSet<QString> nowIds;
    for (std::size_t i = 1; i < now.size(); ++i) {
        const qint64 n = DataFiles::memoNumber(now[i].memo_no);
        const QString id = History::identity(n, now[i].created_stamp);
        nowIds.insert(id);
        if (n != 0 && !holder.contains(n))
            holder.insert(n, id);
    }
    QSet<qint64> thenNumbers;
    for (std::size_t i = 1; i < then.size(); ++i)
        thenNumbers.insert(DataFiles::memoNumber(then[i].memo_no));

    QHash<QString, qint64> decided; // by identity: the number each haiku comes back under
    QSet<qint64> usedAfter;
    for (std::size_t i = 1; i < then.size(); ++i) {
        Haiku_record &r = then[i];
        const qint64 n = DataFiles::memoNumber(r.memo_no);
        if (n == 0)
            continue; // no memo file to look after
        const QString id = History::identity(n, r.created_stamp);
        auto d = decided.constFind(id);
        if (d == decided.constEnd()) {
            const auto h = holder.constFind(n);
            qint64 to = n;
            if (h != holder.constEnd() && *h != id) {
                // Another haiku holds the number: this one takes a new one.
                do
                    to = folder.newNumber();
                while (to != 0 && thenNumbers.contains(to));
                if (to == 0) {
                    plan.problem = StoreProblem{
                        StoreProblem::Kind::MemoNumbers, DataFiles::memoFolder,
                        QStringLiteral("メモの番号をすべて使い切ったため、以前の状態に戻せません。")};
                    return plan;
                }
                ++plan.renumbered;
                plan.largestNewNumber = std::max(plan.largestNewNumber, to);
            }
            // Its memo file comes out of the trash unless it is in the memo
            // folder already (the haiku is there now, or its deletion was
            // cut short before the file moved).
            const bool inFolder =
                to == n && (h != holder.constEnd() || folder.exists(NotebookFiles::memoName(n)));
            const QString memo = DataFiles::memoFileName(n);
            const QString companion = NotebookFiles::companionName(n).section(QLatin1Char('/'), -1);
            if (!inFolder && folder.trash.contains(memo)) {
                plan.returns.push_back({folder.trash.value(memo), NotebookFiles::memoName(to)});
                if (folder.trash.contains(companion) && !folder.exists(NotebookFiles::companionName(to)))
                    plan.returns.push_back({folder.trash.value(companion), NotebookFiles::companionName(to)});
            }
            d = decided.insert(id, to);
        }
        if (*d != n)
            r.memo_no = TextLines::formatNumber(double(*d));
        usedAfter.insert(*d);
    }

    // The haiku of now that the kept state does not have: their memo files go.
    QSet<qint64> trashed;
    for (std::size_t i = 1; i < now.size(); ++i) {
        const qint64 n = DataFiles::memoNumber(now[i].memo_no);
        if (n != 0 && !usedAfter.contains(n) && !trashed.contains(n)) {
            trashed.insert(n);
            plan.toTrash.push_back(n);
        }
    }
    // The categories of haiku that come back, which a deletion of the
    // category's haiku took from the list.
    for (std::size_t i = 1; i < then.size(); ++i) {
        const Haiku_record &r = then[i];
        if (!r.category.isEmpty() && !folder.knowsCategory(r.category) &&
            !plan.newCategories.contains(r.category) &&
            !nowIds.contains(History::identity(DataFiles::memoNumber(r.memo_no), r.created_stamp)))
            plan.newCategories.append(r.category);
    }
    plan.records = std::move(then);
    return plan;
}

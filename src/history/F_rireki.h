#pragma once

#include "store/Notebook.h"
#include "ui/Hints.h"

#include <QDialog>

#include <optional>
#include <vector>

class QLabel;
class QPushButton;
class QTreeWidget;

// 以前の状態に戻す: the kept states of the notebook, newest first, each with
// its date and time, its number of haiku and how it differs from now. The
// poet picks one, is shown what will come back and what will go, and is
// asked; いいえ is the default. The state now is kept before the restore, so
// a restore is itself undone the same way.
class F_rireki : public QDialog
{
    Q_OBJECT
public:
    F_rireki(QWidget *owner, Notebook &notebook, Hints::Sink hint);

    // Opens the window over owner and waits until it closes. Gives back what
    // the restore did; nothing when no state was brought back.
    static std::optional<Notebook::RestoreResult> open(QWidget *owner, Notebook &notebook, Hints::Sink hint);

    void Command1_Click(); // 戻す
    void Command2_Click(); // 閉じる

    // The list's third column: the poems that come back or go when they are
    // few, else how many haiku more or fewer the state has than now.
    static QString differenceText(const History::Difference &d, int nowCount);
    // The question asked before a state is brought back.
    static QString question(const History::Entry &entry, const History::Difference &d);

private:
    void createControls();
    void fillList();

    QLabel *Label1;        // what to do
    QTreeWidget *List1;    // the kept states
    QPushButton *Command1; // 戻す
    QPushButton *Command2; // 閉じる

    Notebook &nb;
    Hints::Sink m_hint;
    std::vector<History::Entry> m_entries; // as listed
    std::vector<std::optional<History::Difference>> m_differences;
    std::optional<Notebook::RestoreResult> m_result;
};

#pragma once

#include "store/Notebook.h"
#include "ui/Hints.h"

#include <QDialog>

#include <optional>

class QLabel;
class QPushButton;

// Asks once more before a haiku is deleted, since a deleted haiku cannot be
// brought back. On いいよ the haiku goes from the notebook with its own memo
// file, and the haiku file is rewritten at once.
class F_sakujo : public QDialog
{
    Q_OBJECT
public:
    using Result = Notebook::RemoveResult;

    // Opens the question over owner for record index and waits for the
    // answer. Nothing when the poet thought better of it.
    static std::optional<Result> open(QWidget *owner, Notebook &nb, int index, const Hints::Sink &hint);

    F_sakujo(QWidget *owner, Notebook &nb, int index, const Hints::Sink &hint);
    std::optional<Result> result() const { return m_result; }

    void Command1_Click(); // いいよ
    void Command2_Click(); // やっぱりダメ

private:
    QLabel *Label1;        // 削除した句は復活できません。
    QLabel *Label2;        // 本当に削除してよろしいですか？
    QPushButton *Command1; // いいよ
    QPushButton *Command2; // やっぱりダメ

    Notebook &nb;
    int m_index;
    std::optional<Result> m_result;
};

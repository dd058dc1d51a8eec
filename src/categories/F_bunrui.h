#pragma once

#include "ui/Hints.h"

#include <QDialog>

#include <optional>

class Notebook;
struct StoreProblem;
class QFrame;
class QLineEdit;
class QListWidget;
class QPushButton;

// 分類の整理: the poet adds, reorders and deletes categories, and may delete
// every haiku of one category. The first category (全部) is never shown here,
// never moved and never deleted; item i of the list is category entry i + 2.
class F_bunrui : public QDialog
{
    Q_OBJECT
public:
    // How the window was left, so that the main window knows what to redraw.
    enum class Result {
        Finished,     // 終了: the category file written, the filter to be refilled
        HaikuDeleted, // 該当句削除: the list to show every haiku that is left
    };

    F_bunrui(QWidget *owner, Notebook &notebook, Hints::Sink hint);

    // Opens the window over owner and waits until it closes. Nothing when it
    // was closed with the close box or Esc: changes stay in memory and the
    // filter is left alone.
    static std::optional<Result> open(QWidget *owner, Notebook &notebook, Hints::Sink hint);

    void Command6_Click(); // 分類追加
    void Command1_Click(); // ↑一つ上に
    void Command2_Click(); // ↓一つ下に
    void Command3_Click(); // 分類削除
    void Command5_Click(); // 該当句削除
    void Command4_Click(); // 終了

    std::optional<Result> result() const { return m_result; }

protected:
    void mouseMoveEvent(QMouseEvent *event) override;

private:
    void createControls();
    void attachHints();
    // List1 refilled with category entries 2 on; nothing selected.
    void fillList();
    // The selected item's index, -1 when none is selected.
    int selectedItem() const;
    void select(int item);
    // One message for everything that went wrong; nothing when nothing did.
    void tell(const QList<StoreProblem> &problems);

    QLineEdit *Text1;      // name of a category to add
    QPushButton *Command6; // 分類追加
    QFrame *Line1;         // a grey line, decoration only
    QListWidget *List1;    // the categories the poet may change
    QPushButton *Command1; // ↑一つ上に
    QPushButton *Command2; // ↓一つ下に
    QPushButton *Command3; // 分類削除
    QPushButton *Command5; // 該当句削除
    QPushButton *Command4; // 終了

    Notebook &nb;
    Hints::Sink m_hint;
    std::optional<Result> m_result;
};

#pragma once

#include <QDialog>

#include <optional>

class Notebook;
class QCheckBox;
class QComboBox;
class QLabel;
class QPushButton;
class QRadioButton;

// 書き出し: the notebook, or one category, written out as UTF-8 for other
// programs, as CSV or as plain text, into the notebook folder. Locked memos
// are written only after the password is typed for this export.
class F_kakidasi : public QDialog
{
    Q_OBJECT
public:
    F_kakidasi(QWidget *owner, const Notebook &nb);

    // Opens the window over owner and waits until it closes; gives back the
    // file written, nothing when none was.
    static std::optional<QString> open(QWidget *owner, const Notebook &nb);

    void Command1_Click(); // 書き出し
    void Command2_Click(); // 中止

    std::optional<QString> written() const { return m_written; }

private:
    void createControls();
    // The password typed for locked memos; nothing when the prompt was cancelled.
    std::optional<QString> askPassword();

    QLabel *Label1;        // 分類
    QComboBox *Combo1;     // 全部 or a category
    QLabel *Label2;        // 形式
    QRadioButton *Option1; // CSV（表計算ソフト用）
    QRadioButton *Option2; // テキスト
    QCheckBox *Check1;     // 鍵付きのメモも書き出す
    QPushButton *Command1; // 書き出し
    QPushButton *Command2; // 中止

    const Notebook &nb;
    std::optional<QString> m_written;
};

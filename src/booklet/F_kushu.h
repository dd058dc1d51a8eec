#pragma once

#include "store/ProgramSettings.h"

#include <QDialog>

#include <optional>

class Notebook;
class QCheckBox;
class QComboBox;
class QDateEdit;
class QLabel;
class QLineEdit;
class QPushButton;
class QRadioButton;

// 句集を作る: the poet chooses the haiku (全部 or a category, a date range),
// their order, the page size, the title and the poet's name, and whether
// each poem carries its date; 作成 writes the booklet as a PDF into the
// notebook folder. The notebook is only read; the choices are kept for next
// time in yurimoka.ini.
class F_kushu : public QDialog
{
    Q_OBJECT
public:
    F_kushu(QWidget *owner, const Notebook &nb);

    // Opens the window over owner and waits until it closes; gives back the
    // PDF written, nothing when none was.
    static std::optional<QString> open(QWidget *owner, const Notebook &nb);

    void Check1_Click();   // the date range on or off
    void Command1_Click(); // 作成
    void Command2_Click(); // 中止

    std::optional<QString> written() const { return m_written; }

private:
    void createControls();
    void showChoice(const ProgramSettings::Booklet &b);
    ProgramSettings::Booklet choice() const;

    QLabel *Label1;        // 分類
    QComboBox *Combo1;     // 全部 or a category
    QCheckBox *Check1;     // 日付で絞り込む
    QDateEdit *Date1;      // from
    QLabel *Label2;        // ～
    QDateEdit *Date2;      // to
    QLabel *Label3;        // 並び順
    QRadioButton *Option1; // 句帳の順
    QRadioButton *Option2; // 日付の順
    QLabel *Label4;        // 判型
    QComboBox *Combo2;     // A5 B6 A4
    QLabel *Label5;        // 題名
    QLineEdit *Text1;      // the title
    QLabel *Label6;        // 作者名
    QLineEdit *Text2;      // the poet's name
    QCheckBox *Check2;     // 句に日付を添える
    QPushButton *Command1; // 作成
    QPushButton *Command2; // 中止

    const Notebook &nb;
    ProgramSettings m_settings;
    std::optional<QString> m_written;
};

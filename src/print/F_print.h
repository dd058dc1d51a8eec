#pragma once

#include "store/ProgramSettings.h"

#include <QDialog>

#include <optional>

class Notebook;
class PrinterLayer;
class ListGrid;
class QCheckBox;
class QComboBox;
class QLabel;
class QListWidget;
class QPushButton;
struct PrintOutcome;

// 選択した句の印刷: the poet browses the haiku by category, double-clicks
// poems into the print list, picks the print font and prints. The notebook
// is only read; the print font is the one setting it keeps.
class F_print : public QDialog
{
    Q_OBJECT
public:
    F_print(QWidget *owner, Notebook &notebook, PrinterLayer &printer);

    // Opens the window over owner and waits until it closes; gives back the
    // print font it leaves in the settings.
    static std::optional<QString> open(QWidget *owner, Notebook &notebook, PrinterLayer &printer);

    void Combo1_Click();   // a category chosen: the grid shows its haiku
    void Combo2_Click();   // a print font chosen
    void Grid1_DblClick(); // a poem into the print list
    void List1_DblClick(); // a poem out of the print list
    void Check1_Click();   // 縦書き on or off, kept for next time
    void Command1_Click(); // 印刷
    void Command2_Click(); // 中止

    // The print list, in its order.
    QStringList printList() const;

private:
    void Form_Load();
    void createControls();
    void setUpGrid();
    void fillGrid(const QString &category);
    bool selectFont(const QString &name);
    void tell(const PrintOutcome &outcome);

    QLabel *Label2;    // 分類
    QComboBox *Combo1; // category
    QLabel *Label1;    // 印刷用フォント
    QComboBox *Combo2; // print font
    QLabel *Label3; // 印刷したい句をダブルクリックして、右側のリストに追加してください。
    QLabel *Label4; // 印刷を取り消したい句は、ダブルクリックするとリストから消えます。
    ListGrid *Grid1;       // the haiku of the chosen category
    QListWidget *List1;    // the print list
    QCheckBox *Check1;     // 縦書き
    QPushButton *Command1; // 印刷
    QPushButton *Command2; // 中止

    Notebook &nb;
    PrinterLayer &m_printer;
    ProgramSettings m_settings;
    bool m_loading = false;
    int m_printListCount = 0;
};

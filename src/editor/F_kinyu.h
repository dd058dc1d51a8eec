#pragma once

#include "editor/KinyuLayout.h"
#include "store/HaikuRecord.h"
#include "ui/Hints.h"

#include <QDialog>

#include <optional>

class Notebook;
class QCheckBox;
class QComboBox;
class QFrame;
class QLabel;
class QLineEdit;
class QPlainTextEdit;
class QPushButton;
class VerticalLabel;

// The entry window: one haiku written or corrected, with its category, date,
// poem, memo and lock, and the poem shown upright as it is typed. 登録 stores
// it in the notebook with its memo file, adds a new category and rewrites the
// haiku file; 中止, Esc and the close box store nothing. The main window
// redraws itself from the notebook afterwards.
class F_kinyu : public QDialog
{
    Q_OBJECT
public:
    // What the window left in the notebook.
    struct Stored
    {
        int index = 0;       // the record stored: 1 for a new haiku
        Haiku_record record; // as stored
    };

    // Opens the window over owner for a new haiku (index 0) or to correct
    // record index, and waits until it closes. Nothing when nothing was
    // stored. A memo that is there but cannot be read is said, and the
    // window does not open: storing would write over it. previewFamily is
    // the face of the main window's vertical poem; hint writes into the main
    // window's hint line.
    static std::optional<Stored> open(QWidget *owner, Notebook &nb, int index, const Hints::Sink &hint,
                                      const QString &previewFamily);

    F_kinyu(QWidget *owner, Notebook &nb, const Hints::Sink &hint, const QString &previewFamily);

    // Fills the window for a new haiku (index 0) or record index, and places
    // it over the main window. False, after telling the poet why, when the
    // memo to correct cannot be read.
    bool Form_Load(int index);
    std::optional<Stored> stored() const { return m_stored; }

    void Command1_Click(); // 登録
    void Command2_Click(); // 中止
    void Command3_Click(); // 今日
    // Lays the controls out for the window's size.
    void Form_Resize();

protected:
    void resizeEvent(QResizeEvent *event) override;
    void mouseMoveEvent(QMouseEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    QLabel *Label1;        // 分類
    QComboBox *Combo1;     // the category
    QLabel *Label2;        // 年/月/日
    QLineEdit *Text1;      // the date
    QPushButton *Command3; // 今日
    QCheckBox *Check3;     // 鍵をかける
    QFrame *Shape1;        // frame of the preview
    VerticalLabel *Label4; // the poem upright, as typed
    QLabel *Label6;        // 句
    QLineEdit *Text2;      // the poem
    QLabel *LabelOnsu;     // the poem's sounds: 5・7・5（17音）
    QLabel *Label3;        // 作句の状況、思い出、…
    QPlainTextEdit *Text3; // the memo
    QPushButton *Command2; // 中止
    QPushButton *Command1; // 登録

    void createControls(const QString &previewFamily);
    void attachHints();
    void placeOverOwner();
    void applyLayout(const KinyuLayout::Layout &l);
    // The first box holding a value the files cannot keep is named to the
    // poet and given the focus; false then.
    bool valuesStorable();
    QString today() const;
    // The count of the poem's sounds under the poem box and in its description.
    void showOnsu();

    Notebook &nb;
    Hints::Sink m_hint;
    // The record this window corrects; 0 while it enters a new haiku. Once a
    // new haiku has been stored, the window corrects that one.
    int m_index = 0;
    std::optional<Stored> m_stored;
};

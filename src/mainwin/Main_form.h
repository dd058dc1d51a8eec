#pragma once

#include "mainwin/MainLayout.h"
#include "ui/Hints.h"

#include <QMainWindow>

#include <memory>

class Notebook;
class PrinterLayer;
class ListGrid;
class VerticalLabel;
class QAction;
class QComboBox;
class QFrame;
class QLabel;
class QLineEdit;
class QMenu;
class QPlainTextEdit;
class QPushButton;
class QTimer;
struct Settings;

// The main window: the haiku list with its category filter, the poem in
// vertical writing beside it, the memo below, the buttons and the hint line.
class Main_form : public QMainWindow
{
    Q_OBJECT
public:
    explicit Main_form(Notebook &notebook, QWidget *parent = nullptr);
    ~Main_form() override;

    // Start-up: loads the notebook (writing the default files on a first run),
    // restores the window and fills the list. False when the program must end
    // at once without saving, after telling the user why.
    bool Form_Load();
    // Shows the window in the state it was saved in.
    void showAsSaved();

    // The category filter: rebuilds the list for Combo1's text.
    void Combo1_Click();
    // Quitting, by any of its four ways: saves everything and ends the
    // program. When a file cannot be written the user is told and the window
    // stays open, the notebook still in memory.
    void Menu_quit_Click();
    void Menu_file_quit_Click();
    void Command9_Click();

    // True once everything has been saved and the program is ending.
    bool hasQuit() const { return m_quit; }

    // Whether showing a row reads its memo into the memo box.
    enum class MemoShown { Yes, No };
    // Shows grid row r without asking for the password: a locked haiku's memo
    // stays hidden, and with MemoShown::No every memo does.
    void showRowQuietly(int r, MemoShown memo = MemoShown::Yes);
    // A click on a row shows its haiku, reading the memo afresh; a locked
    // memo first asks for the password, every time. On a locked row the
    // question waits until the time for a double click has passed, so that
    // the notice never takes the second click of a double click.
    void Grid1_Click();
    // A double click is 編集. On an unlocked row the click has shown the row;
    // on a locked one the click's question is dropped and 編集 asks once.
    void Grid1_DblClick();
    // 登録: a new haiku in the entry window; afterwards row 1 is shown.
    void Command6_Click();
    // 編集: the selected haiku in the entry window, after the password when
    // its memo is locked; afterwards the same row number is shown.
    void Command8_Click();
    // 削除: the selected haiku, after one more question; the list is then
    // refilled under the category and keyword in force.
    void Command7_Click();
    // The list refilled under the category filter and the keyword box's
    // text as they stand. Selects no row.
    void rebuildList();
    // ﾌｧｲﾙ → 鍵の設定: sets the password of the locked memos.
    void Menu_file_pass_Click();
    void updateCaption();

    // The notebook seems open on another computer (its lock names host): asks
    // whether to quit, and warns once more before opening it all the same.
    static bool openDespiteLock(const QString &host);

    // Lays the controls out for the window's size (list, memo box and
    // buttons follow the window; the poem label's font grows in steps).
    void Form_Resize();
    // The splitter: the strip of bare window surface between list and memo
    // box, y in client twips.
    void Form_MouseMove(double y);
    void Form_MouseDown(double y);
    void Form_MouseUp(double y);

    // Writes a hint into the hint line; the dialogs write theirs through it too.
    void setHint(const QString &text);

    // 使い方: opens the manual with the desktop's own program for it.
    void menu_tukaikata_Click();

    // 選択した句の印刷: the print window.
    void Menu_print_Click();
    // 句集を作る…: the booklet window.
    void Menu_kushu_Click();
    // 書き出し…: the export window.
    void Menu_kakidasi_Click();
    // 以前の状態に戻す…: a kept state brought back; the filter and the list
    // are then refilled, as after the category editor.
    void Menu_restore_Click();
    // 縦書き用フォントの設定: the vertical font window, which previews on the poem.
    void Menu_tatefont_Click();
    // 分類の編集: the category editor; afterwards the filter or the list is
    // redrawn as the editor was left.
    void Menu_bunrui_Click();
    // 検索: lists the haiku of the chosen category whose poem holds the
    // keyword box's text, enters the keyword in the history and shows row 1.
    void Command5_Click();
    // A line picked from the keyword box's list.
    void Combo2_Click(int index);
    // A key pressed in the keyword box, with the text it types; Enter
    // searches and goes no further. True when the key was used up here.
    bool Combo2_KeyPress(int key, const QString &text);
    // 上へ / 下へ: move the haiku on the current row one place among the rows
    // shown, in the notebook itself, and keep it selected.
    void Command1_Click();
    void Command2_Click();

signals:
    // Everything is saved: the program ends now.
    void programEnded();

protected:
    void closeEvent(QCloseEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;
    bool event(QEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    // Controls, by the names tests find them by (objectName).
    QMenu *Menu_file;        // ﾌｧｲﾙ(&F)
    QAction *Menu_file_pass; // 鍵の設定(&P)
    QAction *Menu_tatefont;  // 縦書き用フォントの設定(&K)
    QAction *Menu_print;     // 選択した句の印刷(&K)
    QAction *Menu_kushu;     // 句集を作る…
    QAction *Menu_kakidasi;  // 書き出し…
    QAction *Menu_restore;   // 以前の状態に戻す…(&R)
    QAction *Menu_file_quit; // 終了(&Q)
    QAction *Menu_bunrui;    // 分類の編集(&B)
    QAction *menu_tukaikata; // 使い方(&U)
    QAction *Menu_quit;      // 終了(&Q)
    QLabel *Label1;          // 分類選択
    QComboBox *Combo1;       // category filter
    QLabel *Label2;          // 検索ｷｰﾜｰﾄﾞ
    QComboBox *Combo2;       // search keyword
    QPushButton *Command5;   // 検索
    QPushButton *Command1;   // 上へ
    QPushButton *Command2;   // 下へ
    QFrame *Shape1;          // panel behind the poem
    VerticalLabel *Label3;   // the poem in vertical writing
    ListGrid *Grid1;         // the haiku list
    QPlainTextEdit *Text2;   // memo display
    QLineEdit *Text1;        // hint line
    QPushButton *Command7;   // 削除
    QPushButton *Command8;   // 編集
    QPushButton *Command6;   // 登録
    QPushButton *Command9;   // 終了

    void createControls();
    void attachHints();
    void restoreGeometry();
    void applyOuterSize(double widthTwips, double heightTwips);
    void recordGeometry();
    void setUpGrid();
    enum class QuitChoice { Saved, Discarded, StayOpen };
    // Saves everything; on a failure asks whether to try again or to quit
    // without saving.
    QuitChoice saveAll();
    // The poem's font: family when the printer offers it, else ＭＳ 明朝.
    void setPoemFont(const QString &family);
    // Row 1 current and selected, scrolled into view and shown without asking
    // for the password.
    void selectFirstRow();
    // Combo1 refilled with every category and its first one chosen, which
    // rebuilds the list.
    void fillCategoryFilter(MemoShown memo = MemoShown::Yes);
    // The list rebuilt for the chosen category, the keyword emptied and row 1 shown.
    void filterByCategory(MemoShown memo);

    double layoutWidth() const;
    double layoutHeight() const;
    void applyLayout(const MainLayout::Layout &layout);
    // The controls that follow the window's size, put where layout says.
    void placeControls(const MainLayout::Layout &layout);
    void applySplitter(double y);
    // Row r's poem in the label and, with withMemo, its memo read afresh;
    // anything but a haiku row empties both.
    void showRow(int r, bool withMemo);
    // poem in the vertical label, and the count of its sounds in the label's
    // description once the dictionary is loaded (the entry window loads it).
    void showPoem(const QString &poem);
    void describeShownPoem();
    // Writes into the hint line; handed to the dialogs.
    Hints::Sink hintSink();
    // The keyword box's list refilled from the twenty slots of the history.
    void fillKeywordBox();
    // step -1 for 上へ, +1 for 下へ.
    void moveSelectedRow(int step);
    // After the entry window stored a haiku: a new category joins the
    // filter, the filter goes back to its first entry, every haiku is
    // listed, the memo box is emptied and the title counts the haiku.
    void showStoredHaiku();
    // Row r made current and selected, in sight, and shown without a
    // password prompt.
    void selectAndShowRow(int r, MemoShown memo = MemoShown::Yes);
    // A locked memo: the notice, then the password prompt; a wrong password
    // is said. True only for the right one.
    bool passwordGiven(const QString &notice);

    // The poem in the vertical label, as stored (the label shows its long-vowel marks as bars).
    QString m_shownPoem;

    // A click on a locked row, waiting out the double-click time.
    QTimer *m_lockedClickWait = nullptr;
    int m_lockedClickRow = 0;
    void lockedClickWaited();

    Notebook &nb;
    double m_listHeight = 2295; // twips; kept exactly, not read back from pixels
    MainLayout::Layout m_layout;
    bool m_dragging = false;
    std::unique_ptr<PrinterLayer> m_printer; // fonts and the default printer
    bool m_quit = false;
    bool m_saving = false;
    bool m_frameFixPending = false;
    bool m_normalFixPending = false;
    // Where the keyword box's text came from: the history line it was picked
    // from, or Notebook::keywordTyped. A search makes it 0, the line it has
    // just refilled the box with.
    int m_keywordPicked = 0;
};

#pragma once

#include <QMainWindow>

class Notebook;
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
struct Settings;

// The main window: the haiku list with its category filter, the poem in
// vertical writing beside it, the memo below, the buttons and the hint line.
class Main_form : public QMainWindow
{
    Q_OBJECT
public:
    explicit Main_form(Notebook &notebook, QWidget *parent = nullptr);

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

    // Shows grid row r without asking for the password: a locked haiku's memo
    // stays hidden.
    void showRowQuietly(int r);
    void updateCaption();

    // The notebook seems open on another computer (its lock names host): asks
    // whether to quit, and warns once more before opening it all the same.
    static bool openDespiteLock(const QString &host);

    // Writes a hint into the hint line; the dialogs write theirs through it too.
    void setHint(const QString &text);

    // 使い方: opens the manual with the desktop's own program for it.
    void menu_tukaikata_Click();

signals:
    // Everything is saved: the program ends now.
    void programEnded();

protected:
    void closeEvent(QCloseEvent *event) override;
    bool event(QEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    // Controls, named as the program has always named them. Tests find them
    // by these names (objectName).
    QMenu *Menu_file;        // ﾌｧｲﾙ(&F)
    QAction *Menu_file_pass; // 鍵の設定(&P)
    QAction *Menu_tatefont;  // 縦書き用フォントの設定(&K)
    QAction *Menu_print;     // 選択した句の印刷(&K)
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
    void centreOnScreen();
    Settings windowDefaults() const;
    void restoreGeometry();
    void applyOuterSize(double widthTwips, double heightTwips);
    void recordGeometry();
    void setUpGrid();
    enum class QuitChoice { Saved, Discarded, StayOpen };
    // Saves everything; on a failure asks whether to try again or to quit
    // without saving.
    QuitChoice saveAll();

    Notebook &nb;
    bool m_quit = false;
    bool m_saving = false;
    bool m_frameFixPending = false;
};

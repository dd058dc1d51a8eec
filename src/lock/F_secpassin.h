#pragma once

#include "ui/Hints.h"

#include <QDialog>

class Notebook;
class QLabel;
class QLineEdit;
class QPushButton;

// The password prompt: asked before a locked memo is shown or opened for
// correction. It only says whether the typed text was the password; the
// caller says what follows.
class F_secpassin : public QDialog
{
    Q_OBJECT
public:
    // Opens the prompt over owner and waits until it closes. The answer is
    // Notebook::passYes, passNo or passCancel, and is left in pass_result too.
    // hint writes into the main window's hint line.
    static QString ask(Notebook &nb, QWidget *owner, const Hints::Sink &hint);

    F_secpassin(Notebook &nb, QWidget *owner, const Hints::Sink &hint);

    // "CANCEL" until OK is pressed: a prompt closed by the window system, a
    // second Esc or a quit of the program counts as cancelled.
    QString outcome() const { return m_outcome; }

private:
    void Form_Load(const Hints::Sink &hint);
    void Command2_Click(); // OK
    void Command1_Click(); // CANCEL

    QLabel *Label1;        // 鍵をあけるためのパスワードを入力して下さい。
    QLineEdit *Text1;      // the password
    QPushButton *Command2; // OK
    QPushButton *Command1; // CANCEL

    Notebook &nb;
    QString m_outcome;
};

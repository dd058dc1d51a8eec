#pragma once

#include "ui/Hints.h"

#include <QDialog>

class Notebook;
class QLabel;
class QLineEdit;
class QPushButton;

// What the password prompt was answered with.
enum class Password { Right, Wrong, Cancelled };

// The password prompt: asked before a locked memo is shown or opened for
// correction. It only says whether the typed text was the password; the
// caller says what follows.
class F_secpassin : public QDialog
{
    Q_OBJECT
public:
    // Opens the prompt over owner and waits until it closes. hint writes
    // into the main window's hint line.
    static Password open(QWidget *owner, const Notebook &nb, const Hints::Sink &hint);

    F_secpassin(QWidget *owner, const Notebook &nb, const Hints::Sink &hint);

    // Cancelled until OK is pressed: a prompt closed by the window system, a
    // second Esc or a quit of the program counts as cancelled.
    Password outcome() const { return m_outcome; }

private:
    void Form_Load(const Hints::Sink &hint);
    void Command2_Click(); // OK
    void Command1_Click(); // CANCEL

    QLabel *Label1;        // 鍵をあけるためのパスワードを入力して下さい。
    QLineEdit *Text1;      // the password
    QPushButton *Command2; // OK
    QPushButton *Command1; // CANCEL

    const Notebook &nb;
    Password m_outcome = Password::Cancelled;
};

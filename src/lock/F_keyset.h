#pragma once

#include "ui/Hints.h"

#include <QDialog>

#include <optional>

class Notebook;
class QLabel;
class QLineEdit;
class QPushButton;

// Setting the lock password: first the current password (skipped when none
// is set), then the new one. Nothing is written to disk here; the password
// goes into the settings file at quit.
class F_keyset : public QDialog
{
    Q_OBJECT
public:
    // Opens the dialog over owner and waits until it closes. The new
    // password, or nothing when the dialog was cancelled (the old one then
    // stays). hint writes into the main window's hint line.
    static std::optional<QString> open(QWidget *owner, Notebook &nb, const Hints::Sink &hint);

    F_keyset(QWidget *owner, Notebook &nb, const Hints::Sink &hint);

    // 1 while the current password is asked for, 2 while the new one is.
    int stage() const { return m_stage; }
    std::optional<QString> newPassword() const { return m_newPassword; }

private:
    void Form_Load(const Hints::Sink &hint);
    void showStage(int stage);
    void Command1_Click(); // OK
    void Command2_Click(); // CANCEL

    QLabel *Label1;        // the instruction of the stage
    QLineEdit *Text1;      // the password being typed
    QPushButton *Command1; // OK
    QPushButton *Command2; // CANCEL

    Notebook &nb;
    int m_stage = 1;
    std::optional<QString> m_newPassword;
};

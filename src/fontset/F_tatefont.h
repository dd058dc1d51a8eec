#pragma once

#include "ui/Hints.h"

#include <QDialog>

#include <functional>
#include <optional>

class Notebook;
class QComboBox;
class QLabel;
class QPushButton;

// 縦書き用フォントの設定: the font of the main window's poem in vertical
// writing. A font picked in the list shows on the poem at once; 設定 keeps
// it, 中止 (and the close box, and Esc) puts the kept one back.
class F_tatefont : public QDialog
{
    Q_OBJECT
public:
    // Shows a font on the main window's poem.
    using Preview = std::function<void(const QString &family)>;

    F_tatefont(QWidget *owner, Notebook &notebook, const QStringList &fontNames, Preview preview,
               Hints::Sink hint);

    // Opens the window over owner and waits until it closes. Gives back the
    // font 設定 kept, nothing when the window was cancelled.
    static std::optional<QString> open(QWidget *owner, Notebook &notebook, const QStringList &fontNames,
                                       Preview preview, Hints::Sink hint);

    void Combo1_Click();   // a font picked: previewed
    void Command1_Click(); // 設定
    void Command2_Click(); // 中止

    // Every way of closing without 設定 undoes the preview.
    void reject() override;

private:
    void createControls();

    QLabel *Label1; // 句を縦書き表示するのに使用するフォントを指定してください。
    QComboBox *Combo1;     // the fonts offered
    QPushButton *Command1; // 設定
    QPushButton *Command2; // 中止

    Notebook &nb;
    Preview m_preview;
    Hints::Sink m_hint;
    std::optional<QString> m_kept;
};

#include "lock/F_keyset.h"

#include "store/Notebook.h"
#include "ui/DialogPlacement.h"
#include "ui/JapaneseFonts.h"
#include "ui/MessageBoxes.h"
#include "ui/Twips.h"
#include "ui/WindowFrame.h"

#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

namespace {
// Outer size in twips.
constexpr double kWidth = 5400;
constexpr double kHeight = 2040;

const QColor kGreen(192, 255, 192);
const QColor kStage1Blue(0, 0, 255);
const QColor kStage2Red(255, 0, 0);
} // namespace

std::optional<QString> F_keyset::open(QWidget *owner, Notebook &nb, const Hints::Sink &hint)
{
    F_keyset dialog(owner, nb, hint);
    dialog.exec();
    return dialog.newPassword();
}

F_keyset::F_keyset(QWidget *owner, Notebook &notebook, const Hints::Sink &hint) : QDialog(owner), nb(notebook)
{
    DialogPlacement::fixFrame(this, false);
    setObjectName(QStringLiteral("F_keyset"));
    setModal(true);
    QPalette green = palette();
    green.setColor(QPalette::Window, kGreen);
    setPalette(green);
    setAutoFillBackground(true);
    QFont gothic(QString::fromUtf8(JapaneseFonts::gothic));
    gothic.setPointSizeF(9.75);
    setFont(gothic);

    using Twips::place;
    Label1 = new QLabel(this);
    Label1->setWordWrap(true);
    Label1->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    place(Label1, "Label1", 120, 120, 5040, 480);

    Text1 = new QLineEdit(this);
    // Typed with the keyboard as it is: no Japanese input method here.
    Text1->setAttribute(Qt::WA_InputMethodEnabled, false);
    Text1->setAccessibleName(QStringLiteral("パスワード"));
    place(Text1, "Text1", 120, 660, 5040, 375);

    Command1 = new QPushButton(QStringLiteral("OK"), this);
    place(Command1, "Command1", 1200, 1200, 1215, 375);
    Command2 = new QPushButton(QStringLiteral("CANCEL"), this);
    place(Command2, "Command2", 2880, 1200, 1215, 375);
    // Enter in the password box presses OK.
    Command1->setDefault(true);
    setTabOrder(Text1, Command1);
    setTabOrder(Command1, Command2);

    connect(Command1, &QPushButton::clicked, this, &F_keyset::Command1_Click);
    connect(Command2, &QPushButton::clicked, this, &F_keyset::Command2_Click);

    Form_Load(hint);
}

void F_keyset::Form_Load(const Hints::Sink &hint)
{
    WindowFrame::setOuterSize(this, kWidth, kHeight);
    setFixedSize(size());
    WindowFrame::centreOver(this, parentWidget());
    setWindowTitle(QStringLiteral("鍵を開けるためのパスワードセット"));
    if (hint)
        hint(QStringLiteral("鍵付きメモを表示・訂正するためのパスワードを設定します。"));
    Text1->clear();
    // With no password set there is nothing to confirm.
    showStage(nb.settings().lock_password.isEmpty() ? 2 : 1);
    Text1->setFocus();
}

void F_keyset::showStage(int stage)
{
    m_stage = stage;
    Label1->setText(stage == 1
                        ? QStringLiteral("鍵がかかったメモを開くための、現在のパスワードを入力して下さい。")
                        : QStringLiteral("鍵がかかったメモを開くための、新しいパスワードを入力して下さい。"));
    QPalette p = Label1->palette();
    p.setColor(QPalette::WindowText, stage == 1 ? kStage1Blue : kStage2Red);
    Label1->setPalette(p);
}

void F_keyset::Command1_Click()
{
    const QString typed = Text1->text();
    if (m_stage == 1) {
        if (nb.passwordMatches(typed)) {
            showStage(2);
            Text1->clear();
        } else {
            // Tries are not limited; what was typed stays for correcting.
            MessageBoxes::notify(this, QStringLiteral("現在のパスワードが間違っています。"),
                                 MessageBoxes::programTitle, MessageBoxes::Icon::Critical);
        }
        Text1->setFocus();
        return;
    }
    // A password the settings file cannot hold would come back as another
    // one and lock the poet out: refused, the old one stays.
    const QString reason = nb.setLockPassword(typed);
    if (!reason.isEmpty()) {
        MessageBoxes::notify(this, reason, MessageBoxes::programTitle, MessageBoxes::Icon::Warning);
        Text1->setFocus();
        return;
    }
    MessageBoxes::notify(this,
                         QStringLiteral("新しいパスワード『%1』を忘れないようにして下さい。").arg(typed));
    m_newPassword = typed;
    accept();
}

void F_keyset::Command2_Click()
{
    reject(); // the password stays as it was, even after the current one was confirmed
}

#include "lock/F_secpassin.h"

#include "store/Notebook.h"
#include "ui/DialogPlacement.h"
#include "ui/JapaneseFonts.h"
#include "ui/Twips.h"
#include "ui/WindowFrame.h"

#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

namespace {
// The prompt as designed, outer size in twips; it is centred at this size
// and then made lower.
constexpr double kDesignWidth = 5400;
constexpr double kDesignHeight = 2640;
constexpr double kHeight = 2040;
constexpr double kButtonTop = 1020;
} // namespace

Password F_secpassin::open(QWidget *owner, const Notebook &nb, const Hints::Sink &hint)
{
    F_secpassin prompt(owner, nb, hint);
    prompt.exec();
    return prompt.outcome();
}

F_secpassin::F_secpassin(QWidget *owner, const Notebook &notebook, const Hints::Sink &hint)
    : QDialog(owner), nb(notebook)
{
    DialogPlacement::fixFrame(this, false);
    // The outcome is Cancelled from the moment the prompt exists: only OK changes it.

    setObjectName(QStringLiteral("F_secpassin"));
    setModal(true);
    QPalette black = palette();
    black.setColor(QPalette::Window, Qt::black);
    setPalette(black);
    setAutoFillBackground(true);

    using Twips::place;
    Label1 = new QLabel(QStringLiteral("鍵をあけるためのパスワードを入力して下さい。"), this);
    QPalette cyan = Label1->palette();
    cyan.setColor(QPalette::Window, Qt::black);
    cyan.setColor(QPalette::WindowText, Qt::cyan);
    Label1->setPalette(cyan);
    place(Label1, "Label1", 120, 120, 5040, 255);

    Text1 = new QLineEdit(this);
    QFont mincho(QString::fromUtf8(JapaneseFonts::mincho));
    mincho.setPointSizeF(9.75);
    mincho.setBold(true);
    Text1->setFont(mincho);
    Text1->setAccessibleName(QStringLiteral("パスワード"));
    place(Text1, "Text1", 120, 480, 5040, 375);

    Command2 = new QPushButton(QStringLiteral("OK"), this);
    place(Command2, "Command2", 1200, 1500, 1215, 375);
    Command1 = new QPushButton(QStringLiteral("CANCEL"), this);
    place(Command1, "Command1", 2880, 1500, 1215, 375);
    // Enter in the password box presses OK.
    Command2->setDefault(true);
    setTabOrder(Text1, Command2);
    setTabOrder(Command2, Command1);

    connect(Command2, &QPushButton::clicked, this, &F_secpassin::Command2_Click);
    connect(Command1, &QPushButton::clicked, this, &F_secpassin::Command1_Click);

    Form_Load(hint);
}

void F_secpassin::Form_Load(const Hints::Sink &hint)
{
    WindowFrame::setOuterSize(this, kDesignWidth, kDesignHeight);
    WindowFrame::centreOver(this, parentWidget());
    setWindowTitle(QStringLiteral("鍵を開けるためのパスワード"));
    if (hint)
        hint(QStringLiteral("鍵付きメモを表示・訂正するにはパスワードが必要です。"));
    Text1->clear();
    // Made lower once centred, the buttons moved up with it.
    WindowFrame::setOuterSize(this, kDesignWidth, kHeight);
    setFixedSize(size());
    for (QPushButton *b : {Command2, Command1})
        b->move(b->x(), Twips::toPxY(kButtonTop, this));
    Text1->setFocus();
}

void F_secpassin::Command2_Click()
{
    m_outcome = nb.passwordMatches(Text1->text()) ? Password::Right : Password::Wrong;
    accept();
}

void F_secpassin::Command1_Click()
{
    reject(); // the outcome has been Cancelled since the prompt opened
}

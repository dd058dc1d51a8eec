#include "editor/F_sakujo.h"

#include "ui/DialogPlacement.h"
#include "ui/Twips.h"
#include "ui/WindowFrame.h"

#include <QLabel>
#include <QPushButton>

namespace {
// The question's outer size, in twips.
constexpr double kWidth = 4800;
constexpr double kHeight = 1980;
} // namespace

std::optional<F_sakujo::Result> F_sakujo::open(QWidget *owner, Notebook &nb, int index,
                                               const Hints::Sink &hint)
{
    F_sakujo question(owner, nb, index, hint);
    question.exec();
    return question.result();
}

F_sakujo::F_sakujo(QWidget *owner, Notebook &notebook, int index, const Hints::Sink &hint)
    // A fixed border with a title and no close box: いいよ or やっぱりダメ (or Esc).
    : QDialog(owner), nb(notebook), m_index(index)
{
    DialogPlacement::fixFrame(this, false);
    setObjectName(QStringLiteral("F_sakujo"));
    setModal(true);
    DialogPlacement::dress(this, 9.75, Qt::yellow);
    QPalette red = palette();
    red.setColor(QPalette::WindowText, Qt::red);
    setPalette(red);

    using Twips::place;
    Label1 = new QLabel(QStringLiteral("削除した句は復活できません。"), this);
    place(Label1, "Label1", 240, 180, 4200, 255);
    Label2 = new QLabel(QStringLiteral("本当に削除してよろしいですか？"), this);
    place(Label2, "Label2", 240, 480, 4200, 255);
    Command1 = new QPushButton(QStringLiteral("いいよ"), this);
    place(Command1, "Command1", 600, 1020, 1455, 435);
    Command2 = new QPushButton(QStringLiteral("やっぱりダメ"), this);
    place(Command2, "Command2", 2400, 1020, 1695, 435);
    // The buttons keep the system's colours on the yellow.
    for (QPushButton *b : {Command1, Command2})
        b->setPalette(QPalette());
    setTabOrder(Command1, Command2);
    // Enter alone never deletes: it presses やっぱりダメ, which has the focus.
    Command1->setAutoDefault(false);
    Command2->setDefault(true);

    connect(Command1, &QPushButton::clicked, this, &F_sakujo::Command1_Click);
    connect(Command2, &QPushButton::clicked, this, &F_sakujo::Command2_Click);

    WindowFrame::setOuterSize(this, kWidth, kHeight);
    setFixedSize(size());
    DialogPlacement::centreOver(this, owner);
    setWindowTitle(QStringLiteral("メモの削除"));
    if (hint)
        hint(QStringLiteral("[いいよ]ボタンで、選択中のメモを削除します。"));
    Command2->setFocus();
}

void F_sakujo::Command1_Click()
{
    m_result = nb.removeHaiku(m_index);
    accept();
}

void F_sakujo::Command2_Click()
{
    reject();
}

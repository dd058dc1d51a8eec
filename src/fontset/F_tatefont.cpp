#include "fontset/F_tatefont.h"

#include "store/Notebook.h"
#include "ui/DialogPlacement.h"
#include "ui/MessageBoxes.h"
#include "ui/Twips.h"

#include <QComboBox>
#include <QLabel>
#include <QPushButton>

namespace {

constexpr double kClientWidth = 5010;
constexpr double kClientHeight = 1755;
const QColor kLightYellow(0xFF, 0xFF, 0xC0);

} // namespace

F_tatefont::F_tatefont(QWidget *owner, Notebook &notebook, const QStringList &fontNames, Preview preview,
                       Hints::Sink hint)
    : QDialog(owner), nb(notebook), m_preview(std::move(preview)), m_hint(std::move(hint))
{
    setObjectName(QStringLiteral("F_tatefont"));
    createControls();
    connect(Combo1, &QComboBox::activated, this, [this] { Combo1_Click(); });
    connect(Command1, &QPushButton::clicked, this, &F_tatefont::Command1_Click);
    connect(Command2, &QPushButton::clicked, this, &F_tatefont::Command2_Click);

    DialogPlacement::centreOver(this, parentWidget() ? parentWidget()->window() : nullptr);
    setWindowTitle(QStringLiteral("縦書き用フォントの設定"));
    // The printer's fonts, in its order; none is shown as chosen.
    Combo1->addItems(fontNames);
    Combo1->setCurrentIndex(-1);
    if (m_hint)
        m_hint(QString());
}

std::optional<QString> F_tatefont::open(QWidget *owner, Notebook &notebook, const QStringList &fontNames,
                                        Preview preview, Hints::Sink hint)
{
    F_tatefont window(owner, notebook, fontNames, std::move(preview), std::move(hint));
    window.exec();
    return window.m_kept;
}

void F_tatefont::createControls()
{
    DialogPlacement::dress(this, 11.25, kLightYellow);
    DialogPlacement::fixSize(this, kClientWidth, kClientHeight);

    using Twips::place;
    Label1 = new QLabel(QStringLiteral("句を縦書き表示するのに使用するフォントを指定してください。"), this);
    Label1->setWordWrap(true);
    place(Label1, "Label1", 240, 120, 4575, 495);
    Combo1 = new QComboBox(this);
    Combo1->setAccessibleName(QStringLiteral("縦書き用フォント"));
    place(Combo1, "Combo1", 240, 720, 4635, 345);
    Command1 = new QPushButton(QStringLiteral("設定"), this);
    place(Command1, "Command1", 1620, 1200, 1575, 435);
    Command2 = new QPushButton(QStringLiteral("中止"), this);
    place(Command2, "Command2", 3240, 1200, 1575, 435);
    Command1->setAutoDefault(false);
    Command2->setAutoDefault(false);
}

void F_tatefont::Combo1_Click()
{
    // Only a preview: tate_font changes with 設定.
    if (m_preview && Combo1->currentIndex() >= 0)
        m_preview(Combo1->currentText());
}

void F_tatefont::Command1_Click()
{
    const QString name = Combo1->currentText();
    // An empty box keeps the font as it was.
    if (!name.isEmpty()) {
        const QString refused = nb.setTateFont(name);
        if (!refused.isEmpty()) {
            MessageBoxes::notify(this, refused);
            return;
        }
    }
    if (m_preview)
        m_preview(nb.settings().tate_font);
    m_kept = nb.settings().tate_font;
    accept();
}

void F_tatefont::Command2_Click()
{
    reject();
}

void F_tatefont::reject()
{
    if (m_preview)
        m_preview(nb.settings().tate_font);
    if (m_hint)
        m_hint(QString());
    QDialog::reject();
}

#include "export/F_kakidasi.h"

#include "store/NotebookExport.h"
#include "store/NotebookReading.h"
#include "store/OutputFile.h"
#include "ui/DialogPlacement.h"
#include "ui/FileOffer.h"
#include "ui/JapaneseFonts.h"
#include "ui/MessageBoxes.h"
#include "ui/Twips.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QInputDialog>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>

#include <algorithm>

namespace {

constexpr double kClientWidth = 6120;
constexpr double kClientHeight = 2340;

} // namespace

F_kakidasi::F_kakidasi(QWidget *owner, const Notebook &notebook) : QDialog(owner), nb(notebook)
{
    setObjectName(QStringLiteral("F_kakidasi"));
    createControls();
    connect(Command1, &QPushButton::clicked, this, &F_kakidasi::Command1_Click);
    connect(Command2, &QPushButton::clicked, this, &F_kakidasi::Command2_Click);
    setWindowTitle(QStringLiteral("書き出し"));
    DialogPlacement::centreOver(this, owner ? owner->window() : nullptr);
    Combo1->addItems(NotebookReading::categories(nb));
    Option1->setChecked(true);
}

std::optional<QString> F_kakidasi::open(QWidget *owner, const Notebook &nb)
{
    F_kakidasi window(owner, nb);
    window.exec();
    return window.written();
}

void F_kakidasi::createControls()
{
    QFont gothic(QString::fromUtf8(JapaneseFonts::gothic));
    gothic.setPointSizeF(9.75);
    setFont(gothic);
    DialogPlacement::fixSize(this, kClientWidth, kClientHeight);

    using Twips::place;
    Label1 = new QLabel(QStringLiteral("分類"), this);
    place(Label1, "Label1", 120, 240, 900, 255);
    Combo1 = new QComboBox(this);
    place(Combo1, "Combo1", 1080, 180, 4860, 330);
    Label2 = new QLabel(QStringLiteral("形式"), this);
    place(Label2, "Label2", 120, 720, 900, 255);
    Option1 = new QRadioButton(QStringLiteral("CSV（表計算ソフト用）"), this);
    place(Option1, "Option1", 1080, 690, 2400, 315);
    Option2 = new QRadioButton(QStringLiteral("テキスト"), this);
    place(Option2, "Option2", 3600, 690, 1620, 315);
    Check1 = new QCheckBox(QStringLiteral("鍵付きのメモも書き出す（パスワードが必要です）"), this);
    place(Check1, "Check1", 1080, 1200, 4920, 315);
    Command1 = new QPushButton(QStringLiteral("書き出し"), this);
    place(Command1, "Command1", 2700, 1740, 1575, 435);
    Command2 = new QPushButton(QStringLiteral("中止"), this);
    place(Command2, "Command2", 4380, 1740, 1575, 435);
    Command1->setAutoDefault(false);
    Command2->setAutoDefault(false);

    Label1->setBuddy(Combo1);
    Combo1->setAccessibleName(QStringLiteral("分類"));
}

std::optional<QString> F_kakidasi::askPassword()
{
    QInputDialog prompt(this);
    prompt.setObjectName(QStringLiteral("F_kakidasi_password"));
    prompt.setWindowTitle(QStringLiteral("鍵を開けるためのパスワード"));
    prompt.setLabelText(QStringLiteral("鍵付きのメモを書き出すには、パスワードを入力して下さい。"));
    prompt.setTextEchoMode(QLineEdit::Password);
    prompt.setOkButtonText(QStringLiteral("OK"));
    prompt.setCancelButtonText(QStringLiteral("CANCEL"));
    if (prompt.exec() != QDialog::Accepted)
        return std::nullopt;
    return prompt.textValue();
}

void F_kakidasi::Command1_Click()
{
    const std::vector<int> indices = NotebookReading::recordsOf(nb, Combo1->currentText());
    if (indices.empty()) {
        MessageBoxes::notify(this, QStringLiteral("この分類には句がありません。何も書き出しませんでした。"));
        return;
    }
    // The password is asked only when a locked memo would be written.
    const std::vector<Haiku_record> &records = NotebookReading::records(nb);
    const bool anyLocked = std::any_of(indices.begin(), indices.end(), [&](int i) {
        return NotebookReading::isLocked(records[std::size_t(i)]);
    });
    bool unlocked = false;
    if (Check1->isChecked() && anyLocked) {
        const std::optional<QString> typed = askPassword();
        if (!typed)
            return;
        if (!NotebookReading::passwordMatches(nb, *typed)) {
            MessageBoxes::notify(this,
                                 QStringLiteral("パスワードが間違っています。\n何も書き出しませんでした。"),
                                 MessageBoxes::programTitle, MessageBoxes::Icon::Critical);
            return;
        }
        unlocked = true;
    }

    QApplication::setOverrideCursor(Qt::WaitCursor);
    int unreadable = 0;
    const std::vector<NotebookExport::Row> rows = NotebookExport::rowsOf(nb, indices, unlocked, &unreadable);
    const bool csv = Option1->isChecked();
    const QByteArray bytes = csv ? NotebookExport::csv(rows) : NotebookExport::text(rows);
    const QString path = OutputFile::freshPath(NotebookReading::folder(nb), QStringLiteral("書き出し"),
                                               csv ? QStringLiteral("csv") : QStringLiteral("txt"),
                                               QDateTime::currentDateTime());
    const QString problem = OutputFile::write(path, bytes);
    QApplication::restoreOverrideCursor();

    const QString where = QDir::toNativeSeparators(path);
    if (!problem.isEmpty()) {
        MessageBoxes::notify(this, QStringLiteral("「%1」を保存できませんでした。\n%2").arg(where, problem),
                             MessageBoxes::programTitle, MessageBoxes::Icon::Critical);
        return;
    }
    m_written = path;
    QString said = QStringLiteral("%1句を書き出しました。\n%2").arg(rows.size()).arg(where);
    if (unreadable > 0) {
        said += QStringLiteral("\n\n%1句のメモはファイルを読み込めなかったため、「%2」と書きました。")
                    .arg(unreadable)
                    .arg(NotebookExport::unreadableMemo);
    }
    FileOffer::offer(this, said + QStringLiteral("\n\nこのファイルを開きますか？"), path,
                     QStringLiteral("ファイル"), MessageBoxes::programTitle);
    accept();
}

void F_kakidasi::Command2_Click()
{
    reject();
}

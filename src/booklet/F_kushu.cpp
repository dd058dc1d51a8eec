#include "booklet/F_kushu.h"

#include "booklet/Booklet.h"
#include "booklet/BookletPlan.h"
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
#include <QDateEdit>
#include <QDir>
#include <QLabel>
#include <QLineEdit>
#include <QProgressDialog>
#include <QPushButton>
#include <QRadioButton>

namespace {

constexpr double kClientWidth = 5940;
constexpr double kClientHeight = 4200;

const QString kTitle = QStringLiteral("句集を作る");
const QString kDateFormat = QStringLiteral("yyyy/MM/dd");

// The page sizes in the order Combo2 offers them.
const ProgramSettings::PageSize kSizes[] = {ProgramSettings::PageSize::A5, ProgramSettings::PageSize::B6,
                                            ProgramSettings::PageSize::A4};

} // namespace

F_kushu::F_kushu(QWidget *owner, const Notebook &notebook)
    : QDialog(owner), nb(notebook), m_settings(NotebookReading::folder(notebook))
{
    setObjectName(QStringLiteral("F_kushu"));
    createControls();
    connect(Check1, &QCheckBox::clicked, this, &F_kushu::Check1_Click);
    connect(Command1, &QPushButton::clicked, this, &F_kushu::Command1_Click);
    connect(Command2, &QPushButton::clicked, this, &F_kushu::Command2_Click);

    setWindowTitle(kTitle);
    DialogPlacement::centreOver(this, owner ? owner->window() : nullptr);
    Combo1->addItems(NotebookReading::categories(nb));
    showChoice(m_settings.booklet);
}

std::optional<QString> F_kushu::open(QWidget *owner, const Notebook &nb)
{
    F_kushu window(owner, nb);
    window.exec();
    return window.written();
}

void F_kushu::createControls()
{
    QFont gothic(QString::fromUtf8(JapaneseFonts::gothic));
    gothic.setPointSizeF(9.75);
    setFont(gothic);
    DialogPlacement::fixSize(this, kClientWidth, kClientHeight);
    QFont mincho(QString::fromUtf8(JapaneseFonts::mincho));
    mincho.setPointSizeF(11.25);

    using Twips::place;
    Label1 = new QLabel(QStringLiteral("分類"), this);
    place(Label1, "Label1", 120, 240, 900, 255);
    Combo1 = new QComboBox(this);
    place(Combo1, "Combo1", 1080, 180, 4680, 330);

    Check1 = new QCheckBox(QStringLiteral("日付で絞り込む"), this);
    place(Check1, "Check1", 120, 690, 1800, 285);
    Date1 = new QDateEdit(this);
    place(Date1, "Date1", 1980, 660, 1560, 330);
    Label2 = new QLabel(QStringLiteral("～"), this);
    Label2->setAlignment(Qt::AlignCenter);
    place(Label2, "Label2", 3540, 690, 360, 255);
    Date2 = new QDateEdit(this);
    place(Date2, "Date2", 3900, 660, 1560, 330);
    for (QDateEdit *d : {Date1, Date2}) {
        d->setDisplayFormat(kDateFormat);
        d->setCalendarPopup(true);
    }

    Label3 = new QLabel(QStringLiteral("並び順"), this);
    place(Label3, "Label3", 120, 1170, 900, 255);
    Option1 = new QRadioButton(QStringLiteral("句帳の順"), this);
    place(Option1, "Option1", 1080, 1140, 1620, 315);
    Option2 = new QRadioButton(QStringLiteral("日付の順"), this);
    place(Option2, "Option2", 2760, 1140, 1620, 315);

    Label4 = new QLabel(QStringLiteral("判型"), this);
    place(Label4, "Label4", 120, 1650, 900, 255);
    Combo2 = new QComboBox(this);
    Combo2->addItems({QStringLiteral("A5（148×210mm）"), QStringLiteral("B6（128×182mm）"),
                      QStringLiteral("A4（210×297mm）")});
    place(Combo2, "Combo2", 1080, 1620, 2400, 330);

    Label5 = new QLabel(QStringLiteral("題名"), this);
    place(Label5, "Label5", 120, 2130, 900, 255);
    Text1 = new QLineEdit(this);
    Text1->setFont(mincho);
    place(Text1, "Text1", 1080, 2100, 4680, 360);
    Label6 = new QLabel(QStringLiteral("作者名"), this);
    place(Label6, "Label6", 120, 2610, 900, 255);
    Text2 = new QLineEdit(this);
    Text2->setFont(mincho);
    place(Text2, "Text2", 1080, 2580, 4680, 360);

    Check2 = new QCheckBox(QStringLiteral("句に日付を添える"), this);
    place(Check2, "Check2", 1080, 3060, 3000, 315);

    Command1 = new QPushButton(QStringLiteral("作成"), this);
    place(Command1, "Command1", 2520, 3600, 1575, 435);
    Command2 = new QPushButton(QStringLiteral("中止"), this);
    place(Command2, "Command2", 4200, 3600, 1575, 435);
    Command1->setAutoDefault(false);
    Command2->setAutoDefault(false);

    Label1->setBuddy(Combo1);
    Label4->setBuddy(Combo2);
    Label5->setBuddy(Text1);
    Label6->setBuddy(Text2);
    Combo1->setAccessibleName(QStringLiteral("分類"));
    Date1->setAccessibleName(QStringLiteral("この日付から"));
    Date2->setAccessibleName(QStringLiteral("この日付まで"));
    Combo2->setAccessibleName(QStringLiteral("判型"));
    Text1->setAccessibleName(QStringLiteral("題名"));
    Text2->setAccessibleName(QStringLiteral("作者名"));
}

void F_kushu::showChoice(const ProgramSettings::Booklet &b)
{
    // A category that is gone since gives way to 全部.
    const int at = Combo1->findText(b.category, Qt::MatchExactly | Qt::MatchCaseSensitive);
    Combo1->setCurrentIndex(qMax(0, at));
    Check1->setChecked(b.dateRange);
    const QDate today = QDate::currentDate();
    Date1->setDate(b.dateRange ? b.from : QDate(today.year(), 1, 1));
    Date2->setDate(b.dateRange ? b.to : today);
    Check1_Click();
    (b.byDate ? Option2 : Option1)->setChecked(true);
    for (int i = 0; i < 3; ++i)
        if (kSizes[i] == b.pageSize)
            Combo2->setCurrentIndex(i);
    Text1->setText(b.title);
    Text2->setText(b.poet);
    Check2->setChecked(b.withDates);
}

ProgramSettings::Booklet F_kushu::choice() const
{
    ProgramSettings::Booklet b;
    b.category = Combo1->currentText();
    b.dateRange = Check1->isChecked();
    b.from = Date1->date();
    b.to = Date2->date();
    b.byDate = Option2->isChecked();
    b.pageSize = kSizes[qBound(0, Combo2->currentIndex(), 2)];
    b.title = Text1->text();
    b.poet = Text2->text();
    b.withDates = Check2->isChecked();
    return b;
}

void F_kushu::Check1_Click()
{
    Date1->setEnabled(Check1->isChecked());
    Date2->setEnabled(Check1->isChecked());
}

void F_kushu::Command1_Click()
{
    const ProgramSettings::Booklet b = choice();
    if (b.title.trimmed().isEmpty()) {
        MessageBoxes::notify(this, QStringLiteral("題名を入力して下さい。"));
        Text1->setFocus();
        return;
    }
    if (b.dateRange && b.from > b.to) {
        MessageBoxes::notify(this,
                             QStringLiteral("日付の範囲が正しくありません。始めの日付を、終わりの日付と同じか"
                                            "それより前にして下さい。"));
        Date1->setFocus();
        return;
    }
    const std::vector<Haiku_record> &records = NotebookReading::records(nb);
    const BookletPlan plan = BookletPlan::make(records, NotebookReading::categories(nb), b);
    if (plan.poemCount() == 0) {
        MessageBoxes::notify(this,
                             QStringLiteral("選んだ条件に合う句がありません。句集は作られませんでした。"));
        return;
    }
    // The choices are kept for next time; a file that cannot be written
    // costs only that.
    m_settings.booklet = b;
    m_settings.save();

    const int total = plan.poemCount();
    QProgressDialog progress(QStringLiteral("句集を作っています…"), QStringLiteral("中止"), 0, total, this);
    progress.setObjectName(QStringLiteral("Progress1"));
    progress.setWindowTitle(kTitle);
    progress.setWindowModality(Qt::WindowModal);
    progress.setMinimumDuration(500);
    const QDateTime now = QDateTime::currentDateTime();
    const std::optional<Booklet::Made> made = Booklet::make(plan, records, b, now, [&](int done) {
        progress.setLabelText(QStringLiteral("句集を作っています… %1 / %2 句").arg(done).arg(total));
        progress.setValue(done);
        return !progress.wasCanceled();
    });
    const bool cancelled = progress.wasCanceled();
    progress.hide();
    if (!made) {
        MessageBoxes::notify(
            this, cancelled ? QStringLiteral("句集の作成を中止しました。ファイルは作られていません。")
                            : QStringLiteral("句集のPDFを作れませんでした。ファイルは作られていません。"));
        return;
    }

    const QString path = OutputFile::freshPath(NotebookReading::folder(nb), QStringLiteral("句集"),
                                               QStringLiteral("pdf"), now);
    const QString problem = OutputFile::write(path, made->pdf);
    const QString where = QDir::toNativeSeparators(path);
    if (!problem.isEmpty()) {
        MessageBoxes::notify(this,
                             QStringLiteral("句集「%1」を保存できませんでした。\n%2").arg(where, problem),
                             MessageBoxes::programTitle, MessageBoxes::Icon::Critical);
        return;
    }
    m_written = path;
    FileOffer::offer(
        this,
        QStringLiteral("句集を作りました（%1句、%2ページ）。\n%3\n\nこのPDFファイルを開きますか？")
            .arg(total)
            .arg(made->pages)
            .arg(where),
        path, QStringLiteral("PDFファイル"), MessageBoxes::programTitle);
    accept();
}

void F_kushu::Command2_Click()
{
    reject();
}

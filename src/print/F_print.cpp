#include "print/F_print.h"

#include "print/PrintRun.h"
#include "print/PrinterLayer.h"
#include "store/Notebook.h"
#include "ui/DialogPlacement.h"
#include "ui/FileOffer.h"
#include "ui/JapaneseFonts.h"
#include "ui/ListGrid.h"
#include "ui/MessageBoxes.h"
#include "ui/Twips.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>

namespace {

// The window as designed, in twips.
constexpr double kClientWidth = 9315;
constexpr double kClientHeight = 6570;

// The print run's messages carry the program's name alone as their title.
const QString kRunTitle = QStringLiteral("ユリモカ");

} // namespace

F_print::F_print(QWidget *owner, Notebook &notebook, PrinterLayer &printer)
    : QDialog(owner), nb(notebook), m_printer(printer), m_settings(notebook.folder())
{
    setObjectName(QStringLiteral("F_print"));
    createControls();
    connect(Combo1, &QComboBox::activated, this, [this] { Combo1_Click(); });
    connect(Combo2, &QComboBox::activated, this, [this] { Combo2_Click(); });
    connect(Grid1, &ListGrid::gridDoubleClicked, this, &F_print::Grid1_DblClick);
    connect(List1, &QListWidget::itemDoubleClicked, this, [this] { List1_DblClick(); });
    connect(Check1, &QCheckBox::clicked, this, &F_print::Check1_Click);
    connect(Command1, &QPushButton::clicked, this, &F_print::Command1_Click);
    connect(Command2, &QPushButton::clicked, this, &F_print::Command2_Click);
    Form_Load();
}

std::optional<QString> F_print::open(QWidget *owner, Notebook &notebook, PrinterLayer &printer)
{
    F_print window(owner, notebook, printer);
    window.exec();
    return notebook.settings().print_font;
}

void F_print::createControls()
{
    QFont gothic(QString::fromUtf8(JapaneseFonts::gothic));
    gothic.setPointSizeF(9.75);
    setFont(gothic);
    DialogPlacement::fixSize(this, kClientWidth, kClientHeight);

    using Twips::place;
    Label2 = new QLabel(QStringLiteral("分類"), this);
    place(Label2, "Label2", 60, 180, 390, 195);
    Combo1 = new QComboBox(this);
    place(Combo1, "Combo1", 540, 120, 3195, 315);
    Label1 = new QLabel(QStringLiteral("印刷用フォント"), this);
    place(Label1, "Label1", 3900, 180, 1365, 195);
    Combo2 = new QComboBox(this); // a drop-down list: only the printer's fonts
    place(Combo2, "Combo2", 5400, 120, 3795, 315);
    Label3 = new QLabel(QStringLiteral("印刷したい句をダブルクリックして、右側のリストに追加してください。"),
                        this);
    Label3->setWordWrap(true);
    place(Label3, "Label3", 0, 600, 4755, 375);
    Label4 =
        new QLabel(QStringLiteral("印刷を取り消したい句は、ダブルクリックするとリストから消えます。"), this);
    Label4->setWordWrap(true);
    place(Label4, "Label4", 5760, 600, 3555, 375);
    Grid1 = new ListGrid(nb, {HaikuListModel::Field::Category, HaikuListModel::Field::Poem}, this);
    place(Grid1, "Grid1", 0, 1020, 5715, 5535);
    List1 = new QListWidget(this);
    place(List1, "List1", 5760, 1020, 3555, 4935);
    // Between the two instructions, above the grid's right edge: every
    // other control keeps its place.
    Check1 = new QCheckBox(QStringLiteral("縦書き"), this);
    place(Check1, "Check1", 4800, 630, 915, 315);
    Command1 = new QPushButton(QStringLiteral("印刷"), this);
    place(Command1, "Command1", 5820, 6060, 1635, 435);
    Command2 = new QPushButton(QStringLiteral("中止"), this);
    place(Command2, "Command2", 7620, 6060, 1635, 435);
    Command1->setAutoDefault(false);
    Command2->setAutoDefault(false);

    Label2->setBuddy(Combo1);
    Label1->setBuddy(Combo2);
    Combo1->setAccessibleName(QStringLiteral("分類"));
    Combo2->setAccessibleName(QStringLiteral("印刷用フォント"));
    Grid1->setAccessibleName(QStringLiteral("句の一覧"));
    List1->setAccessibleName(QStringLiteral("印刷する句"));
}

void F_print::Form_Load()
{
    m_loading = true;
    setWindowTitle(QStringLiteral("選択した句の印刷"));
    DialogPlacement::centreOver(this, parentWidget() ? parentWidget()->window() : nullptr);

    Combo2->addItems(m_printer.fontNames());
    // A stored font the printer does not have gives way to ＭＳ 明朝, which
    // the settings then keep.
    if (!selectFont(nb.settings().print_font)) {
        nb.setPrintFont(PrinterLayer::fallbackFont);
        selectFont(nb.settings().print_font);
    }

    for (std::size_t i = 1; i < nb.categories().size(); ++i)
        Combo1->addItem(nb.categories()[i]);
    if (Combo1->count() > 0)
        Combo1->setCurrentIndex(0);

    Check1->setChecked(m_settings.verticalPrint);
    setUpGrid();
    fillGrid(Notebook::allCategories);
    m_printListCount = 0;

    // The list shows the poems in the font they will be printed in.
    QFont listFont = List1->font();
    listFont.setFamily(nb.settings().print_font);
    List1->setFont(listFont);
    m_loading = false;
}

bool F_print::selectFont(const QString &name)
{
    // The list names each family once, without its foundry.
    const int at = Combo2->findText(JapaneseFonts::familyOf(name), Qt::MatchExactly | Qt::MatchCaseSensitive);
    if (at < 0)
        return false;
    Combo2->setCurrentIndex(at);
    return true;
}

void F_print::setUpGrid()
{
    Grid1->setColWidth(0, 2000);
    Grid1->setColWidth(1, 3500);
    const QString headings[] = {QStringLiteral("分類"), QStringLiteral("句")};
    for (int c = 0; c < 2; ++c) {
        Grid1->setHeading(c, headings[c]);
        Grid1->setColAlignment(c, 2);
    }
}

void F_print::fillGrid(const QString &category)
{
    Grid1->setRecords(nb.find(category));
}

void F_print::Combo1_Click()
{
    if (m_loading)
        return;
    fillGrid(Combo1->currentText());
}

void F_print::Combo2_Click()
{
    const QString name = Combo2->currentText();
    const QString refused = nb.setPrintFont(name);
    if (!refused.isEmpty()) {
        MessageBoxes::notify(this, refused);
        selectFont(nb.settings().print_font);
        return;
    }
    QFont listFont = List1->font();
    listFont.setFamily(name);
    List1->setFont(listFont);
}

void F_print::Grid1_DblClick()
{
    // Neither the heading nor the empty last row holds a poem.
    const int index = Grid1->recordAt(Grid1->row());
    if (!nb.hasRecord(index))
        return;
    Grid1->setCol(1);
    List1->addItem(nb.record(index).poem);
    ++m_printListCount;
}

void F_print::List1_DblClick()
{
    const int i = List1->currentRow();
    if (i < 0 || i >= List1->count())
        return; // nothing chosen, nothing removed
    delete List1->takeItem(i);
    --m_printListCount;
}

QStringList F_print::printList() const
{
    QStringList poems;
    for (int i = 0; i < List1->count(); ++i)
        poems.append(List1->item(i)->text());
    return poems;
}

void F_print::Check1_Click()
{
    // Kept in yurimoka.ini; a file that cannot be written costs only the
    // memory of the choice, never the print.
    m_settings.verticalPrint = Check1->isChecked();
    m_settings.save();
}

void F_print::Command1_Click()
{
    QApplication::setOverrideCursor(Qt::WaitCursor);
    const PrintOutcome outcome = PrintRun::run(
        printList(), nb.settings().print_font, m_printer, nb.folder(), QDateTime::currentDateTime(),
        Check1->isChecked() ? PrintRun::Writing::Vertical : PrintRun::Writing::Horizontal);
    QApplication::restoreOverrideCursor();
    tell(outcome);
}

void F_print::tell(const PrintOutcome &outcome)
{
    switch (outcome.kind) {
    case PrintOutcome::Kind::Printed:
        MessageBoxes::notify(this, QStringLiteral("印刷終了"), kRunTitle);
        return;
    case PrintOutcome::Kind::SavedAsPdf: {
        FileOffer::offer(
            this,
            QStringLiteral(
                "印刷終了\n\nプリンタが見つからないため、印刷する内容をPDFファイルに保存しました。\n%1"
                "\n\nこのPDFファイルを開きますか？")
                .arg(QDir::toNativeSeparators(outcome.pdfPath)),
            outcome.pdfPath, QStringLiteral("PDFファイル"), kRunTitle);
        return;
    }
    case PrintOutcome::Kind::Failed:
        MessageBoxes::notify(this, QStringLiteral("印刷できませんでした。\n%1").arg(outcome.problem),
                             kRunTitle, MessageBoxes::Icon::Critical);
        return;
    }
}

void F_print::Command2_Click()
{
    reject();
}

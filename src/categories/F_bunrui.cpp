#include "categories/F_bunrui.h"

#include "store/Notebook.h"
#include "ui/BusyCursor.h"
#include "ui/DialogPlacement.h"
#include "ui/MessageBoxes.h"
#include "ui/PoemList.h"
#include "ui/Twips.h"
#include "ui/UnstoppableProgress.h"

#include <QFrame>
#include <QLineEdit>
#include <QListWidget>
#include <QLocale>
#include <QMouseEvent>
#include <QPushButton>

namespace {

// The window as designed, in twips.
constexpr double kClientWidth = 4320;
constexpr double kClientHeight = 5100;
const QColor kLightYellow(0xFF, 0xFF, 0xC0);
const QColor kLineGrey(0x80, 0x80, 0x80);

// The refusals of 分類追加 carry the program's name alone as their title.
const QString kAddTitle = QStringLiteral("ユリモカ");

// 該当句削除's work, under the busy pointer, with a count of the haiku dealt
// with when it goes on past half a second.
Notebook::RemoveResult removeShowingProgress(QWidget *owner, Notebook &nb, int entry)
{
    BusyCursor busy;
    UnstoppableProgress::letUncoveredWindowsDraw();
    // No 中止: once the haiku file without the category's haiku is on the
    // disk, all their memos must go into the trash; a stop halfway would
    // only leave memos without haiku.
    UnstoppableProgress progress(owner, MessageBoxes::programTitle);
    const QLocale japanese(QLocale::Japanese, QLocale::Japan);
    return nb.removeCategoryWithHaiku(entry, [&](int done, int total) {
        progress.tell(QStringLiteral("句を削除しています…（%1／%2句）")
                          .arg(japanese.toString(done), japanese.toString(total)),
                      done, total);
    });
}

} // namespace

F_bunrui::F_bunrui(QWidget *owner, Notebook &notebook, Hints::Sink hint)
    : QDialog(owner), nb(notebook), m_hint(std::move(hint))
{
    setObjectName(QStringLiteral("F_bunrui"));
    createControls();
    attachHints();
    connect(Command6, &QPushButton::clicked, this, &F_bunrui::Command6_Click);
    connect(Command1, &QPushButton::clicked, this, &F_bunrui::Command1_Click);
    connect(Command2, &QPushButton::clicked, this, &F_bunrui::Command2_Click);
    connect(Command3, &QPushButton::clicked, this, &F_bunrui::Command3_Click);
    connect(Command5, &QPushButton::clicked, this, &F_bunrui::Command5_Click);
    connect(Command4, &QPushButton::clicked, this, &F_bunrui::Command4_Click);

    DialogPlacement::centreOver(this, parentWidget() ? parentWidget()->window() : nullptr);
    setWindowTitle(QStringLiteral("分類の整理"));
    fillList();
    Text1->clear();
}

std::optional<F_bunrui::Result> F_bunrui::open(QWidget *owner, Notebook &notebook, Hints::Sink hint)
{
    F_bunrui window(owner, notebook, std::move(hint));
    window.exec();
    return window.m_result;
}

void F_bunrui::createControls()
{
    DialogPlacement::dress(this, 9.75, kLightYellow);
    DialogPlacement::fixSize(this, kClientWidth, kClientHeight);

    using Twips::place;
    Text1 = new QLineEdit(this);
    place(Text1, "Text1", 60, 60, 2835, 375);
    Command6 = new QPushButton(QStringLiteral("分類追加"), this);
    place(Command6, "Command6", 3000, 60, 1215, 435);

    // One pixel of grey from (60, 540) to (4200, 540). The pointer passes
    // through it to the window's background, as it would over a drawn line.
    Line1 = new QFrame(this);
    Line1->setFrameShape(QFrame::NoFrame);
    QPalette grey = Line1->palette();
    grey.setColor(QPalette::Window, kLineGrey);
    Line1->setPalette(grey);
    Line1->setAutoFillBackground(true);
    Line1->setAttribute(Qt::WA_TransparentForMouseEvents);
    place(Line1, "Line1", 60, 540, 4140, 15);

    List1 = new QListWidget(this);
    List1->setSelectionMode(QAbstractItemView::SingleSelection);
    place(List1, "List1", 60, 660, 2835, 4350);
    Command1 = new QPushButton(QStringLiteral("↑一つ上に"), this);
    place(Command1, "Command1", 3000, 660, 1215, 495);
    Command2 = new QPushButton(QStringLiteral("↓一つ下に"), this);
    place(Command2, "Command2", 3000, 1260, 1215, 495);
    Command3 = new QPushButton(QStringLiteral("分類削除"), this);
    place(Command3, "Command3", 3000, 1860, 1215, 495);
    Command5 = new QPushButton(QStringLiteral("該当句削除"), this);
    place(Command5, "Command5", 3000, 2460, 1215, 495);
    Command4 = new QPushButton(QStringLiteral("終了"), this);
    place(Command4, "Command4", 3000, 4500, 1215, 495);
    // Enter in the name box must not press a button that deletes.
    for (QPushButton *b : {Command6, Command1, Command2, Command3, Command5, Command4})
        b->setAutoDefault(false);

    Text1->setAccessibleName(QStringLiteral("追加する分類"));
    List1->setAccessibleName(QStringLiteral("分類の一覧"));
    Line1->setAccessibleName(QStringLiteral("区切り線"));
}

void F_bunrui::attachHints()
{
    using Hints::On;
    Hints::attach(Command1, QStringLiteral("選択した分類を、一つ上に移動します。"), On::MouseMove, m_hint);
    Hints::attach(Command2, QStringLiteral("選択した分類を、一つ下に移動します。"), On::MouseMove, m_hint);
    Hints::attach(Command3, QStringLiteral("選択した分類を削除します。(句は消えません）"), On::MouseMove,
                  m_hint);
    Hints::attach(Command4, QStringLiteral("分類の整理を終了します。"), On::MouseMove, m_hint);
    Hints::attach(Command5, QStringLiteral("選択した分類の句を全部削除します。"), On::MouseMove, m_hint);
    Hints::attach(List1->viewport(), QStringLiteral("クリックして分類を選択して下さい。"), On::MouseMove,
                  m_hint);
    // The background's hint comes from mouseMoveEvent.
    setMouseTracking(true);
}

void F_bunrui::mouseMoveEvent(QMouseEvent *event)
{
    // A move over a control that does not take it (the name box, 分類追加,
    // the buttons) comes on to the window: only the bare background, or the
    // line drawn on it, says that the categories are being kept.
    if (!childAt(event->position().toPoint()) && m_hint)
        m_hint(QStringLiteral("分類の整理中です。"));
    QDialog::mouseMoveEvent(event);
}

void F_bunrui::fillList()
{
    QStringList names;
    for (std::size_t k = 2; k < nb.categories().size(); ++k)
        names.append(nb.categories()[k]);
    List1->clear();
    List1->addItems(names);
    select(-1);
}

int F_bunrui::selectedItem() const
{
    // The list's cursor alone (a list given the focus puts it on the first
    // item) is not a choice: only a highlighted item is.
    const QList<QListWidgetItem *> chosen = List1->selectedItems();
    return chosen.isEmpty() ? -1 : List1->row(chosen.first());
}

void F_bunrui::select(int item)
{
    if (item < 0) {
        List1->clearSelection();
        List1->setCurrentRow(-1);
        return;
    }
    List1->setCurrentRow(item, QItemSelectionModel::ClearAndSelect);
}

void F_bunrui::tell(const QList<StoreProblem> &problems)
{
    if (!problems.isEmpty())
        MessageBoxes::notify(this, Notebook::describe(problems), MessageBoxes::programTitle,
                             MessageBoxes::Icon::Warning);
}

void F_bunrui::Command6_Click()
{
    const QString name = Text1->text();
    if (name.isEmpty()) {
        MessageBoxes::notify(this, QStringLiteral("追加する分類を入力してください。"), kAddTitle);
        return;
    }
    const std::optional<StoreProblem> problem = nb.addCategory(name);
    if (problem && problem->kind == StoreProblem::Kind::CategoryLimit) {
        MessageBoxes::notify(this, problem->message, Notebook::categoryLimitTitle);
        return;
    }
    if (problem && problem->kind != StoreProblem::Kind::Write) {
        MessageBoxes::notify(this, problem->message, kAddTitle);
        return;
    }
    // The new category is in memory even when its file cannot be written
    // (the next save writes it), so the list shows it; the poet is told.
    // Into an empty list (an empty bunrui.dat) the name goes first, where 全部
    // stands, and the list, which never shows that entry, stays as it is.
    if (nb.category_count() >= 2)
        List1->addItem(name);
    Text1->clear();
    if (problem)
        tell({*problem});
}

void F_bunrui::Command1_Click()
{
    const int i = selectedItem();
    if (i < 0) {
        MessageBoxes::notify(this, QStringLiteral("上に移動する項目を選んでください"));
        return;
    }
    if (i == 0) {
        MessageBoxes::notify(this, QStringLiteral("これより上には移動できません"));
        return;
    }
    nb.swapCategories(i + 1, i + 2);
    fillList();
    select(i - 1);
}

void F_bunrui::Command2_Click()
{
    const int i = selectedItem();
    if (i < 0) {
        MessageBoxes::notify(this, QStringLiteral("下に移動する項目を選んでください"));
        return;
    }
    if (i == nb.category_count() - 2) {
        MessageBoxes::notify(this, QStringLiteral("これより下には移動できません"));
        return;
    }
    nb.swapCategories(i + 2, i + 3);
    fillList();
    select(i + 1);
}

void F_bunrui::Command3_Click()
{
    const int i = selectedItem();
    if (i < 0) {
        MessageBoxes::notify(this, QStringLiteral("削除する項目を選んでください"));
        return;
    }
    const auto answer = MessageBoxes::askBeforeDestroying(
        this, QStringLiteral("分類『%1』を本当に削除して良いですか?").arg(List1->item(i)->text()),
        MessageBoxes::programTitle, MessageBoxes::Icon::None);
    if (answer != MessageBoxes::Answer::Yes)
        return;
    // The haiku keep the name: adding it again gives them back their category.
    nb.removeCategory(i + 2);
    fillList();
}

void F_bunrui::Command5_Click()
{
    const int i = selectedItem();
    if (i < 0) {
        MessageBoxes::notify(this, QStringLiteral("句を削除する分類を選んでください"));
        return;
    }
    const auto answer = MessageBoxes::askBeforeDestroying(
        this, QStringLiteral("■■　重要な注意事項です。良く読んで下さい　■■\n\n"
                             "削除した句を復活させる方法はありません。\n\n"
                             "選択した分類の全部の句を本当に削除して良いですか?"));
    if (answer != MessageBoxes::Answer::Yes)
        return;

    const QString category = nb.categories()[std::size_t(i + 2)];
    const Notebook::RemoveResult removed = removeShowingProgress(this, nb, i + 2);
    // The notebook has changed whatever went wrong: the main window redraws.
    m_result = Result::HaikuDeleted;
    fillList();

    QList<StoreProblem> notWritten;
    QList<StoreProblem> notDeleted;
    for (const StoreProblem &p : removed.problems)
        (p.kind == StoreProblem::Kind::MemoDelete ? notDeleted : notWritten).append(p);
    QStringList parts;
    if (!removed.keptPoems.isEmpty()) {
        // A haiku whose memo file could not be deleted stays, with its category.
        parts.append(QStringLiteral("メモのファイルを削除できなかったため、分類『%1』の次の%2句は削除せずに"
                                    "残しました。\n%3")
                         .arg(category)
                         .arg(removed.keptPoems.size())
                         .arg(PoemList::bulleted(removed.keptPoems)));
    }
    if (!notDeleted.isEmpty())
        parts.append(notDeleted.first().message);
    if (!notWritten.isEmpty())
        parts.append(Notebook::describe(notWritten));
    if (!parts.isEmpty())
        MessageBoxes::notify(this, parts.join(QStringLiteral("\n\n")), MessageBoxes::programTitle,
                             MessageBoxes::Icon::Warning);
    accept();
}

void F_bunrui::Command4_Click()
{
    if (auto problem = nb.writeCategories())
        tell({*problem});
    // The categories are in memory either way: the filter shows them.
    m_result = Result::Finished;
    accept();
}

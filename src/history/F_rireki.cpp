#include "history/F_rireki.h"

#include "ui/BusyCursor.h"
#include "ui/DialogPlacement.h"
#include "ui/MessageBoxes.h"
#include "ui/PoemList.h"
#include "ui/Twips.h"
#include "ui/UnstoppableProgress.h"

#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QTreeWidget>

namespace {

constexpr double kClientWidth = 7800;
constexpr double kClientHeight = 4920;
const QColor kLightYellow(0xFF, 0xFF, 0xC0);

// Poems named in the list's column at most, each cut to this many characters.
constexpr int kNamedInList = 3;
constexpr int kShortPoem = 12;

QString when(const History::Entry &e)
{
    return e.when.toString(QStringLiteral("yyyy/MM/dd HH:mm:ss"));
}

QString named(const QStringList &poems)
{
    QString out;
    for (const QString &p : poems)
        out += u'『' + (p.size() > kShortPoem ? p.left(kShortPoem) + u'…' : p) + u'』';
    return out;
}

} // namespace

QString F_rireki::differenceText(const History::Difference &d, int nowCount)
{
    if (d.back.isEmpty() && d.gone.isEmpty())
        return QStringLiteral("句は今と同じ");
    if (d.back.size() + d.gone.size() <= kNamedInList) {
        QStringList parts;
        if (!d.back.isEmpty())
            parts.append(named(d.back) + QStringLiteral("が戻る"));
        if (!d.gone.isEmpty())
            parts.append(named(d.gone) + QStringLiteral("が消える"));
        return parts.join(QStringLiteral("、"));
    }
    const int more = d.count - nowCount;
    if (more > 0)
        return QStringLiteral("%1句多い").arg(more);
    if (more < 0)
        return QStringLiteral("%1句少ない").arg(-more);
    return QStringLiteral("句数は同じ（%1句が違う）").arg(d.back.size());
}

QString F_rireki::question(const History::Entry &entry, const History::Difference &d)
{
    QStringList parts{QStringLiteral("句帳を %1 の状態（%2句）に戻します。").arg(when(entry)).arg(d.count)};
    if (!d.back.isEmpty())
        parts.append(
            QStringLiteral("戻る句（%1句）：\n%2").arg(d.back.size()).arg(PoemList::bulleted(d.back)));
    if (!d.gone.isEmpty()) {
        parts.append(QStringLiteral("消える句（%1句）：\n%2\nこれらのメモは「ゴミ箱」フォルダに移します。")
                         .arg(d.gone.size())
                         .arg(PoemList::bulleted(d.gone)));
    }
    if (d.back.isEmpty() && d.gone.isEmpty())
        parts.append(
            QStringLiteral("戻る句も消える句もありません。句の訂正や並べ替えがあれば、その状態に戻ります。"));
    parts.append(QStringLiteral("今の状態も「履歴」に残るので、戻したあとで取り消すこともできます。"));
    parts.append(QStringLiteral("この状態に戻しますか？"));
    return parts.join(QStringLiteral("\n\n"));
}

F_rireki::F_rireki(QWidget *owner, Notebook &notebook, Hints::Sink hint)
    : QDialog(owner), nb(notebook), m_hint(std::move(hint))
{
    setObjectName(QStringLiteral("F_rireki"));
    createControls();
    connect(Command1, &QPushButton::clicked, this, &F_rireki::Command1_Click);
    connect(Command2, &QPushButton::clicked, this, &F_rireki::Command2_Click);
    connect(List1, &QTreeWidget::itemDoubleClicked, this, [this] { Command1_Click(); });

    DialogPlacement::centreOver(this, parentWidget() ? parentWidget()->window() : nullptr);
    setWindowTitle(QStringLiteral("以前の状態に戻す"));
    fillList();
    if (m_hint)
        m_hint(QStringLiteral("戻したい状態を選んで[戻す]ボタンを押して下さい。"));
}

std::optional<Notebook::RestoreResult> F_rireki::open(QWidget *owner, Notebook &notebook, Hints::Sink hint)
{
    F_rireki window(owner, notebook, std::move(hint));
    window.exec();
    if (window.m_hint)
        window.m_hint(QString());
    return window.m_result;
}

void F_rireki::createControls()
{
    DialogPlacement::dress(this, 9.75, kLightYellow);
    DialogPlacement::fixSize(this, kClientWidth, kClientHeight);

    using Twips::place;
    Label1 = new QLabel(this);
    Label1->setWordWrap(true);
    place(Label1, "Label1", 120, 120, 7560, 435);
    List1 = new QTreeWidget(this);
    List1->setColumnCount(3);
    List1->setHeaderLabels({QStringLiteral("日時"), QStringLiteral("句数"), QStringLiteral("今との違い")});
    List1->setRootIsDecorated(false);
    List1->setUniformRowHeights(true);
    List1->setSelectionMode(QAbstractItemView::SingleSelection);
    List1->setAccessibleName(QStringLiteral("以前の状態の一覧"));
    place(List1, "List1", 120, 600, 7560, 3600);
    List1->setColumnWidth(0, Twips::toPxX(2340, this));
    List1->setColumnWidth(1, Twips::toPxX(900, this));
    List1->header()->setStretchLastSection(true);
    Command1 = new QPushButton(QStringLiteral("戻す"), this);
    place(Command1, "Command1", 4680, 4320, 1440, 435);
    Command2 = new QPushButton(QStringLiteral("閉じる"), this);
    place(Command2, "Command2", 6240, 4320, 1440, 435);
    // Enter never brings a state back by itself: it asks first either way,
    // but the buttons take no Enter meant for the list.
    Command1->setAutoDefault(false);
    Command2->setAutoDefault(false);

    using Hints::On;
    Hints::attach(Command1, QStringLiteral("選択した状態に句帳を戻します。"), On::MouseMove, m_hint);
    Hints::attach(Command2, QStringLiteral("句帳を戻さずに閉じます。"), On::MouseMove, m_hint);
    Hints::attach(List1->viewport(), QStringLiteral("戻したい状態をクリックして選んで下さい。"),
                  On::MouseMove, m_hint);
}

void F_rireki::fillList()
{
    m_entries = nb.historyEntries();
    m_differences.clear();
    List1->clear();
    // Each kept state is read and compared: a busy pointer at once, and a
    // count of the states when it lasts (fifty states of 30 000 haiku).
    BusyCursor busy;
    // Over this window once it shows; over the main window while it opens.
    UnstoppableProgress progress(isVisible() ? this : parentWidget(), QStringLiteral("以前の状態に戻す"));
    const History::Comparer comparer = nb.historyComparer();
    const int total = int(m_entries.size());
    QList<QTreeWidgetItem *> items;
    for (const History::Entry &e : m_entries) {
        progress.tell(QStringLiteral("以前の状態を読んでいます…（%1／%2）").arg(items.size() + 1).arg(total),
                      int(items.size()), total);
        m_differences.push_back(comparer.compare(e));
        const std::optional<History::Difference> &d = m_differences.back();
        items.append(new QTreeWidgetItem(
            QStringList{when(e), d ? QStringLiteral("%1句").arg(d->count) : QStringLiteral("－"),
                        d ? differenceText(*d, nb.haiku_count()) : QStringLiteral("読み込めません")}));
        items.back()->setTextAlignment(1, Qt::AlignRight | Qt::AlignVCenter);
    }
    List1->addTopLevelItems(items);
    // The newest is chosen: 戻す then takes back the last change, after the question.
    if (!items.isEmpty())
        List1->setCurrentItem(items.first());
    Label1->setText(
        m_entries.empty()
            ? QStringLiteral(
                  "残っている以前の状態はありません。\n句を削除したときや、その日初めて保存したときに残ります。")
            : QStringLiteral(
                  "戻したい状態を選んで[戻す]を押して下さい。\n今の状態も残るので、戻したあとで取り消すこともできます。"));
}

void F_rireki::Command1_Click()
{
    const QList<QTreeWidgetItem *> chosen = List1->selectedItems();
    const int row = chosen.isEmpty() ? -1 : List1->indexOfTopLevelItem(chosen.first());
    if (row < 0) {
        MessageBoxes::notify(this, QStringLiteral("戻す状態を選んで下さい。"));
        return;
    }
    const History::Entry &entry = m_entries[std::size_t(row)];
    const std::optional<History::Difference> &d = m_differences[std::size_t(row)];
    if (!d) {
        MessageBoxes::notify(this, QStringLiteral("この状態のファイルを読み込めないため、戻せません。"),
                             MessageBoxes::programTitle, MessageBoxes::Icon::Warning);
        return;
    }
    if (MessageBoxes::askBeforeDestroying(this, question(entry, *d)) != MessageBoxes::Answer::Yes)
        return;
    Notebook::RestoreResult result = nb.restore(entry);
    if (!result.restored) {
        // Nothing has changed; the window stays for another choice.
        MessageBoxes::notify(
            this, result.problems.first().message + QStringLiteral("\n\n以前の状態には戻していません。"),
            MessageBoxes::programTitle, MessageBoxes::Icon::Warning);
        fillList();
        return;
    }
    if (!result.problems.isEmpty())
        MessageBoxes::notify(this,
                             QStringLiteral("句帳を以前の状態に戻しました。ただし、\n\n") +
                                 Notebook::describe(result.problems),
                             MessageBoxes::programTitle, MessageBoxes::Icon::Warning);
    m_result = std::move(result);
    accept();
}

void F_rireki::Command2_Click()
{
    reject();
}

#include "mainwin/Main_form.h"

#include "booklet/F_kushu.h"
#include "categories/F_bunrui.h"
#include "editor/F_kinyu.h"
#include "editor/F_sakujo.h"
#include "export/F_kakidasi.h"
#include "fontset/F_tatefont.h"
#include "history/F_rireki.h"
#include "lock/F_keyset.h"
#include "lock/F_secpassin.h"
#include "mainwin/MainLayout.h"
#include "mainwin/ManualFile.h"
#include "onsu/Counter.h"
#include "print/F_print.h"
#include "print/SystemPrinter.h"
#include "store/Notebook.h"
#include "ui/Hints.h"
#include "ui/JapaneseFonts.h"
#include "ui/ListGrid.h"
#include "ui/MessageBoxes.h"
#include "ui/Twips.h"
#include "ui/VerticalLabel.h"
#include "ui/VerticalText.h"
#include "ui/WindowFrame.h"
#include "ui/WindowGeometry.h"

#include <QApplication>
#include <QCloseEvent>
#include <QComboBox>
#include <QDesktopServices>
#include <QFrame>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMenuBar>
#include <QMouseEvent>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScreen>
#include <QTimer>
#include <QUrl>

namespace {

// The window as designed, in twips: its outer size and the client area below
// the menu bar that the controls are laid out in.
constexpr double kDesignOuterWidth = 9450;
constexpr double kDesignOuterHeight = 6975;
constexpr double kClientWidth = 9330;
constexpr double kClientHeight = 6285;
constexpr double kListHeight = 2295;

const QColor kWindowGreen(192, 255, 192);
const QColor kPoemYellow(255, 255, 192);
const QColor kHintCyan(192, 255, 255);
const QColor kHintRed(192, 0, 0);

QFont gothicFont()
{
    QFont f(QString::fromUtf8(JapaneseFonts::gothic));
    f.setPointSizeF(9.75);
    return f;
}

void paint(QWidget *w, const QColor &background, const QColor &text = QColor())
{
    QPalette p = w->palette();
    p.setColor(QPalette::Window, background);
    if (text.isValid()) {
        p.setColor(QPalette::Base, background);
        p.setColor(QPalette::Text, text);
        p.setColor(QPalette::WindowText, text);
    }
    w->setPalette(p);
    w->setAutoFillBackground(true);
}

} // namespace

Main_form::Main_form(Notebook &notebook, QWidget *parent)
    : QMainWindow(parent), nb(notebook), m_printer(std::make_unique<SystemPrinter>())
{
    setObjectName(QStringLiteral("Main_form"));
    setWindowTitle(MessageBoxes::programTitle);
    createControls();

    connect(Combo1, &QComboBox::activated, this, [this] { Combo1_Click(); });
    connect(Menu_file_quit, &QAction::triggered, this, &Main_form::Menu_file_quit_Click);
    connect(Menu_quit, &QAction::triggered, this, &Main_form::Menu_quit_Click);
    connect(Command9, &QPushButton::clicked, this, &Main_form::Command9_Click);
    connect(menu_tukaikata, &QAction::triggered, this, &Main_form::menu_tukaikata_Click);
    connect(Menu_print, &QAction::triggered, this, &Main_form::Menu_print_Click);
    connect(Menu_kushu, &QAction::triggered, this, &Main_form::Menu_kushu_Click);
    connect(Menu_kakidasi, &QAction::triggered, this, &Main_form::Menu_kakidasi_Click);
    connect(Menu_restore, &QAction::triggered, this, &Main_form::Menu_restore_Click);
    connect(Menu_tatefont, &QAction::triggered, this, &Main_form::Menu_tatefont_Click);
    connect(Menu_file_pass, &QAction::triggered, this, &Main_form::Menu_file_pass_Click);
    connect(Grid1, &ListGrid::gridClicked, this, &Main_form::Grid1_Click);
    connect(Grid1, &ListGrid::gridDoubleClicked, this, &Main_form::Grid1_DblClick);
    m_lockedClickWait = new QTimer(this);
    m_lockedClickWait->setSingleShot(true);
    connect(m_lockedClickWait, &QTimer::timeout, this, &Main_form::lockedClickWaited);
    // A click still waiting on a locked row was on a row of the list as it
    // stood before a refill.
    connect(Grid1->list(), &QAbstractItemModel::modelReset, m_lockedClickWait, &QTimer::stop);
    connect(Command6, &QPushButton::clicked, this, &Main_form::Command6_Click);
    connect(Command7, &QPushButton::clicked, this, &Main_form::Command7_Click);
    connect(Command8, &QPushButton::clicked, this, &Main_form::Command8_Click);
    // Arrowing through the list never asks for a password, not even for a
    // locked row clicked just before.
    connect(Grid1, &ListGrid::gridKeyMoved, this, [this] {
        m_lockedClickWait->stop();
        showRowQuietly(Grid1->row());
    });
    connect(Menu_bunrui, &QAction::triggered, this, &Main_form::Menu_bunrui_Click);
    connect(Command5, &QPushButton::clicked, this, &Main_form::Command5_Click);
    connect(Command1, &QPushButton::clicked, this, &Main_form::Command1_Click);
    connect(Command2, &QPushButton::clicked, this, &Main_form::Command2_Click);
    connect(Combo2, &QComboBox::activated, this, &Main_form::Combo2_Click);
    // The poem's count comes in once the entry window has had the dictionary loaded.
    connect(&Onsu::Counter::shared(), &Onsu::Counter::ready, this, &Main_form::describeShownPoem);
    // The keyword is searched as typed: no completion from the history.
    Combo2->setCompleter(nullptr);
    // Text that arrives without a key (an input method's commit, a paste with
    // the mouse) is typed text too.
    connect(Combo2->lineEdit(), &QLineEdit::textEdited, this,
            [this] { m_keywordPicked = Notebook::keywordTyped; });
    Combo2->installEventFilter(this);
    Text1->installEventFilter(this);
    centralWidget()->setMouseTracking(true);
    centralWidget()->installEventFilter(this);
    attachHints();
}

Main_form::~Main_form() = default;

void Main_form::setHint(const QString &text)
{
    Text1->setText(text);
}

void Main_form::attachHints()
{
    const Hints::Sink sink = hintSink();
    using Hints::On;
    Hints::attach(Combo1, QStringLiteral("指定した分類のメモだけを表示します。"), On::Focus, sink);
    Hints::attach(Combo2, QStringLiteral("検索に使用するキーワード(句の中の言葉）を入力して下さい。"),
                  On::Focus, sink);
    Hints::attach(Command1, QStringLiteral("選択した句を一つ上に移動します。"), On::MouseMove, sink);
    Hints::attach(Command2, QStringLiteral("選択した句を一つ下に移動します。"), On::MouseMove, sink);
    Hints::attach(Command5, QStringLiteral("句の中に指定したキーワードが含まれるものを検索します。"),
                  On::MouseMove, sink);
    Hints::attach(Command6, QStringLiteral("新しい句を登録します。"), On::MouseMove, sink);
    Hints::attach(Command7, QStringLiteral("現在選択されている句を削除します。"), On::MouseMove, sink);
    Hints::attach(Command8, QStringLiteral("現在選択されている句を訂正します。"), On::MouseMove, sink);
    Hints::attach(Command9, QStringLiteral("ユリモカを終了します。"), On::MouseMove, sink);
    Hints::attach(Grid1->viewport(), QStringLiteral("クリックで表示、ダブルクリックで編集"), On::MouseMove,
                  sink);
    Hints::attach(Text2->viewport(), QStringLiteral("メモの内容を表示します。書きかえる時は[編集]ボタン。"),
                  On::MouseMove, sink);
    Hints::attach(Text1, QStringLiteral("【ユリモカ】の機能・使用法のガイダンスを表示します。"),
                  On::MouseMove, sink);
}

bool Main_form::openDespiteLock(const QString &host)
{
    const auto quit = MessageBoxes::show(
        nullptr,
        {QStringLiteral("この句帳は、別のパソコン「%1」で開かれているようです。\n"
                        "同じ句帳を二台で同時に開くと、片方で書いた句が失われるおそれがあります。\n\n"
                        "【ユリモカ】を終了しますか？\n"
                        "「はい」：終了します。\n"
                        "「いいえ」：このまま開きます。")
             .arg(host),
         MessageBoxes::programTitle, MessageBoxes::Icon::Warning, MessageBoxes::Buttons::YesNo});
    if (quit != MessageBoxes::Answer::No)
        return false;
    const auto open = MessageBoxes::askBeforeDestroying(
        nullptr, QStringLiteral("「%1」の【ユリモカ】を終了してから開くことをお勧めします。\n"
                                "両方で保存された場合、【ユリモカ】は上書きせずに、\n"
                                "このパソコンの内容を別の名前のファイルに残します。\n\n"
                                "本当にこのまま開きますか？")
                     .arg(host));
    return open == MessageBoxes::Answer::Yes;
}

void Main_form::menu_tukaikata_Click()
{
    const QString manual = ManualFile::find(nb.folder(), QCoreApplication::applicationDirPath());
    if (manual.isEmpty()) {
        MessageBoxes::notify(this, QStringLiteral("MANUAL.WRIファイルが無いので、使い方を表示できません。"),
                             QStringLiteral("ユリモカ"));
        return;
    }
    // Whatever the desktop opens such a file with; its answer is not examined.
    QDesktopServices::openUrl(QUrl::fromLocalFile(manual));
}

void Main_form::createControls()
{
    QMenuBar *bar = menuBar();
    bar->setFont(gothicFont());
    auto entry = [](QAction *a, const char *name) {
        a->setObjectName(QLatin1String(name));
        return a;
    };
    Menu_file = bar->addMenu(QStringLiteral("ﾌｧｲﾙ(&F)"));
    Menu_file->setObjectName(QStringLiteral("Menu_file"));
    Menu_file_pass = entry(Menu_file->addAction(QStringLiteral("鍵の設定(&P)")), "Menu_file_pass");
    entry(Menu_file->addSeparator(), "Menu_file_bar1");
    Menu_tatefont =
        entry(Menu_file->addAction(QStringLiteral("縦書き用フォントの設定(&K)")), "Menu_tatefont");
    entry(Menu_file->addSeparator(), "Menu_file_bar2");
    Menu_print = entry(Menu_file->addAction(QStringLiteral("選択した句の印刷(&K)")), "Menu_print");
    Menu_kushu = entry(Menu_file->addAction(QStringLiteral("句集を作る…")), "Menu_kushu");
    Menu_kakidasi = entry(Menu_file->addAction(QStringLiteral("書き出し…")), "Menu_kakidasi");
    entry(Menu_file->addSeparator(), "Menu_file_bar3");
    Menu_restore = entry(Menu_file->addAction(QStringLiteral("以前の状態に戻す…(&R)")), "Menu_restore");
    entry(Menu_file->addSeparator(), "Menu_file_bar4");
    Menu_file_quit = entry(Menu_file->addAction(QStringLiteral("終了(&Q)")), "Menu_file_quit");
    Menu_bunrui = entry(bar->addAction(QStringLiteral("分類の編集(&B)")), "Menu_bunrui");
    menu_tukaikata = entry(bar->addAction(QStringLiteral("使い方(&U)")), "menu_tukaikata");
    Menu_quit = entry(bar->addAction(QStringLiteral("終了(&Q)")), "Menu_quit");

    auto *client = new QWidget(this);
    client->setObjectName(QStringLiteral("client"));
    paint(client, kWindowGreen);
    client->setFont(gothicFont());
    client->setMinimumSize(Twips::toPxX(kClientWidth, this), Twips::toPxY(kClientHeight, this));
    setCentralWidget(client);

    auto place = [this](QWidget *w, const char *name, double l, double t, double wd, double h) {
        w->setObjectName(QLatin1String(name));
        w->setGeometry(Twips::rect(l, t, wd, h, this));
    };
    // The controls that follow the window's size get their places from the
    // layout, below; the others stay where the design puts them.
    auto named = [](QWidget *w, const char *name) { w->setObjectName(QLatin1String(name)); };
    auto button = [&](QPushButton *&b, const char *name, const QString &caption) {
        b = new QPushButton(caption, client);
        named(b, name);
    };

    Label1 = new QLabel(QStringLiteral("分類選択"), client);
    place(Label1, "Label1", 0, 120, 780, 195);
    Combo1 = new QComboBox(client);
    place(Combo1, "Combo1", 900, 60, 3315, 315);
    Label2 = new QLabel(QStringLiteral("検索ｷｰﾜｰﾄﾞ"), client);
    place(Label2, "Label2", 4260, 120, 1020, 195);
    Combo2 = new QComboBox(client);
    Combo2->setEditable(true);
    Combo2->setInsertPolicy(QComboBox::NoInsert);
    Combo2->setMaxVisibleItems(20);
    named(Combo2, "Combo2");
    button(Command5, "Command5", QStringLiteral("検索"));
    button(Command1, "Command1", QStringLiteral("上へ"));
    button(Command2, "Command2", QStringLiteral("下へ"));

    Shape1 = new QFrame(client);
    Shape1->setFrameShape(QFrame::Box);
    // A drawn panel: the mouse over it is over the window's surface.
    Shape1->setAttribute(Qt::WA_TransparentForMouseEvents);
    paint(Shape1, kPoemYellow);
    named(Shape1, "Shape1");
    Label3 = new VerticalLabel(client);
    paint(Label3, kPoemYellow);
    QFont poemFont(QString::fromUtf8(JapaneseFonts::mincho));
    poemFont.setPointSizeF(14.25);
    poemFont.setBold(true);
    Label3->setFont(poemFont);
    Label3->setText(QStringLiteral("ユリモカ"));
    named(Label3, "Label3");

    using Field = HaikuListModel::Field;
    Grid1 = new ListGrid(nb, {Field::Category, Field::Date, Field::Poem}, client);
    named(Grid1, "Grid1");
    Text2 = new QPlainTextEdit(client);
    named(Text2, "Text2");
    Text2->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    Text1 = new QLineEdit(client);
    Text1->setReadOnly(true);
    paint(Text1, kHintCyan, kHintRed);
    named(Text1, "Text1");

    button(Command7, "Command7", QStringLiteral("削除"));
    button(Command8, "Command8", QStringLiteral("編集"));
    button(Command6, "Command6", QStringLiteral("登録"));
    button(Command9, "Command9", QStringLiteral("終了"));

    // Controls without a caption say to a screen reader what they hold.
    Combo1->setAccessibleName(QStringLiteral("分類選択"));
    Combo2->setAccessibleName(QStringLiteral("検索キーワード"));
    Label3->setAccessibleName(QStringLiteral("選択した句（縦書き）"));
    Grid1->setAccessibleName(QStringLiteral("句の一覧"));
    Text2->setAccessibleName(QStringLiteral("メモ"));
    Text1->setAccessibleName(QStringLiteral("ヒント"));

    placeControls(MainLayout::forSize(kDesignOuterWidth, kDesignOuterHeight, kListHeight));
    // The sizing arrow of the splitter is set on the bare surface; every
    // control has the normal pointer of its own, so the arrow never follows
    // the mouse from the gap onto the list, the memo box or a button.
    for (QWidget *w : client->findChildren<QWidget *>(Qt::FindDirectChildrenOnly)) {
        if (!w->testAttribute(Qt::WA_TransparentForMouseEvents))
            w->setCursor(Qt::ArrowCursor);
    }

    // The window opens at its design size until the settings say otherwise.
    applyOuterSize(kDesignOuterWidth, kDesignOuterHeight);
}

using WindowFrame::outerRect;

void Main_form::applyOuterSize(double widthTwips, double heightTwips)
{
    WindowFrame::setOuterSize(this, widthTwips, heightTwips);
}

void Main_form::restoreGeometry()
{
    const Settings &s = nb.settings();
    if (s.window_state.value() != 0)
        return; // a maximised or minimised window keeps the centred place for its normal size

    m_listHeight = qMax(1.0, s.list_height.value());
    Form_Resize();
    WindowGeometry::restore(this, s);
}

double Main_form::layoutWidth() const
{
    return Twips::fromPxX(centralWidget()->width(), this) + MainLayout::kOuterExtraWidth;
}

double Main_form::layoutHeight() const
{
    return Twips::fromPxY(centralWidget()->height(), this) + MainLayout::kOuterExtraHeight;
}

void Main_form::Form_Resize()
{
    if (isMinimized())
        return;
    // The layout is reckoned from the client area plus the design frame, so
    // that a window manager's thicker or thinner title bar never pushes the
    // buttons out of the window.
    applyLayout(MainLayout::forSize(layoutWidth(), layoutHeight(), m_listHeight));
}

void Main_form::placeControls(const MainLayout::Layout &l)
{
    using Twips::put;
    put(Combo2, l.Combo2);
    put(Command5, l.Command5);
    put(Command1, l.Command1);
    put(Command2, l.Command2);
    put(Shape1, l.Shape1);
    put(Label3, l.Label3);
    put(Grid1, l.Grid1);
    put(Text2, l.Text2);
    put(Text1, l.Text1);
    put(Command7, l.Command7);
    put(Command8, l.Command8);
    put(Command6, l.Command6);
    put(Command9, l.Command9);
}

void Main_form::applyLayout(const MainLayout::Layout &l)
{
    placeControls(l);
    Grid1->setColWidth(2, l.poemColumn);
    m_listHeight = l.Grid1.height;
    QFont poemFont = Label3->font();
    if (poemFont.pointSizeF() != l.poemPoints) {
        poemFont.setPointSizeF(l.poemPoints);
        Label3->setFont(poemFont);
    }
    m_layout = l;
}

void Main_form::resizeEvent(QResizeEvent *event)
{
    QMainWindow::resizeEvent(event);
    Form_Resize();
}

void Main_form::applySplitter(double y)
{
    m_listHeight = MainLayout::listHeightForSplitter(y, layoutHeight());
    Form_Resize();
}

void Main_form::Form_MouseMove(double y)
{
    const bool inGap = MainLayout::inSplitterGap(y, m_layout);
    setHint(inGap ? QStringLiteral("マウスでドラッグして表示エリアのサイズを変更できます。") : QString());
    if (inGap || m_dragging)
        centralWidget()->setCursor(Qt::SizeVerCursor);
    else
        centralWidget()->unsetCursor();
    if (m_dragging)
        applySplitter(y);
}

void Main_form::Form_MouseDown(double y)
{
    if (MainLayout::inSplitterGap(y, m_layout))
        m_dragging = true;
}

void Main_form::Form_MouseUp(double y)
{
    if (!m_dragging)
        return;
    applySplitter(y);
    m_dragging = false;
    centralWidget()->unsetCursor();
}

void Main_form::showAsSaved()
{
    const int state = int(nb.settings().window_state.value());
    if (state == 2)
        showMaximized();
    else if (state == 1)
        showMinimized();
    else
        show();
    // Once the window manager has framed the window, the outer size is made
    // the saved one again (see event()). The place is left as the window
    // manager chose it: some put the frame where asked, others the client area.
    m_frameFixPending = state == 0;
    // A window opened maximised or minimised has the centred design size for
    // its normal size; the frame it will have then is known only once it is
    // back to normal (see event()).
    m_normalFixPending = state != 0;
}

bool Main_form::event(QEvent *e)
{
    const bool result = QMainWindow::event(e);
    if (m_normalFixPending && e->type() == QEvent::WindowStateChange && !isMaximized() && !isMinimized()) {
        m_normalFixPending = false;
        // Once the window manager has put its normal frame around it again.
        QTimer::singleShot(100, this, [this] {
            if (isMaximized() || isMinimized())
                return;
            applyOuterSize(kDesignOuterWidth, kDesignOuterHeight);
            WindowGeometry::centreOnScreen(this);
        });
    }
    if (m_frameFixPending &&
        (e->type() == QEvent::Move || e->type() == QEvent::Resize || e->type() == QEvent::WindowActivate)) {
        if (frameGeometry().size() != geometry().size()) {
            m_frameFixPending = false;
            if (!isMaximized() && !isMinimized())
                applyOuterSize(nb.settings().window_width.value(), nb.settings().window_height.value());
        }
    }
    return result;
}

void Main_form::setUpGrid()
{
    Grid1->setColWidth(0, 3000);
    Grid1->setColWidth(1, 1100);
    const QString headings[] = {QStringLiteral("分類"), QStringLiteral("年/月/日"), QStringLiteral("句")};
    for (int c = 0; c < 3; ++c) {
        Grid1->setHeading(c, headings[c]);
        Grid1->setColAlignment(c, 2);
    }
    // The poem column takes the rest of the list's width.
    Grid1->setColWidth(2, 4075);
}

bool Main_form::Form_Load()
{
    WindowGeometry::centreOnScreen(this);

    const StartupReport report =
        nb.startUp(WindowGeometry::defaults(this, m_listHeight), QDateTime::currentDateTime());
    if (!report.fatal.isEmpty()) {
        MessageBoxes::notify(this, report.fatal, MessageBoxes::programTitle, MessageBoxes::Icon::Critical);
        return false;
    }
    QStringList said = report.notices;
    if (!report.problems.isEmpty())
        said.append(Notebook::describe(report.problems));
    if (!said.isEmpty())
        MessageBoxes::notify(this, said.join(QStringLiteral("\n\n")), MessageBoxes::programTitle,
                             report.problems.isEmpty() ? MessageBoxes::Icon::Information
                                                       : MessageBoxes::Icon::Warning);

    restoreGeometry();
    setUpGrid();

    // The memo box starts empty (below), so the first row's memo is not read.
    fillCategoryFilter(MemoShown::No);

    fillKeywordBox();
    Combo2->setEditText(QString());

    updateCaption();
    Text1->clear();
    Text2->clear();
    setPoemFont(nb.settings().tate_font);
    return true;
}

void Main_form::setPoemFont(const QString &family)
{
    // A font this machine lacks shows as ＭＳ 明朝; the setting keeps its name.
    QFont poemFont = Label3->font();
    poemFont.setFamily(m_printer->usableFont(family));
    Label3->setFont(poemFont);
}

void Main_form::Menu_print_Click()
{
    F_print::open(this, nb, *m_printer);
}

void Main_form::Menu_kushu_Click()
{
    F_kushu::open(this, nb);
}

void Main_form::Menu_kakidasi_Click()
{
    F_kakidasi::open(this, nb);
}

void Main_form::Menu_restore_Click()
{
    if (!F_rireki::open(this, nb, hintSink()))
        return;
    // A restore may bring a category back: the filter is refilled, every
    // haiku listed and the title counts them.
    fillCategoryFilter();
    updateCaption();
}

void Main_form::Menu_tatefont_Click()
{
    // The window previews on the poem as fonts are picked, and puts the kept
    // one back when it is left without 設定.
    F_tatefont::open(
        this, nb, m_printer->fontNames(), [this](const QString &family) { setPoemFont(family); }, hintSink());
}

void Main_form::updateCaption()
{
    setWindowTitle(QStringLiteral("%1 (%2件)").arg(MessageBoxes::programTitle).arg(nb.haiku_count()));
}

void Main_form::fillCategoryFilter(MemoShown memo)
{
    Combo1->clear();
    for (std::size_t i = 1; i < nb.categories().size(); ++i)
        Combo1->addItem(nb.categories()[i]);
    if (Combo1->count() > 0) {
        Combo1->setCurrentIndex(0);
        filterByCategory(memo);
    }
}

void Main_form::Menu_bunrui_Click()
{
    const std::optional<F_bunrui::Result> result = F_bunrui::open(this, nb, hintSink());
    if (!result)
        return;
    switch (*result) {
    case F_bunrui::Result::Finished: fillCategoryFilter(); break;
    case F_bunrui::Result::HaikuDeleted:
        // Every haiku that is left, whatever the filter showed; the filter
        // stays as it was. No row is chosen, so nothing is shown below.
        Grid1->setRecords(nb.find(Notebook::allCategories));
        Combo2->setEditText(QString());
        Grid1->setRow(Grid1->rows() - 1);
        Grid1->setSelectedRows(0, 0);
        Grid1->scrollToTop();
        showRowQuietly(0);
        updateCaption();
        break;
    }
}

void Main_form::Combo1_Click()
{
    filterByCategory(MemoShown::Yes);
}

void Main_form::filterByCategory(MemoShown memo)
{
    Grid1->setRecords(nb.find(Combo1->currentText()));
    Combo2->setEditText(QString());
    selectAndShowRow(1, memo);
}

void Main_form::rebuildList()
{
    Grid1->setRecords(nb.find(Combo1->currentText(), Combo2->currentText()));
}

void Main_form::selectFirstRow()
{
    selectAndShowRow(1);
}

void Main_form::showRowQuietly(int r, MemoShown memo)
{
    showRow(r, memo == MemoShown::Yes && !nb.isLocked(Grid1->recordAt(r)));
}

void Main_form::showRow(int r, bool withMemo)
{
    const int index = Grid1->recordAt(r);
    if (!nb.hasRecord(index)) {
        Text2->clear();
        showPoem(QString());
        return;
    }
    if (withMemo)
        Text2->setPlainText(nb.readMemo(index).text); // empty when the file is missing
    else
        Text2->clear();
    showPoem(nb.record(index).poem);
}

void Main_form::showPoem(const QString &poem)
{
    // The long-vowel mark lies flat in a vertical column; the poem stands
    // upright with it written as a full-width bar.
    Label3->setText(VerticalText::withBars(poem));
    m_shownPoem = poem;
    describeShownPoem();
}

void Main_form::describeShownPoem()
{
    Label3->setAccessibleDescription(Onsu::Counter::shared().line(m_shownPoem));
}

bool Main_form::passwordGiven(const QString &notice)
{
    // Nothing of the memo stays on show while the password is asked for.
    Text2->clear();
    MessageBoxes::notify(this, notice);
    const Password answer = F_secpassin::open(this, nb, hintSink());
    if (answer == Password::Wrong)
        MessageBoxes::notify(this, QStringLiteral("パスワードが間違っています。"), MessageBoxes::programTitle,
                             MessageBoxes::Icon::Critical);
    return answer == Password::Right;
}

void Main_form::Grid1_Click()
{
    m_lockedClickWait->stop();
    const int r = Grid1->row();
    if (!nb.isLocked(Grid1->recordAt(r))) {
        showRow(r, true);
        return;
    }
    // A message box now would swallow the second press of a double click,
    // which means 編集: the notice waits for the double-click time. Nothing
    // of the memo shows meanwhile.
    Text2->clear();
    m_lockedClickRow = r;
    m_lockedClickWait->start(QApplication::doubleClickInterval());
}

void Main_form::lockedClickWaited()
{
    const int r = m_lockedClickRow;
    // The poet has moved on, or another window has opened since the click.
    if (r != Grid1->row() || QApplication::activeModalWidget())
        return;
    // Only the right password opens the memo, and only for this click; the
    // label keeps what it showed.
    if (nb.isLocked(Grid1->recordAt(r)) &&
        !passwordGiven(QStringLiteral("指定された句のメモには鍵がかかっています。")))
        return;
    showRow(r, true);
}

void Main_form::Grid1_DblClick()
{
    m_lockedClickWait->stop();
    Command8_Click();
}

void Main_form::selectAndShowRow(int r, MemoShown memo)
{
    Grid1->setRow(r);
    Grid1->setSelectedRows(r, r);
    if (r <= 1)
        Grid1->scrollToTop();
    else if (r < Grid1->rows())
        Grid1->scrollTo(Grid1->model()->index(r - 1, 0));
    showRowQuietly(r, memo);
}

void Main_form::showStoredHaiku()
{
    // A category the entry window added joins the end of the filter's list.
    for (int i = Combo1->count() + 1; i <= nb.category_count(); ++i)
        Combo1->addItem(nb.categories()[std::size_t(i)]);
    // The filter back on its first entry; moving it there empties the
    // keyword box, as choosing a category always does.
    if (Combo1->currentIndex() != 0 && Combo1->count() > 0) {
        Combo1->setCurrentIndex(0);
        Combo2->setEditText(QString());
    }
    Grid1->setRecords(nb.find(Notebook::allCategories));
    Text2->clear();
    updateCaption();
}

void Main_form::Command6_Click()
{
    // The hint is on the screen while the entry window is being built.
    setHint(QStringLiteral("登録画面を起動中です。少々お待ち下さい。"));
    repaint();
    if (F_kinyu::open(this, nb, 0, hintSink(), Label3->font().family()))
        showStoredHaiku();
    updateCaption();
    selectAndShowRow(1);
}

void Main_form::Command8_Click()
{
    const int r = Grid1->row();
    // The haiku of this very row, found by its place in the list: two haiku
    // with the same poem are two haiku.
    const int index = Grid1->recordAt(r);
    if (nb.isLocked(index) && !passwordGiven(QStringLiteral("指定されたメモには鍵がかかっています。")))
        return;
    if (!nb.hasRecord(index)) {
        MessageBoxes::notify(this, QStringLiteral("編集する項目が選択されていません。"));
        return;
    }
    setHint(QStringLiteral("編集画面を起動中です。少々お待ち下さい。"));
    repaint();
    if (F_kinyu::open(this, nb, index, hintSink(), Label3->font().family()))
        showStoredHaiku();
    updateCaption();
    selectAndShowRow(r);
}

void Main_form::Command7_Click()
{
    const int index = Grid1->recordAt(Grid1->row());
    if (!nb.hasRecord(index)) {
        MessageBoxes::notify(this, QStringLiteral("削除する項目が選択されていません。"));
        return;
    }
    const auto result = F_sakujo::open(this, nb, index, hintSink());
    if (!result)
        return;
    if (result->removed > 0) {
        rebuildList();
        setHint(QString());
        updateCaption();
        Text2->clear();
        showPoem(QString());
    }
    if (result->removed == 0 && !result->problems.isEmpty()) {
        const StoreProblem &p = result->problems.first();
        MessageBoxes::notify(this,
                             p.message + QStringLiteral("\n\n") +
                                 (p.kind == StoreProblem::Kind::MemoDelete
                                      ? QStringLiteral("メモを残したまま句だけを消すことはしないため、")
                                      : QString()) +
                                 QStringLiteral("この句は削除していません。"),
                             MessageBoxes::programTitle, MessageBoxes::Icon::Warning);
    } else if (!result->problems.isEmpty()) {
        MessageBoxes::notify(this, Notebook::describe(result->problems), MessageBoxes::programTitle,
                             MessageBoxes::Icon::Warning);
    }
}

void Main_form::Menu_file_pass_Click()
{
    F_keyset::open(this, nb, hintSink());
}

Hints::Sink Main_form::hintSink()
{
    return [this](const QString &text) { setHint(text); };
}

void Main_form::recordGeometry()
{
    nb.setWindowPlace(WindowGeometry::record(this, nb.settings(), Grid1->height(), m_listHeight));
}

Main_form::QuitChoice Main_form::saveAll()
{
    for (;;) {
        recordGeometry();
        const QList<StoreProblem> problems = nb.saveAll();
        if (problems.isEmpty())
            return QuitChoice::Saved;
        // Files another computer changed meanwhile were left as they are and
        // ours went beside them: nothing is lost, the poet is only told where.
        const bool allSavedAside = std::all_of(problems.begin(), problems.end(),
                                               [](const StoreProblem &p) { return !p.savedAs.isEmpty(); });
        if (allSavedAside) {
            QStringList parts;
            for (const StoreProblem &p : problems)
                parts.append(p.message);
            parts.append(QStringLiteral("次に起動したときは、書き換えられた方の内容が開きます。\n"
                                        "このパソコンで書いた内容は、上の名前のファイルに残っています。"));
            MessageBoxes::notify(this, parts.join(QStringLiteral("\n\n")), MessageBoxes::programTitle,
                                 MessageBoxes::Icon::Warning);
            return QuitChoice::Saved;
        }
        // The poet may make room or give permission while the message is up,
        // and then try again; or quit without saving, after a second question.
        const auto retry = MessageBoxes::show(
            this,
            {Notebook::describe(problems) + QStringLiteral("\n\nもう一度保存しますか？\n"
                                                           "「はい」：保存をやり直します。\n"
                                                           "「いいえ」：保存せずに終了することができます。"),
             MessageBoxes::programTitle, MessageBoxes::Icon::Critical, MessageBoxes::Buttons::YesNo});
        if (retry == MessageBoxes::Answer::Yes)
            continue;
        const auto discard = MessageBoxes::askBeforeDestroying(
            this, QStringLiteral("保存できなかった内容は失われます。\n本当に保存せずに終了しますか？\n"
                                 "「いいえ」を選ぶと、【ユリモカ】は終了せずにそのまま残ります。"));
        return discard == MessageBoxes::Answer::Yes ? QuitChoice::Discarded : QuitChoice::StayOpen;
    }
}

void Main_form::Menu_quit_Click()
{
    // A second request while the first is still saving or telling of a
    // failure (a signal, the close box behind the message) waits for it.
    if (m_quit || m_saving)
        return;
    m_saving = true;
    const QuitChoice choice = saveAll();
    m_saving = false;
    if (choice == QuitChoice::StayOpen)
        return; // nothing the poet wrote may be lost without being asked twice
    m_quit = true;
    emit programEnded();
}

void Main_form::Menu_file_quit_Click()
{
    Menu_quit_Click();
}

void Main_form::Command9_Click()
{
    Menu_quit_Click();
}

void Main_form::closeEvent(QCloseEvent *event)
{
    Menu_quit_Click();
    if (m_quit)
        event->accept();
    else
        event->ignore();
}

bool Main_form::eventFilter(QObject *watched, QEvent *event)
{
    // The bare window surface: the splitter between the list and the memo box.
    if (watched == centralWidget()) {
        const auto type = event->type();
        if (type == QEvent::MouseMove || type == QEvent::MouseButtonPress ||
            type == QEvent::MouseButtonRelease) {
            const double y = Twips::fromPxY(qRound(static_cast<QMouseEvent *>(event)->position().y()), this);
            if (type == QEvent::MouseMove)
                Form_MouseMove(y);
            else if (type == QEvent::MouseButtonPress)
                Form_MouseDown(y);
            else
                Form_MouseUp(y);
        }
    }
    if (watched == Combo2 && event->type() == QEvent::KeyPress) {
        const auto *key = static_cast<QKeyEvent *>(event);
        if (Combo2_KeyPress(key->key(), key->text()))
            return true;
    }
    // The hint line never keeps the focus: it goes on to 登録.
    if (watched == Text1 && event->type() == QEvent::FocusIn)
        QMetaObject::invokeMethod(Command6, qOverload<>(&QWidget::setFocus), Qt::QueuedConnection);
    return QMainWindow::eventFilter(watched, event);
}

// ---- Finding and ordering: the keyword search, its history, 上へ / 下へ ----

void Main_form::fillKeywordBox()
{
    Combo2->clear();
    for (int i = 0; i < kKeywordSlots; ++i)
        Combo2->addItem(nb.keywords()[std::size_t(i)]);
}

void Main_form::Command5_Click()
{
    const QString keyword = Combo2->currentText();
    Grid1->setRecords(nb.find(Combo1->currentText(), keyword));
    nb.rememberKeyword(keyword, m_keywordPicked);
    fillKeywordBox();
    Combo2->setEditText(nb.keywords()[0]);
    m_keywordPicked = 0;
    selectFirstRow();
}

void Main_form::Combo2_Click(int index)
{
    m_keywordPicked = index;
}

bool Main_form::Combo2_KeyPress(int key, const QString &text)
{
    const bool enter = key == Qt::Key_Return || key == Qt::Key_Enter;
    // A key that types makes the text typed, Enter too: a line picked and
    // then searched with Enter goes in front as a new entry. Keys that only
    // move (Tab, the arrows, Shift) leave a picked line picked; the arrows
    // pick lines themselves.
    if (enter || (!text.isEmpty() && key != Qt::Key_Tab && key != Qt::Key_Backtab))
        m_keywordPicked = Notebook::keywordTyped;
    if (!enter)
        return false;
    Command5_Click();
    return true;
}

void Main_form::Command1_Click()
{
    moveSelectedRow(-1);
}

void Main_form::Command2_Click()
{
    moveSelectedRow(+1);
}

void Main_form::moveSelectedRow(int step)
{
    // The haiku on the current row moves to its shown neighbour's place; the
    // haiku hidden between them keep their order, shifted by one. The rows
    // are in notebook order, so a neighbour on the wrong side means rows out
    // of step with the notebook: nothing moves then.
    const int row = Grid1->row();
    const int neighbour = row + step;
    const int from = Grid1->recordAt(row);
    const int to = Grid1->recordAt(neighbour);
    if (!nb.hasRecord(from) || !nb.hasRecord(to) || (step < 0 ? to >= from : to <= from))
        return;
    nb.moveRecord(from, to);
    // The list is rebuilt with the boxes as they stand now, even a keyword
    // typed after the last search; the history is left alone.
    Grid1->setRecords(nb.find(Combo1->currentText(), Combo2->currentText()));
    const std::vector<int> &shown = Grid1->list()->records();
    const auto found = std::lower_bound(shown.begin(), shown.end(), to);
    const bool stillShown = found != shown.end() && *found == to;
    const int selected =
        stillShown ? int(found - shown.begin()) + 1 : qBound(1, neighbour, qMax(1, Grid1->shownCount()));
    Grid1->setRow(selected);
    Grid1->setCol(2);
    Grid1->setSelectedRows(selected, selected);
    Grid1->scrollToRow(selected);
    // The poem and memo on display are the moved haiku's; only when the new
    // keyword hides it do they follow the selection to the row now selected.
    if (!stillShown)
        showRowQuietly(selected);
}

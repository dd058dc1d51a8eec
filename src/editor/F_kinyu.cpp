#include "editor/F_kinyu.h"

#include "onsu/Counter.h"
#include "store/Notebook.h"
#include "ui/DialogPlacement.h"
#include "ui/JapaneseFonts.h"
#include "ui/MessageBoxes.h"
#include "ui/Twips.h"
#include "ui/VerticalLabel.h"
#include "ui/VerticalText.h"
#include "ui/WindowFrame.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QFrame>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMouseEvent>
#include <QPlainTextEdit>
#include <QPushButton>

namespace {

const QColor kWindowCyan(192, 255, 255);
const QColor kPreviewYellow(255, 255, 192);

void fillPreview(QWidget *w)
{
    QPalette p = w->palette();
    p.setColor(QPalette::Window, kPreviewYellow);
    w->setPalette(p);
    w->setAutoFillBackground(true);
}

bool isEnter(QEvent *event)
{
    if (event->type() != QEvent::KeyPress)
        return false;
    const int key = static_cast<QKeyEvent *>(event)->key();
    return key == Qt::Key_Return || key == Qt::Key_Enter;
}

} // namespace

std::optional<F_kinyu::Stored> F_kinyu::open(QWidget *owner, Notebook &nb, int index, const Hints::Sink &hint,
                                             const QString &previewFamily)
{
    F_kinyu window(owner, nb, hint, previewFamily);
    if (!window.Form_Load(index))
        return std::nullopt;
    window.exec();
    return window.stored();
}

F_kinyu::F_kinyu(QWidget *owner, Notebook &notebook, const Hints::Sink &hint, const QString &previewFamily)
    : QDialog(owner, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowCloseButtonHint),
      nb(notebook), m_hint(hint)
{
    setObjectName(QStringLiteral("F_kinyu"));
    setModal(true);
    DialogPlacement::dress(this, 9.75, kWindowCyan);
    createControls(previewFamily);
    attachHints();

    connect(Command1, &QPushButton::clicked, this, &F_kinyu::Command1_Click);
    connect(Command2, &QPushButton::clicked, this, &F_kinyu::Command2_Click);
    connect(Command3, &QPushButton::clicked, this, &F_kinyu::Command3_Click);
    // The preview follows the poem as it is typed, also while it is set below.
    connect(Text2, &QLineEdit::textChanged, this,
            [this](const QString &poem) { Label4->setText(VerticalText::withBars(poem)); });
    // The count follows it too, and comes in once the dictionary is loaded.
    connect(Text2, &QLineEdit::textChanged, this, &F_kinyu::showOnsu);
    connect(&Onsu::Counter::shared(), &Onsu::Counter::ready, this, &F_kinyu::showOnsu);
    Onsu::Counter::shared().load();
    // A category picked from the list: on to the date. The box also says
    // "activated" when it is left with the name of an entry typed in; the
    // focus has gone elsewhere then and stays there.
    connect(Combo1, &QComboBox::activated, this, [this] {
        QWidget *focus = QApplication::focusWidget();
        if (focus == Combo1 || Combo1->isAncestorOf(focus))
            Text1->setFocus();
    });
    // Enter moves on from the category, the date and the poem instead of
    // pressing a button; the memo takes it as a new line.
    for (QObject *box : {static_cast<QObject *>(Combo1), static_cast<QObject *>(Combo1->lineEdit()),
                         static_cast<QObject *>(Text1), static_cast<QObject *>(Text2)})
        box->installEventFilter(this);
    // A button with the focus is pressed by Enter as by the space bar.
    for (QPushButton *b : {Command1, Command2, Command3})
        b->installEventFilter(this);
}

void F_kinyu::createControls(const QString &previewFamily)
{
    auto label = [this](QLabel *&l, const QString &caption) {
        l = new QLabel(caption, this);
        l->setWordWrap(false);
    };
    label(Label1, QStringLiteral("分類"));
    Combo1 = new QComboBox(this);
    Combo1->setEditable(true);
    Combo1->setInsertPolicy(QComboBox::NoInsert);
    Combo1->setCompleter(nullptr); // a name is typed as it is, never completed to another
    Combo1->setAccessibleName(QStringLiteral("分類"));
    label(Label2, QStringLiteral("年/月/日"));
    Text1 = new QLineEdit(this);
    Text1->setAccessibleName(QStringLiteral("年/月/日"));
    Command3 = new QPushButton(QStringLiteral("今日"), this);
    Check3 = new QCheckBox(QStringLiteral("鍵をかける"), this);

    Shape1 = new QFrame(this);
    Shape1->setFrameShape(QFrame::Box);
    // A drawn frame: the mouse over it is over the window's surface.
    Shape1->setAttribute(Qt::WA_TransparentForMouseEvents);
    Label4 = new VerticalLabel(this);
    fillPreview(Label4);
    QFont preview(previewFamily.isEmpty() ? QString::fromUtf8(JapaneseFonts::mincho) : previewFamily);
    preview.setBold(true);
    preview.setPointSizeF(14);
    Label4->setFont(preview);
    Label4->setAccessibleName(QStringLiteral("句の縦書き"));

    label(Label6, QStringLiteral("句"));
    Text2 = new QLineEdit(this);
    QFont bold = font();
    bold.setBold(true);
    Text2->setFont(bold);
    Text2->setAccessibleName(QStringLiteral("句"));
    // A quiet line, as tall as the strip between the poem box and the memo's caption.
    LabelOnsu = new QLabel(this);
    QFont small = font();
    small.setPointSizeF(7);
    LabelOnsu->setFont(small);
    QPalette quiet = LabelOnsu->palette();
    quiet.setColor(QPalette::WindowText, QColor(64, 96, 96));
    LabelOnsu->setPalette(quiet);
    LabelOnsu->setAccessibleName(QStringLiteral("音数"));
    label(Label3,
          QStringLiteral("作句の状況、思い出、推敲の記録、投句・受賞記録などを自由に記入してください。"));
    Text3 = new QPlainTextEdit(this);
    Text3->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    Text3->setTabChangesFocus(true);
    Text3->setAccessibleName(QStringLiteral("メモ"));
    Command2 = new QPushButton(QStringLiteral("中止"), this);
    Command1 = new QPushButton(QStringLiteral("登録"), this);
    // No button is the window's default: Enter in the boxes moves on, and
    // presses a button only while that button has the focus.
    for (QPushButton *b : {Command1, Command2, Command3})
        b->setAutoDefault(false);

    const std::pair<QWidget *, const char *> names[] = {
        {Label1, "Label1"},     {Combo1, "Combo1"},     {Label2, "Label2"},      {Text1, "Text1"},
        {Command3, "Command3"}, {Check3, "Check3"},     {Shape1, "Shape1"},      {Label4, "Label4"},
        {Label6, "Label6"},     {Text2, "Text2"},       {Label3, "Label3"},      {Text3, "Text3"},
        {Command2, "Command2"}, {Command1, "Command1"}, {LabelOnsu, "LabelOnsu"}};
    for (const auto &[w, name] : names)
        w->setObjectName(QLatin1String(name));
    Label4->raise(); // the preview lies inside its frame

    setTabOrder(Combo1, Text1);
    setTabOrder(Text1, Text2);
    setTabOrder(Text2, Check3);
    setTabOrder(Check3, Command1);
    setTabOrder(Command1, Command2);
    setTabOrder(Command2, Command3);
    setTabOrder(Command3, Text3);

    setMinimumSize(Twips::toPxX(KinyuLayout::kMinWidth - KinyuLayout::kOuterExtraWidth, this),
                   Twips::toPxY(KinyuLayout::kMinHeight - KinyuLayout::kOuterExtraHeight, this));
    applyLayout(KinyuLayout::forSize(KinyuLayout::kDesignWidth, KinyuLayout::kDesignHeight));
}

void F_kinyu::attachHints()
{
    if (!m_hint)
        return;
    using Hints::On;
    Hints::attach(Command1, QStringLiteral("現在の内容でメモを登録します。"), On::MouseMove, m_hint);
    Hints::attach(Command2, QStringLiteral("メモの登録・訂正を中止してメイン画面に戻ります。"), On::MouseMove,
                  m_hint);
    Hints::attach(Check3, QStringLiteral("鍵を開けるパスワードは、[ﾌｧｲﾙ]－[鍵の設定]で設定します。"),
                  On::MouseMove, m_hint);
    Hints::attach(Text1, QStringLiteral("デフォルトでは、メモの登録日となります。"), On::MouseMove, m_hint);
    Hints::attach(Text2, QStringLiteral("登録するメモのタイトルを入力して下さい。"), On::MouseMove, m_hint);
    // The bare surface of the window: see mouseMoveEvent().
    setMouseTracking(true);
}

void F_kinyu::mouseMoveEvent(QMouseEvent *event)
{
    // Moves over a button come here too once the button has let them pass;
    // only the surface itself (the preview's frame is drawn on it) has this hint.
    if (m_hint && !childAt(event->position().toPoint()))
        m_hint(QStringLiteral("メモの登録・訂正の画面です。"));
    QDialog::mouseMoveEvent(event);
}

bool F_kinyu::eventFilter(QObject *watched, QEvent *event)
{
    if (isEnter(event)) {
        if (auto *button = qobject_cast<QPushButton *>(watched)) {
            button->click();
            return true;
        }
        if (watched == Text1)
            Text2->setFocus();
        else if (watched == Text2)
            Text3->setFocus();
        else
            Text1->setFocus(); // the category box or its text field
        return true;
    }
    return QDialog::eventFilter(watched, event);
}

void F_kinyu::showOnsu()
{
    const QString line = Onsu::Counter::shared().line(Text2->text());
    LabelOnsu->setText(line);
    Text2->setAccessibleDescription(line);
}

QString F_kinyu::today() const
{
    return DataFiles::shortDate(QDate::currentDate());
}

bool F_kinyu::Form_Load(int index)
{
    setWindowTitle(MessageBoxes::programTitle);
    placeOverOwner();

    // Every category but the first (全部, which the list reads as all of them).
    for (std::size_t i = 2; i < nb.categories().size(); ++i)
        Combo1->addItem(nb.categories()[i]);

    if (index != 0) {
        if (!nb.hasRecord(index))
            return false; // the caller hands over a record of the list
        const Haiku_record &r = nb.record(index);
        const MemoFile memo = nb.readMemo(index);
        if (memo.state == MemoFile::State::Unreadable) {
            MessageBoxes::notify(
                parentWidget(),
                memo.problem + QStringLiteral("\n読めないメモを上書きしないように、編集画面は開きません。"),
                MessageBoxes::programTitle, MessageBoxes::Icon::Warning);
            return false;
        }
        m_index = index;
        Text1->setText(r.date_text);
        Combo1->setEditText(r.category);
        Text2->setText(r.poem);
        Check3->setChecked(r.isLocked());
        // A missing memo file opens as an empty memo; storing writes it anew.
        Text3->setPlainText(memo.text);
    } else {
        m_index = 0;
        Text1->setText(today());
        Combo1->setEditText(QString());
        Text2->clear();
        Text3->clear();
    }
    Combo1->setFocus();
    return true;
}

void F_kinyu::placeOverOwner()
{
    // Over the main window: its place and width, 500 twips lower, so that
    // its hint line stays in sight; never below the smallest size.
    QWidget *owner = parentWidget();
    double width = KinyuLayout::kDesignWidth;
    double height = KinyuLayout::kDesignHeight;
    if (owner) {
        const QRect main = WindowFrame::outerRect(owner);
        width = Twips::fromPxX(main.width(), this);
        height = Twips::fromPxY(main.height(), this) - KinyuLayout::kBelowMain;
        move(main.topLeft());
    }
    WindowFrame::setOuterSize(this, std::max(width, KinyuLayout::kMinWidth),
                              std::max(height, KinyuLayout::kMinHeight));
}

void F_kinyu::resizeEvent(QResizeEvent *event)
{
    QDialog::resizeEvent(event);
    Form_Resize();
}

void F_kinyu::Form_Resize()
{
    // Reckoned from the client area plus the frame the window was designed
    // with, so that a thicker or thinner title bar never moves the buttons out.
    const double W = Twips::fromPxX(width(), this) + KinyuLayout::kOuterExtraWidth;
    const double H = Twips::fromPxY(height(), this) + KinyuLayout::kOuterExtraHeight;
    applyLayout(KinyuLayout::forSize(W, H));
}

void F_kinyu::applyLayout(const KinyuLayout::Layout &l)
{
    using Twips::put;
    put(Label1, l.Label1);
    put(Combo1, l.Combo1);
    put(Label2, l.Label2);
    put(Text1, l.Text1);
    put(Command3, l.Command3);
    put(Check3, l.Check3);
    put(Shape1, l.Shape1);
    put(Label4, l.Label4);
    put(Label6, l.Label6);
    put(Text2, l.Text2);
    put(Label3, l.Label3);
    put(Text3, l.Text3);
    put(Command2, l.Command2);
    put(Command1, l.Command1);
    put(LabelOnsu, l.LabelOnsu);
    QFont preview = Label4->font();
    if (preview.pointSizeF() != l.previewPoints) {
        preview.setPointSizeF(l.previewPoints);
        Label4->setFont(preview);
    }
}

void F_kinyu::Command3_Click()
{
    Text1->setText(today());
    Text2->setFocus();
}

void F_kinyu::Command2_Click()
{
    reject();
}

bool F_kinyu::valuesStorable()
{
    struct Box
    {
        QWidget *box;
        QString name;
        QString value;
        bool multiLine;
    };
    const Box boxes[] = {{Combo1, QStringLiteral("分類"), Combo1->currentText(), false},
                         {Text1, QStringLiteral("年/月/日"), Text1->text(), false},
                         {Text2, QStringLiteral("句"), Text2->text(), false},
                         {Text3, QStringLiteral("メモ"), Text3->toPlainText(), true}};
    for (const Box &b : boxes) {
        const QString reason = Notebook::unstorableReason(b.name, b.value, b.multiLine);
        if (!reason.isEmpty()) {
            MessageBoxes::notify(this, reason);
            b.box->setFocus();
            return false;
        }
    }
    return true;
}

void F_kinyu::Command1_Click()
{
    // No second store while this one is asking something.
    Command1->setEnabled(false);
    struct Enable
    {
        QPushButton *button;
        ~Enable() { button->setEnabled(true); }
    } enable{Command1};

    // At the limit even a correction is refused.
    if (nb.atHaikuLimit()) {
        MessageBoxes::notify(this, Notebook::haikuLimitMessage, Notebook::haikuLimitTitle);
        return;
    }
    if (Text2->text().isEmpty()) {
        MessageBoxes::notify(this, QStringLiteral("句を入力して下さい。"));
        return;
    }
    // Nothing changes before every value is known to fit the files.
    if (!valuesStorable())
        return;

    const Notebook::HaikuInput in{Text1->text(), Combo1->currentText(), Text2->text(), Check3->isChecked()};
    const Notebook::Clock clock = [] { return QDateTime::currentDateTime(); };
    const bool isNew = m_index == 0;
    const Notebook::StoreResult result = isNew ? nb.enterHaiku(in, Text3->toPlainText(), clock)
                                               : nb.correctHaiku(m_index, in, Text3->toPlainText(), clock);
    if (result.problem) {
        MessageBoxes::notify(this,
                             result.problem->message + QStringLiteral("\n\n") +
                                 (isNew ? QStringLiteral("句は登録していません。")
                                        : QStringLiteral("句は訂正していません。")) +
                                 QStringLiteral("入力した内容は、この画面にそのまま残っています。"),
                             MessageBoxes::programTitle, MessageBoxes::Icon::Warning);
        return;
    }
    // The haiku is in the notebook: from here on this window corrects it,
    // so that a second 登録 never stores it twice.
    m_index = result.index;
    m_stored = Stored{result.index, nb.record(result.index)};

    bool categoryFull = false;
    QList<StoreProblem> notWritten;
    for (const StoreProblem &w : result.warnings) {
        if (w.kind == StoreProblem::Kind::CategoryLimit)
            categoryFull = true;
        else
            notWritten.append(w);
    }
    if (categoryFull)
        MessageBoxes::notify(this, Notebook::categoryLimitMessage, Notebook::categoryLimitTitle);
    // Kept in memory when a file cannot be written; it goes with the next save.
    if (!notWritten.isEmpty())
        MessageBoxes::notify(this, Notebook::describe(notWritten), MessageBoxes::programTitle,
                             MessageBoxes::Icon::Warning);
    if (categoryFull)
        return; // the window stays open, the haiku stored with its memo
    accept();
}

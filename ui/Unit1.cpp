#include "Unit1.h"

#include <QAbstractItemView>
#include <QAction>
#include <QApplication>
#include <QCloseEvent>
#include <QComboBox>
#include <QDir>
#include <QFrame>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QMessageBox>
#include <QMouseEvent>
#include <QPainter>
#include <QProgressBar>
#include <QScreen>
#include <QSettings>
#include <QStandardItemModel>
#include <QStatusBar>
#include <QStyle>
#include <QStyleOptionComboBox>
#include <QStylePainter>
#include <QStyledItemDelegate>
#include <QTimer>
#include <QToolBar>
#include <QToolButton>
#include <QVBoxLayout>
#include <QWindow>
#include <algorithm>
#include <vector>

#include "Application.h"
#include "Helpform.h"
#include "ResultView.h"
#include "hashhead.h"

TForm1* Form1 = nullptr;

// A status bar panel that the window draws itself.
class TOwnerDrawnPanel : public QFrame {
public:
    explicit TOwnerDrawnPanel(std::function<void(QPainter&, const QRect&, const QString&)> Draw)
        : FDraw(std::move(Draw)) {}
    QString text() const { return FText; }
    void setText(const QString& Text) {
        if (Text == FText) return;
        FText = Text;
        update();
    }

protected:
    void paintEvent(QPaintEvent* Event) override {
        QFrame::paintEvent(Event);
        QPainter Canvas(this);
        FDraw(Canvas, contentsRect(), FText);
    }

private:
    std::function<void(QPainter&, const QRect&, const QString&)> FDraw;
    QString FText;
};

// The status bar's last panel, the latest message: as much of it as fits, its middle giving way,
// and the whole text in the tool tip.
class TStatusMessage : public QLabel {
public:
    explicit TStatusMessage(QWidget* Parent) : QLabel(Parent) {
        // File names and digests reach the status bar; a name holding markup shows as text.
        setTextFormat(Qt::PlainText);
    }
    void Show(const QString& Text) {
        if (Text == text()) return;
        setText(Text);
        setToolTip(Text);
    }
    QSize minimumSizeHint() const override { return {0, QLabel::minimumSizeHint().height()}; }

protected:
    void paintEvent(QPaintEvent*) override {
        QPainter Canvas(this);
        const QRect Room = contentsRect();
        style()->drawItemText(&Canvas, Room, int(alignment()), palette(), isEnabled(),
                              fontMetrics().elidedText(text(), Qt::ElideMiddle, Room.width()),
                              foregroundRole());
    }
};

// The algorithm selector: its list has a check box before each algorithm, so that several can
// be chosen. Clicking a check box (or an item with Ctrl held, or Space on it) toggles that
// algorithm and keeps the list open; clicking an item elsewhere chooses it alone. The closed
// selector shows every chosen algorithm.
class TAlgorithmSelector : public QComboBox {
public:
    explicit TAlgorithmSelector(QWidget* Parent) : QComboBox(Parent) {
        // An item view's own delegate draws the check boxes; the menu-like one of a combo box
        // leaves them out under some styles (Fusion).
        setItemDelegate(new QStyledItemDelegate(this));
        view()->viewport()->installEventFilter(this);
        view()->installEventFilter(this);
    }
    std::function<void(int Index)> Toggled;
    std::function<QString()> Shown;

protected:
    void paintEvent(QPaintEvent*) override {
        QStylePainter Painter(this);
        QStyleOptionComboBox Option;
        initStyleOption(&Option);
        if (Shown) Option.currentText = Shown();
        Painter.drawComplexControl(QStyle::CC_ComboBox, Option);
        Painter.drawControl(QStyle::CE_ComboBoxLabel, Option);
    }
    bool eventFilter(QObject* Watched, QEvent* Event) override {
        int Row = -1;
        if (Watched == view()->viewport() && Event->type() == QEvent::MouseButtonRelease) {
            const auto* Mouse = static_cast<QMouseEvent*>(Event);
            const QModelIndex At = view()->indexAt(Mouse->position().toPoint());
            const int Box = style()->pixelMetric(QStyle::PM_IndicatorWidth) + 8;
            if (At.isValid() &&
                (Mouse->position().x() < Box || Mouse->modifiers().testFlag(Qt::ControlModifier)))
                Row = At.row();
        } else if (Watched == view() && Event->type() == QEvent::KeyPress &&
                   static_cast<QKeyEvent*>(Event)->key() == Qt::Key_Space) {
            Row = view()->currentIndex().row();
        }
        if (Row < 0 || !itemData(Row).isValid()) return QComboBox::eventFilter(Watched, Event);
        if (Toggled) Toggled(Row);
        view()->viewport()->update();
        return true;
    }
};

// StatusBar1's four panels in a row. When the message in the last panel needs their room, the
// fixed panels give way, the credit first, then the drop hint.
class TStatusPanels : public QWidget {
public:
    TStatusPanels(QWidget* Credit, QWidget* Hint, QWidget* Percent, TStatusMessage* Message)
        : FCredit(Credit), FHint(Hint), FPercent(Percent), FMessage(Message) {
        auto* Row = new QHBoxLayout(this);
        Row->setContentsMargins(0, 0, 0, 0);
        // The row may be narrower than all its panels: Fit then hides some.
        Row->setSizeConstraint(QLayout::SetNoConstraint);
        for (QWidget* Panel : {Credit, Hint, Percent})
            Row->addWidget(Panel);
        Row->addWidget(Message, 1);
    }
    QSize minimumSizeHint() const override {
        return {FPercent->width(), FMessage->minimumSizeHint().height()};
    }
    void Fit() {
        const int Spacing = layout()->spacing();
        const int Need = FMessage->sizeHint().width();
        const int Room = width() - FPercent->width() - Spacing;
        const int WithHint = Room - FHint->maximumWidth() - Spacing;
        const int WithBoth = WithHint - FCredit->maximumWidth() - Spacing;
        FHint->setVisible(WithHint >= Need);
        FCredit->setVisible(WithBoth >= Need);
    }

protected:
    void resizeEvent(QResizeEvent* Event) override {
        QWidget::resizeEvent(Event);
        Fit();
    }

private:
    QWidget *FCredit, *FHint, *FPercent;
    TStatusMessage* FMessage;
};

namespace {

const char CreditText[] = QT_TRANSLATE_NOOP("TForm1", "Quernix 文件校验工具");
const char DropHint[] = QT_TRANSLATE_NOOP("TForm1", "拖拽文件到这个窗口");

// The picture beside every algorithm name.
QIcon ImageList2() {
    return QIcon(QStringLiteral(":/icons/algorithm.svg"));
}

}  // namespace

TForm1::TForm1(QWidget* Parent) : QMainWindow(Parent) {
    Q_INIT_RESOURCE(quernix);
    Form1 = this;
    CreateComponents();
    CreateMenus();
    FSinceDisplay.start();
    FormCreate();
}

TForm1::~TForm1() {
    FormDestroy();
    if (Form1 == this) Form1 = nullptr;
}

QString TForm1::Caption() {
    return tr("Quernix 2011  ver1005 [32位版本]");
}

QString TForm1::AboutText() {
    return QStringList{Caption(), QString(), tr("本工具是免费工具，有任何建议或问题请联系："),
                       HomePage()}
        .join(u'\n');
}

QString TForm1::HomePage() {
    // The program is installed as bin/quernix beside share/doc/quernix; a build tree is laid
    // out the same way.
    return QDir::cleanPath(QCoreApplication::applicationDirPath() +
                           QStringLiteral("/../share/doc/quernix/index.html"));
}

std::function<void()> TForm1::Handler(void (TForm1::*Method)()) {
    return [this, Method] { Guarded([this, Method] { (this->*Method)(); }); };
}

void TForm1::CreateComponents() {
    // The layout's caption; FormShow replaces it before the window is first seen.
    setWindowTitle(tr("Quernix 2011  Ver1005 [32位版本]"));
    setWindowIcon(QIcon(QStringLiteral(":/icons/quernix.svg")));
    QFont Font = font();
    Font.setFamilies({QStringLiteral("宋体"), QStringLiteral("SimSun")});
    Font.setPixelSize(12);
    setFont(Font);

    auto* Client = new QWidget(this);
    auto* ClientLayout = new QVBoxLayout(Client);
    ClientLayout->setContentsMargins(0, 0, 0, 0);
    ClientLayout->setSpacing(0);
    setCentralWidget(Client);

    // Top: the selector and the tool bar side by side.
    CoolBar1 = new QWidget(Client);
    CoolBar1->setFixedHeight(34);
    auto* CoolLayout = new QHBoxLayout(CoolBar1);
    CoolLayout->setContentsMargins(2, 2, 2, 2);
    CoolLayout->setSpacing(13);
    auto* Selector = new TAlgorithmSelector(CoolBar1);
    Selector->Toggled = [this](int Index) { Guarded([&] { ToggleAlgorithm(Index); }); };
    Selector->Shown = [this] {
        QStringList Names;
        for (int32_t Id : ChosenAlgorithms())
            if (const TAlgorithmInfo* Info = AlgorithmById(Id))
                Names << QString::fromLatin1(Info->Name);
        return Names.join(QLatin1String(" + "));
    };
    ComboBoxEx1 = Selector;
    ComboBoxEx1->setEditable(false);
    ComboBoxEx1->setMinimumHeight(22);
    ComboBoxEx1->setIconSize(QSize(16, 16));
    ComboBoxEx1->setMaxVisibleItems(20);
    // The selector takes the room that the tool bar leaves; the tool bar's buttons and spacing
    // are the style's.
    ComboBoxEx1->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
    CoolLayout->addWidget(ComboBoxEx1, 1, Qt::AlignVCenter);
    ToolBar1 = new QToolBar(CoolBar1);
    ToolBar1->setMinimumHeight(30);
    ToolBar1->setIconSize(QSize(24, 24));
    ToolBar1->setToolButtonStyle(Qt::ToolButtonIconOnly);
    ToolBar1->setMovable(false);
    ToolBar1->setFloatable(false);
    CoolLayout->addWidget(ToolBar1, 0, Qt::AlignVCenter);
    // The window can be made narrower than laid out until the tool bar would have to hide
    // buttons; CreateMenus sets its minimum once the buttons are in.
    ClientLayout->addWidget(CoolBar1);

    // Middle: the result view.
    web1 = new TResultView(Client);
    ClientLayout->addWidget(web1, 1);

    // Bottom: the two bars, the current file's above the whole batch's.
    Panel1 = new QWidget(Client);
    Panel1->setFixedHeight(19);
    auto* PanelLayout = new QVBoxLayout(Panel1);
    PanelLayout->setContentsMargins(0, 1, 0, 0);
    PanelLayout->setSpacing(0);
    PanelLayout->addStretch(1);
    ProgressBar2 = new QProgressBar(Panel1);
    ProgressBar1 = new QProgressBar(Panel1);
    for (QProgressBar* Bar : {ProgressBar2, ProgressBar1}) {
        Bar->setFixedHeight(9);
        Bar->setTextVisible(false);
        Bar->setRange(0, 100);
        Bar->setValue(0);
        PanelLayout->addWidget(Bar);
    }
    ClientLayout->addWidget(Panel1);

    QStatusBar* StatusBar1 = statusBar();
    StatusBar1->setFixedHeight(19);
    StatusPanel0 = new QLabel(tr(CreditText));
    StatusPanel0->setFixedWidth(170);
    StatusPanel1 = new QLabel(tr(DropHint));
    StatusPanel1->setFixedWidth(140);
    StatusPanel1->setAlignment(Qt::AlignCenter);
    StatusPanel2 =
        new TOwnerDrawnPanel([this](QPainter& Canvas, const QRect& Rect, const QString& Text) {
            StatusBar1DrawPanel(Canvas, Rect, Text);
        });
    StatusPanel2->setFixedWidth(35);
    auto* Message = new TStatusMessage(nullptr);
    StatusPanel3 = Message;
    FStatusPanels = new TStatusPanels(StatusPanel0, StatusPanel1, StatusPanel2, Message);
    StatusBar1->addWidget(FStatusPanels, 1);

    Timer1 = new QTimer(this);
    Timer1->setSingleShot(true);
    Timer1->setInterval(10);

    // The window's layout: a client area of 686 x 389 below the menu bar.
    resize(686, 389 + menuBar()->sizeHint().height());
}

void TForm1::LayOut(QWidget* In, std::initializer_list<TGroupLayout> Groups) {
    TLayout& Layout = FLayouts[In];
    for (const TGroupLayout& Each : Groups) {
        Layout.Order.append(Each.Group);
        if (!Each.Separator) continue;
        auto* Separator = new QAction(In);
        Separator->setSeparator(true);
        In->addAction(Separator);
        Layout.Groups.insert(Separator, Each.Group);
        *Each.Separator = Separator;
    }
}

QList<QAction*> TForm1::AddCommand(const TCommand& Command) {
    QList<QAction*> Made;
    QAction* Shared = nullptr;
    bool ShortcutHeld = false;
    for (const TCommandPlace& Place : Command.Places) {
        const bool Own = !Place.Text.isEmpty();
        const bool OnToolBar = Place.In == ToolBar1;
        QAction* Action = Own ? nullptr : Shared;
        if (!Action) {
            Action = new QAction(Own ? Place.Text : Command.Text, this);
            const QString& Tip = Own ? Place.ToolTip : Command.ToolTip;
            if (!Tip.isEmpty()) Action->setToolTip(Tip);
            if (!Command.Icon.isEmpty())
                Action->setIcon(QIcon(QStringLiteral(":/icons/%1.svg").arg(Command.Icon)));
            // The menu bar's own items show no picture, as laid out.
            if (Own && !OnToolBar && Place.In != PopupMenu1) Action->setIconVisibleInMenu(false);
            if (!Command.Shortcut.isEmpty() && !OnToolBar) {
                Action->setShortcut(Command.Shortcut);
                Action->setShortcutVisibleInContextMenu(true);
                if (!ShortcutHeld) {
                    Action->setShortcutContext(Qt::WindowShortcut);
                    addAction(Action);
                    ShortcutHeld = true;
                } else {
                    // Shown beside the caption; the key itself reaches the first place's item,
                    // so that it never has two commands to choose from.
                    Action->setShortcutContext(Qt::WidgetShortcut);
                }
            }
            Q_ASSERT(Place.Handler || Command.Handler);
            connect(Action, &QAction::triggered, this,
                    Handler(Place.Handler ? Place.Handler : Command.Handler));
            if (!Own) Shared = Action;
        }
        // At the end of its group: before the first item of a later group.
        TLayout& Layout = FLayouts[Place.In];
        const qsizetype Rank = Layout.Order.indexOf(Place.Group);
        Q_ASSERT(Rank >= 0);
        QAction* Before = nullptr;
        for (QAction* Item : Place.In->actions())
            if (Layout.Order.indexOf(Layout.Groups.value(Item)) > Rank) {
                Before = Item;
                break;
            }
        Place.In->insertAction(Before, Action);
        Layout.Groups.insert(Action, Place.Group);
        if (OnToolBar)
            if (QToolButton* Button = ButtonOf(Action)) Button->setFocusPolicy(Qt::NoFocus);
        Made.append(Action);
    }
    return Made;
}

QToolButton* TForm1::ButtonOf(QAction* Action) const {
    return qobject_cast<QToolButton*>(ToolBar1->widgetForAction(Action));
}

void TForm1::CreateMenus() {
    QMenu* FileMenu = menuBar()->addMenu(tr("文件(&F)"));
    QMenu* TextMenu = menuBar()->addMenu(tr("文本(&E)"));
    QMenu* AboutMenu = menuBar()->addMenu(tr("关于(&A)"));
    // The context menu of the page. Its shortcuts work wherever the focus is in the window.
    PopupMenu1 = new QMenu(this);

    using G = TCommandGroup;
    LayOut(FileMenu, {{G::Files}, {G::Stop}, {G::Mode}, {G::Program, &N2}});
    LayOut(TextMenu, {{G::Text}});
    LayOut(AboutMenu, {{G::Program}});
    LayOut(PopupMenu1, {{G::Text}, {G::Files, &N5}, {G::Mode}, {G::Stop, &N6}});
    LayOut(ToolBar1, {{G::Files}, {G::Stop}, {G::Mode, &ToolButton6}});
    auto CtrlAlt = [](Qt::Key Key) { return QKeySequence(Qt::CTRL | Qt::ALT | Key); };

    // The result page.
    QList<QAction*> Made =
        AddCommand({.Icon = "copy",
                    .Shortcut = CtrlAlt(Qt::Key_C),
                    .Places = {{PopupMenu1, G::Text, tr("复制文本(&C)"), &TForm1::C2Click},
                               {TextMenu, G::Text, tr("复制(&C)"), &TForm1::C1Click}}});
    C2 = Made[0];
    C1 = Made[1];
    ActionCopyLines = AddCommand({.Text = tr("复制为校验行(&L)"),
                                  .Icon = "copy",
                                  .Shortcut = QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_C),
                                  .Handler = &TForm1::CopyResultLines,
                                  .Places = {{TextMenu, G::Text}, {PopupMenu1, G::Text}}})[0];
    ActionCompare = AddCommand({.Text = tr("与已知校验值比较(&K)..."),
                                .Icon = "compare",
                                .Shortcut = CtrlAlt(Qt::Key_K),
                                .Handler = &TForm1::CompareWithDigest,
                                .Places = {{TextMenu, G::Text}, {PopupMenu1, G::Text}}})[0];
    Made = AddCommand({.Icon = "clear",
                       .Shortcut = CtrlAlt(Qt::Key_O),
                       .Places = {{PopupMenu1, G::Text, tr("清除所有(&O)"), &TForm1::O1Click},
                                  {TextMenu, G::Text, tr("清除(&O)"), &TForm1::O2Click}}});
    O1 = Made[0];
    O2 = Made[1];

    // Files in, checksum files out.
    Made = AddCommand(
        {.Icon = "open",
         .Shortcut = CtrlAlt(Qt::Key_F),
         .Places = {{PopupMenu1, G::Files, tr("打开文件(&F)"), &TForm1::F2Click},
                    {FileMenu, G::Files, tr("打开文件(&O)..."), &TForm1::N1Click},
                    {ToolBar1, G::Files, tr("打开"), &TForm1::ToolButton2Click, tr("打开文件")}}});
    F2 = Made[0];
    N1 = Made[1];
    ToolButton2 = ButtonOf(Made[2]);
    Made = AddCommand({.Icon = "folder",
                       .Shortcut = CtrlAlt(Qt::Key_D),
                       .Places = {{PopupMenu1, G::Files, tr("打开文件夹(&D)"), &TForm1::D1Click},
                                  {FileMenu, G::Files, tr("打开文件夹(&D)..."), &TForm1::D2Click},
                                  {ToolBar1, G::Files, tr("打开文件夹"), &TForm1::ToolButton4Click,
                                   tr("打开文件夹")}}});
    D1 = Made[0];
    D2 = Made[1];
    ToolButton4 = ButtonOf(Made[2]);
    Made = AddCommand(
        {.Text = tr("验证校验文件(&V)..."),
         .ToolTip = tr("验证校验文件"),
         .Icon = "verify",
         .Shortcut = CtrlAlt(Qt::Key_V),
         .Handler = &TForm1::OpenChecksumFile,
         .Places = {{FileMenu, G::Files}, {PopupMenu1, G::Files}, {ToolBar1, G::Files}}});
    ActionVerify = Made[0];
    ToolButton5 = ButtonOf(Made[2]);
    ActionSave = AddCommand({.Text = tr("保存结果为校验文件(&A)..."),
                             .Icon = "save",
                             .Shortcut = QKeySequence(Qt::CTRL | Qt::Key_S),
                             .Handler = &TForm1::SaveResults,
                             .Places = {{FileMenu, G::Files}, {PopupMenu1, G::Files}}})[0];

    // Stop and always on top.
    Made = AddCommand(
        {.Text = tr("终止操作(&Z)"),
         .Icon = "stop",
         .Shortcut = CtrlAlt(Qt::Key_Z),
         .Handler = &TForm1::N7Click,
         .Places = {{PopupMenu1, G::Stop},
                    {FileMenu, G::Stop},
                    {ToolBar1, G::Stop, tr("终止"), &TForm1::ToolButton3Click, tr("终止")}}});
    N7 = Made[0];
    ToolButton3 = ButtonOf(Made[2]);
    Made = AddCommand({.Icon = "ontop",
                       .Shortcut = CtrlAlt(Qt::Key_S),
                       .Places = {{PopupMenu1, G::Mode, tr("始终在前面(&S)"), &TForm1::N8Click},
                                  {FileMenu, G::Mode, tr("始终在前面(&S)"), &TForm1::N4Click},
                                  {ToolBar1, G::Mode, tr("始终在前面"), &TForm1::ToolButton1Click,
                                   tr("始终在前面")}}});
    N8 = Made[0];
    N4 = Made[1];
    // The button's down state is the mode; the menu items carry no check mark.
    Made[2]->setCheckable(true);
    ToolButton1 = ButtonOf(Made[2]);

    // The program.
    N3 = AddCommand({.Places = {{FileMenu, G::Program, tr("退出(&Q)"), &TForm1::N3Click}}})[0];
    W1 = AddCommand(
        {.Places = {{AboutMenu, G::Program, tr("关于本工具(&W)"), &TForm1::W1Click}}})[0];
    N9 = AddCommand(
        {.Places = {{AboutMenu, G::Program, tr("访问主页") + HomePage(), &TForm1::N9Click}}})[0];
    // Every button stays in view, however narrow the window is made.
    ToolBar1->setMinimumWidth(ToolBar1->sizeHint().width());

    connect(ComboBoxEx1, &QComboBox::currentIndexChanged, this,
            Handler(&TForm1::ComboBoxEx1Change));
    connect(ComboBoxEx1, &QComboBox::activated, this, [this](int Index) {
        Guarded([this, Index] {
            // Picked by its name: that algorithm alone.
            if (ComboBoxEx1->itemData(Index).isValid())
                ChooseAlgorithms({ComboBoxEx1->itemData(Index).toInt()});
            ComboBoxEx1Select();
            ComboBoxEx1Click();
        });
    });
    connect(web1, &TResultView::ContextMenuRequested, this,
            [this](const QPoint& Pos) { Guarded([&] { web1ShowContextMenu(Pos); }); });
    connect(Timer1, &QTimer::timeout, this, Handler(&TForm1::Timer1Timer));
    // The page runs the result calls while the batch goes on. A failed call ends a running
    // batch, which then raises the error; outside a batch the error is raised here.
    connect(
        web1, &TResultView::ScriptFailed, this,
        [this] {
            if (FBatchRunning)
                StopRequested = 1;
            else
                Guarded([this] { web1->RaiseScriptError(); });
        },
        Qt::QueuedConnection);
}

void TForm1::FormCreate() {
    // The program shows a single taskbar button, the main window's: a Qt main window is an
    // unowned top-level window, and there is no separate application window to hide.
    RegisterDropTarget();
    FillAlgorithmList();
    RestoreAlgorithms();
    FileList = std::make_unique<TFileList>();
    web1->OpenBlankPage();
    web1->LoadHtml(QString::fromUtf8(PageTemplate));
    web1->setFocus();
    const QString BarStyle = QStringLiteral(
        "QProgressBar { background: #FFFFFF; border: none; }"
        "QProgressBar::chunk { background: #666666; }");
    ProgressBar1->setStyleSheet(BarStyle);
    ProgressBar2->setStyleSheet(BarStyle);
}

void TForm1::FormShow() {
    setWindowTitle(Caption());
}

void TForm1::FormClose() {
    StopRequested = 1;
}

void TForm1::FormDestroy() {
    RevokeDropTarget();
    FileList.reset();
}

void TForm1::showEvent(QShowEvent* Event) {
    QMainWindow::showEvent(Event);
    if (FShown) return;
    FShown = true;
    if (QScreen* Screen = screen()) {
        QRect Frame = frameGeometry();
        Frame.moveCenter(Screen->availableGeometry().center());
        move(Frame.topLeft());
    }
    FormShow();
}

void TForm1::closeEvent(QCloseEvent* Event) {
    FormClose();
    // A running batch sees the stop at its next chunk or file; the window closes once it has
    // returned, so nothing is taken away under it.
    if (FBatchRunning) {
        FClosePending = true;
        Event->ignore();
        return;
    }
    Event->accept();
}

void TForm1::FillAlgorithmList() {
    FillAlgorithmList(AlgorithmTable);
}

QString TForm1::GroupTitle(TAlgorithmGroup Group) {
    switch (Group) {
        case TAlgorithmGroup::Classic:
            return tr("经典算法");
        case TAlgorithmGroup::Modern:
            return tr("现代算法");
        case TAlgorithmGroup::Checksums:
            return tr("校验和");
    }
    return QString();
}

// The algorithms group by group, in the table's order within each; each item holds its
// algorithm's id. Each group starts with its title, an item that can't be chosen, but only once
// a group beside the classic one has rows: the classic algorithms alone are a plain list.
void TForm1::FillAlgorithmList(std::span<const TAlgorithmInfo> Algorithms) {
    ComboBoxEx1->clear();
    std::vector<const TAlgorithmInfo*> Rows;
    for (const TAlgorithmInfo& Algorithm : Algorithms)
        Rows.push_back(&Algorithm);
    std::stable_sort(Rows.begin(), Rows.end(),
                     [](const auto* A, const auto* B) { return A->Group < B->Group; });
    const bool Titled = std::any_of(Rows.begin(), Rows.end(), [](const auto* A) {
        return A->Group != TAlgorithmGroup::Classic;
    });
    auto* Model = qobject_cast<QStandardItemModel*>(ComboBoxEx1->model());
    for (size_t I = 0; I < Rows.size(); ++I) {
        if (Titled && (I == 0 || Rows[I - 1]->Group != Rows[I]->Group)) {
            ComboBoxEx1->addItem(GroupTitle(Rows[I]->Group));
            Model->item(ComboBoxEx1->count() - 1)->setFlags(Qt::NoItemFlags);
        }
        ComboBoxEx1->addItem(ImageList2(), QString::fromLatin1(Rows[I]->Name), Rows[I]->Id);
        ComboBoxEx1->setItemData(ComboBoxEx1->count() - 1, Qt::Unchecked, Qt::CheckStateRole);
    }
    const int Md5 = ComboBoxEx1->findData(AlgorithmIdFromName("md5"));
    ComboBoxEx1->setCurrentIndex(Md5);
    if (Md5 >= 0) ComboBoxEx1->setItemData(Md5, Qt::Checked, Qt::CheckStateRole);
}

namespace {

bool Checked(const QComboBox* Selector, int Index) {
    return Selector->itemData(Index, Qt::CheckStateRole).toInt() == Qt::Checked;
}

QSettings Settings() {
    return QSettings(QStringLiteral("quernix"), QStringLiteral("quernix"));
}

}  // namespace

// The current item leads. When it is not checked (put there by a verify run, say), it is the
// choice alone, so nothing chosen earlier is hashed beside an algorithm shown for a moment.
std::vector<int32_t> TForm1::ChosenAlgorithms() const {
    const int Current = ComboBoxEx1->currentIndex();
    if (Current < 0 || !ComboBoxEx1->itemData(Current).isValid()) return {};
    std::vector<int32_t> Chosen{ComboBoxEx1->itemData(Current).toInt()};
    if (!Checked(ComboBoxEx1, Current)) return Chosen;
    for (int I = 0; I < ComboBoxEx1->count(); ++I)
        if (I != Current && ComboBoxEx1->itemData(I).isValid() && Checked(ComboBoxEx1, I))
            Chosen.push_back(ComboBoxEx1->itemData(I).toInt());
    return Chosen;
}

void TForm1::ChooseAlgorithms(const std::vector<int32_t>& Algorithms) {
    std::vector<int> Rows;
    for (int32_t Id : Algorithms)
        if (const int Row = ComboBoxEx1->findData(Id); Row >= 0) Rows.push_back(Row);
    if (Rows.empty()) return;
    for (int I = 0; I < ComboBoxEx1->count(); ++I)
        if (ComboBoxEx1->itemData(I).isValid())
            ComboBoxEx1->setItemData(
                I,
                std::find(Rows.begin(), Rows.end(), I) != Rows.end() ? Qt::Checked : Qt::Unchecked,
                Qt::CheckStateRole);
    ComboBoxEx1->setCurrentIndex(Rows.front());
    ComboBoxEx1->update();
    QStringList Names;
    for (int32_t Id : ChosenAlgorithms())
        if (const TAlgorithmInfo* Info = AlgorithmById(Id))
            Names << QString::fromLatin1(Info->Name);
    Settings().setValue(QStringLiteral("Algorithms"), Names);
}

void TForm1::ToggleAlgorithm(int Index) {
    if (!ComboBoxEx1->itemData(Index).isValid()) return;
    std::vector<int32_t> Chosen = ChosenAlgorithms();
    const int32_t Id = ComboBoxEx1->itemData(Index).toInt();
    const auto Found = std::find(Chosen.begin(), Chosen.end(), Id);
    if (Found == Chosen.end())
        Chosen.push_back(Id);
    else if (Chosen.size() > 1)
        Chosen.erase(Found);
    ChooseAlgorithms(Chosen);
}

void TForm1::RestoreAlgorithms() {
    std::vector<int32_t> Chosen;
    for (const QString& Name : Settings().value(QStringLiteral("Algorithms")).toStringList())
        if (const int32_t Id = AlgorithmIdFromName(Name.toStdString()); Id >= 0)
            Chosen.push_back(Id);
    if (!Chosen.empty()) ChooseAlgorithms(Chosen);
}

void TForm1::ComboBoxEx1Change() {
    if (ComboBoxEx1->count() > 0 && ComboBoxEx1->currentIndex() < 0) {
        // The first algorithm, past a group's title.
        int First = 0;
        while (First + 1 < ComboBoxEx1->count() && !ComboBoxEx1->itemData(First).isValid())
            ++First;
        ComboBoxEx1->setCurrentIndex(First);
    }
}

void TForm1::ComboBoxEx1Select() {
    ComboBoxEx1Change();
}

// Takes the keyboard focus off the selector, so that the mouse wheel does not change the
// algorithm by accident.
void TForm1::ComboBoxEx1Click() {
    web1->setFocus();
}

void TForm1::SetStatusText(const QString& Text) {
    static_cast<TStatusMessage*>(StatusPanel3)->Show(Text);
    FStatusPanels->Fit();
}

void TForm1::StatusBar1DrawPanel(QPainter& Canvas, const QRect& Rect, const QString& Text) {
    Canvas.setPen(QColor(0, 0, 255));
    Canvas.drawText(Rect, Qt::AlignCenter | Qt::TextSingleLine, Text);
}

bool TForm1::StayOnTopChosen() const {
    return ToolButton1->isChecked();
}

void TForm1::SetStayOnTop(bool OnTop) {
    // Tells the window system without recreating the window, which would take the result
    // view's page down with it.
    Qt::WindowFlags Flags = windowFlags();
    Flags.setFlag(Qt::WindowStaysOnTopHint, OnTop);
    overrideWindowFlags(Flags);
    if (QWindow* Handle = windowHandle()) Handle->setFlags(Flags);
    show();
}

void TForm1::ToolButton1Click() {
    SetStayOnTop(ToolButton1->isChecked());
}

void TForm1::N4Click() {
    ToolButton1->setChecked(!ToolButton1->isChecked());
    ToolButton1Click();
}

void TForm1::C1Click() {
    web1->CopySelection();
}

void TForm1::O2Click() {
    web1->LoadHtml(QString::fromUtf8(PageTemplate));
    FResults.clear();
}

void TForm1::W1Click() {
    AskUser(this, TMessageQuestion{QMessageBox::Information, tr("关于本工具"), AboutText()});
}

void TForm1::N9Click() {
    // One help window: asked for again, it comes to the front.
    auto* Help = findChild<THelpform*>(QString(), Qt::FindDirectChildrenOnly);
    if (!Help) Help = new THelpform(HomePage(), this);
    Help->show();
    Help->raise();
    Help->activateWindow();
}

void TForm1::web1ShowContextMenu(const QPoint& GlobalPos) {
    PopupMenu1->popup(GlobalPos);
}

void TForm1::ReplaceFileList(const QList<QByteArray>& Paths) {
    FileList->Clear();
    UnreadFolders.clear();
    for (const QByteArray& Path : Paths)
        FileList->Add(Path);
    FileList->Sort();
}

void TForm1::HashFileList() {
    QList<QByteArray> Files = FileList->Snapshot();
    if (FBatchRunning && Files.isEmpty() && UnreadFolders.isEmpty()) return;
    FQueue.push_back({std::move(Files), UnreadFolders, nullptr});
    ++FQueuedFileWork;
    RunQueue();
}

bool TForm1::TakeArrivals(QList<QByteArray>& Files, QList<TUnreadFolder>& Unread) {
    if (!FJoinable || FQueuedFileWork == 0) return false;
    for (auto Work = FQueue.begin(); Work != FQueue.end();) {
        if (Work->Verify) {
            ++Work;
            continue;
        }
        FJoined += int(Work->Files.size());
        Files.append(Work->Files);
        Unread.append(Work->Unread);
        Work = FQueue.erase(Work);
        --FQueuedFileWork;
    }
    return true;
}

void TForm1::RunQueue() {
    if (FBatchRunning) return;
    struct TRunning {
        TForm1& Form;
        explicit TRunning(TForm1& F) : Form(F) { Form.FBatchRunning = true; }
        ~TRunning() {
            Form.FBatchRunning = false;
            Form.FJoinable = false;
            Form.ShowProgress();
            if (Form.FClosePending) {
                Form.FQueue.clear();
                Form.FQueuedFileWork = 0;
                QTimer::singleShot(0, &Form, &QWidget::close);
            }
        }
    } Running(*this);
    while (!FQueue.empty() && !FClosePending) {
        TQueuedWork Work = std::move(FQueue.front());
        FQueue.pop_front();
        // The run's first pump looks at the queue at once, however recently it was looked at: a
        // Stop or a close given before the first file ends the run there.
        FSincePump.invalidate();
        // A stop given between batches belongs to none of them.
        StopRequested = 0;
        if (Work.Verify) {
            RunVerify(*Work.Verify);
        } else {
            --FQueuedFileWork;
            const uint64_t Before = FResultsAppended;
            TBesideChecks Beside(ChosenAlgorithms());
            TBatchChecks* Checks = CheckBeside ? &Beside : nullptr;
            // A batch of one file is compared with a digest on the clipboard: the algorithms the
            // digest can be of are computed in the file's one read.
            std::optional<TDigestEvidence> Evidence;
            if (Work.Files.size() == 1)
                if (const std::optional<TKnownDigest> Digest = ClipboardDigest())
                    Checks = &Evidence.emplace(*Digest, Checks);
            FJoined = 0;
            FJoinable = true;
            ::HashFileList(*this, Work.Files, Work.Unread, Checks);
            FJoinable = false;
            // The file's first block, unless the page was cleared meanwhile.
            if (const uint64_t Blocks = FResultsAppended - Before;
                Work.Files.size() + FJoined == 1 && Blocks > 0 && Blocks <= FResults.size())
                CompareWithClipboard(FResults[FResults.size() - size_t(Blocks)],
                                     Evidence ? &*Evidence : nullptr);
        }
        // A stop ends what waits as well; the page says what it was.
        if (StopRequested == 1 && !FQueue.empty()) {
            qsizetype Files = 0, Lists = 0;
            for (const TQueuedWork& Waiting : FQueue) {
                Files += Waiting.Files.size();
                Lists += Waiting.Verify ? 1 : 0;
            }
            FQueue.clear();
            FQueuedFileWork = 0;
            if (!FClosePending)
                AppendNote(TNoteKind::Skipped, tr("已被用户终止"),
                           tr("等待中的 %1 个文件和 %2 个校验文件未处理").arg(Files).arg(Lists));
        }
    }
    web1->RaiseScriptError();
}

// --- What the batch run uses of the window.

void TForm1::SetOverallMaximum(int Value) {
    FDisplay.OverallMaximum = Value;
    FDisplayChanged = true;
}

void TForm1::SetOverallPosition(int Value) {
    FDisplay.OverallPosition = Value;
    FDisplayChanged = true;
}

void TForm1::SetFileMaximum(int Value) {
    FDisplay.FileMaximum = Value;
    FDisplayChanged = true;
}

void TForm1::SetFilePosition(int Value) {
    FDisplay.FilePosition = Value;
    FDisplayChanged = true;
}

void TForm1::SetPercentText(const QString& Text) {
    FDisplay.Percent = Text;
    FDisplayChanged = true;
}

void TForm1::SetPathText(const QString& Text) {
    FDisplay.Path = Text;
    FDisplayChanged = true;
}

void TForm1::ShowProgress() {
    FSinceDisplay.start();
    if (!FDisplayChanged) return;
    FDisplayChanged = false;
    ProgressBar1->setMaximum(FDisplay.OverallMaximum);
    ProgressBar1->setValue(FDisplay.OverallPosition);
    ProgressBar2->setMaximum(FDisplay.FileMaximum);
    ProgressBar2->setValue(FDisplay.FilePosition);
    StatusPanel2->setText(FDisplay.Percent);
    SetStatusText(FDisplay.Path);
}

void TForm1::PumpMessages() {
    // Looking at the queue costs about as much as hashing a chunk; input that arrives meanwhile
    // waits a millisecond at most, and StopRequested is still tested after every chunk.
    if (FSincePump.isValid() && FSincePump.nsecsElapsed() < PumpIntervalNs) return;
    if (FDisplayChanged && FSinceDisplay.elapsed() >= DisplayIntervalMs) ShowProgress();
    QCoreApplication::processEvents(QEventLoop::AllEvents);
    FSincePump.start();
}

int TForm1::SelectorCount() {
    return ComboBoxEx1->count();
}

int TForm1::SelectorIndex() {
    return ComboBoxEx1->currentIndex();
}

QString TForm1::SelectorText(int Index) {
    return ComboBoxEx1->itemText(Index);
}

void TForm1::SetSelectorEnabled(bool Enabled) {
    ComboBoxEx1->setEnabled(Enabled);
}

void TForm1::AppendResult(const TResultRecord& Record) {
    // The page inserts the path as HTML; escaped, it shows the file's true name and nothing in
    // the name is taken as markup.
    web1->CallScript(QStringLiteral("doit"), {Record.Tag, DisplayPath(Record.Path).toHtmlEscaped(),
                                              Record.Digest, Record.Lower});
    FResults.push_back({Record.Path, Record.Algorithm, Record.Digest.toStdString()});
    ++FResultsAppended;
}

void TForm1::AppendNote(TNoteKind Kind, const QString& Text1, const QString& Text2) {
    web1->AppendNote(Kind, Text1, Text2);
}

void TForm1::ScrollToEnd() {
    ShowProgress();
    web1->ScrollToEnd();
}

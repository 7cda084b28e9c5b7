// The main window: algorithm selector, tool bar, result view, progress bars and status bar,
// the menus with their commands, and the batch run over FileList.
#pragma once

#include <QByteArray>
#include <QElapsedTimer>
#include <QHash>
#include <QKeySequence>
#include <QList>
#include <QMainWindow>
#include <QString>
#include <deque>
#include <functional>
#include <initializer_list>
#include <memory>
#include <optional>
#include <span>
#include <vector>

#include "BatchRun.h"
#include "FileList.h"
#include "VerifyRun.h"
#include "hashhead.h"

class QAction;
class QComboBox;
class QLabel;
class QMenu;
class QPainter;
class QProgressBar;
class QRect;
class QTimer;
class QToolBar;
class QToolButton;
class TOwnerDrawnPanel;
class TResultView;
class TStatusPanels;
class TForm1;

// The groups that the menus and the tool bar are made of. Each menu and the tool bar hold the
// groups they have in an order of their own, with separators between some of them; a command
// goes to the end of its group.
enum class TCommandGroup {
    Text,     // the result page: copy, compare, clear
    Files,    // the open, verify and save commands
    Stop,     // the stop command
    Mode,     // always on top
    Program,  // exit, About, help
};

// One place that offers a command: a menu (one of the menu bar's, or PopupMenu1) or ToolBar1,
// and the command's group there. A place may give the command a caption, tool tip and handler of
// its own, as the layout has them; it then gets an action of its own.
struct TCommandPlace {
    QWidget* In = nullptr;
    TCommandGroup Group = TCommandGroup::Files;
    QString Text = {};
    void (TForm1::*Handler)() = nullptr;
    QString ToolTip = {};
};

// A command of the main window: its caption, tool tip (its hint on the tool bar; by default the
// caption), picture (the name of an icon in :/icons/), shortcut, handler and places.
struct TCommand {
    QString Text = {};
    QString ToolTip = {};
    QString Icon = {};
    QKeySequence Shortcut = {};
    void (TForm1::*Handler)() = nullptr;
    std::vector<TCommandPlace> Places = {};
};

class TForm1 : public QMainWindow, private TBatchWindow {
    Q_OBJECT
public:
    explicit TForm1(QWidget* Parent = nullptr);
    ~TForm1() override;

    // Texts of the window.
    static QString Caption();    // set by FormShow
    static QString AboutText();  // the About box, four lines
    // The help page installed with the program, which the home-page command opens.
    static QString HomePage();

    // --- Components.
    QWidget* CoolBar1 = nullptr;
    QComboBox* ComboBoxEx1 = nullptr;
    QToolBar* ToolBar1 = nullptr;
    QToolButton* ToolButton2 = nullptr;  // open files
    QToolButton* ToolButton4 = nullptr;  // open folder
    QToolButton* ToolButton5 = nullptr;  // verify
    QToolButton* ToolButton3 = nullptr;  // stop
    QAction* ToolButton6 = nullptr;      // separator
    QToolButton* ToolButton1 = nullptr;  // always on top; its down (checked) state is the mode
    TResultView* web1 = nullptr;
    QWidget* Panel1 = nullptr;
    QProgressBar* ProgressBar2 = nullptr;  // the current file
    QProgressBar* ProgressBar1 = nullptr;  // the whole batch
    QLabel* StatusPanel0 = nullptr;        // StatusBar1's panels, from the left
    QLabel* StatusPanel1 = nullptr;
    TOwnerDrawnPanel* StatusPanel2 = nullptr;
    QLabel* StatusPanel3 = nullptr;  // the latest message; its tool tip holds all of it
    QMenu* PopupMenu1 = nullptr;
    // MainMenu1 is the window's menu bar; N2 is its separator. The File menu's stop item is N7,
    // the pop-up menu's.
    QAction *N1 = nullptr, *D2 = nullptr, *N4 = nullptr, *N2 = nullptr, *N3 = nullptr;
    QAction *C1 = nullptr, *O2 = nullptr, *W1 = nullptr, *N9 = nullptr;
    // PopupMenu1; N5 and N6 are its separators.
    QAction *C2 = nullptr, *O1 = nullptr, *N5 = nullptr, *F2 = nullptr, *D1 = nullptr,
            *N8 = nullptr, *N6 = nullptr, *N7 = nullptr;
    // One shot, 10 ms: starts the batch after a drop.
    QTimer* Timer1 = nullptr;

    // The paths of the batch; lives from FormCreate to FormDestroy.
    std::unique_ptr<TFileList> FileList;
    // The folders that the search behind FileList could not enter; the batch names them.
    QList<TUnreadFolder> UnreadFolders;

    // --- The batch run.
    // Runs a batch over FileList. Asked for while a batch is running, FileList's files join
    // that batch at its end (after a verify run, they are the next batch); Stop ends them all.
    void HashFileList();
    bool BatchRunning() const { return FBatchRunning; }
    // What every intake does before its batch: clear FileList, add Paths, sort.
    void ReplaceFileList(const QList<QByteArray>& Paths);
    // Paths with every folder among them searched, as the folder command searches it, in the
    // search window; the folders a search could not enter go to Unread.
    QList<QByteArray> SearchFolders(const QList<QByteArray>& Paths, QList<TUnreadFolder>& Unread);

    // --- Commands and services used by the intake.
    // Makes the window topmost or not; ToolButton1's down state holds the user's choice.
    void SetStayOnTop(bool OnTop);
    bool StayOnTopChosen() const;

    // --- File intake (defined in Unit1_intake.cpp).
    void OpenFiles();
    void OpenFolder();
    void RegisterDropTarget();
    void RevokeDropTarget();
    // Puts Paths in FileList for the batch that Timer1 starts; a drop that comes before the
    // timer has fired joins the one before it.
    void FilesDropped(const QList<QByteArray>& Paths);
    // Searches the folders that a drop put in FileList, then runs the batch.
    void Timer1Timer();
    // The paths of the command line: one batch, as a drop of them starts it, except that
    // folders are first searched as the folder command searches them. Relative paths are taken
    // from the current folder.
    void OpenCommandLinePaths(const QList<QByteArray>& Paths);

    // --- Checksum files (defined in Unit1_verify.cpp). Each command is one action, shared by
    // the menus and the tool bar.
    QAction* ActionVerify = nullptr;     // verify a checksum file
    QAction* ActionCompare = nullptr;    // mark the results that match a known digest
    QAction* ActionSave = nullptr;       // save the results as a checksum file
    QAction* ActionCopyLines = nullptr;  // copy the results as checksum lines
    void OpenChecksumFile();             // asks for the checksum file, then verifies it
    void CompareWithDigest();
    void SaveResults();
    void CopyResultLines();
    // Where copied checksum lines keep their names' exact bytes beside the UTF-8 text.
    static constexpr char ExactLinesFormat[] = "application/octet-stream";
    // Marks the result blocks whose digest is Digest's (under its algorithm, when it names one)
    // and scrolls to the first; returns how many there are.
    int MarkDigest(const TKnownDigest& Digest);
    // Whether a batch looks for the checksum files beside its files (the bench turns it off to
    // measure what it costs).
    bool CheckBeside = true;
    // The results on the page since it was last cleared, as saving and copying take them.
    const std::vector<TSavedResult>& Results() const { return FResults; }

public slots:
    // Verifies the files that the checksum file Path lists, as one batch: each gets its block
    // and a verdict, and a summary line ends it. Listed names are taken from the checksum file's
    // folder. A file that is no checksum file is named as such on the page. Asked for while a
    // batch is running, it is the next batch once the running one and the checksum files asked
    // for before it have ended.
    void VerifyChecksumFile(const QByteArray& Path);

public:
    // --- Event handlers.
    void FormCreate();
    void FormShow();
    void FormClose();
    void FormDestroy();
    void FillAlgorithmList();
    // Fills the selector with these algorithms instead of the whole table.
    void FillAlgorithmList(std::span<const TAlgorithmInfo> Algorithms);
    static QString GroupTitle(TAlgorithmGroup Group);
    void ComboBoxEx1Change();
    void ComboBoxEx1Select();
    void ComboBoxEx1Click();
    // --- Several algorithms. The selector's current item is the first algorithm; items
    // checked in its list are hashed beside it, in the list's order.
    // The algorithms of the next batch.
    std::vector<int32_t> ChosenAlgorithms() const;
    // Makes Algorithms the choice (the first becomes the current item) and remembers it for
    // the next start. Unknown ids are passed over; an empty choice changes nothing.
    void ChooseAlgorithms(const std::vector<int32_t>& Algorithms);
    // Adds the algorithm of selector item Index to the choice, or takes it out (the last one
    // stays), as clicking its check box in the list does.
    void ToggleAlgorithm(int Index);
    // The choice remembered from the last start, if any.
    void RestoreAlgorithms();
    void StatusBar1DrawPanel(QPainter& Canvas, const QRect& Rect, const QString& Text);
    void ToolButton1Click();  // the button's down state has already flipped
    void ToolButton2Click() { OpenFiles(); }
    void ToolButton3Click() { StopRequested = 1; }
    void ToolButton4Click() { OpenFolder(); }
    void N1Click() { OpenFiles(); }
    void D2Click() { OpenFolder(); }
    void N4Click();
    void N3Click() { close(); }
    void C1Click();
    void O2Click();
    void W1Click();
    void N9Click();
    void C2Click() { C1Click(); }
    void O1Click() { O2Click(); }
    void F2Click() { OpenFiles(); }
    void D1Click() { OpenFolder(); }
    void N8Click() { N4Click(); }
    void N7Click() { StopRequested = 1; }
    void web1ShowContextMenu(const QPoint& GlobalPos);

protected:
    void showEvent(QShowEvent* Event) override;
    void closeEvent(QCloseEvent* Event) override;

private:
    void CreateComponents();
    // The menus, the tool bar and every command in them.
    void CreateMenus();
    // Makes In's groups, in this order; a group may have a separator before it, stored in
    // *Separator.
    struct TGroupLayout {
        TCommandGroup Group;
        QAction** Separator = nullptr;
    };
    void LayOut(QWidget* In, std::initializer_list<TGroupLayout> Groups);
    // Makes Command's actions and adds each to the end of its group in its place. Places
    // without a caption of their own share one action. The command's shortcut works wherever the
    // focus is in the window, through the first place's action; the other menu places show it.
    // Returns the action of each place, in the order of Command.Places.
    QList<QAction*> AddCommand(const TCommand& Command);
    // The tool button that ToolBar1 shows for Action.
    QToolButton* ButtonOf(QAction* Action) const;
    // The batch of a checksum file, in place of FileList's.
    void RunVerify(const TVerifyList& List);
    // After a batch of one file: marks its block when the clipboard holds its digest.
    // Evidence: the clipboard's digest checked in the batch's read (nullptr when it was not).
    void CompareWithClipboard(const TSavedResult& Result, const TDigestEvidence* Evidence);
    // The clipboard's digest, unless it is the window's own copy.
    std::optional<TKnownDigest> ClipboardDigest() const;
    // Marks the blocks with these numbers (in FResults' order) and scrolls to the first.
    int MarkBlocks(const QStringList& Numbers);
    // Shows a compare's verdict in the status bar and on the page.
    void ShowCompareVerdict(TNoteKind Kind, const QString& Text, const QString& Detail = {});
    // Shows Text in the status bar's last panel, as the latest message of the batch.
    void ShowStatus(const QString& Text);
    // Puts Text in the status bar's last panel; the other panels give way when it needs room.
    void SetStatusText(const QString& Text);
    // A slot that runs Handler with errors going to the error report.
    std::function<void()> Handler(void (TForm1::*Method)());

    // TBatchWindow. Bar positions and panel texts are kept here and shown at most every
    // DisplayIntervalMs, so that a batch of many small files is not held up by repainting.
    void SetOverallMaximum(int Value) override;
    void SetOverallPosition(int Value) override;
    void SetFileMaximum(int Value) override;
    void SetFilePosition(int Value) override;
    void SetPercentText(const QString& Text) override;
    void SetPathText(const QString& Text) override;
    void PumpMessages() override;
    int SelectorCount() override;
    int SelectorIndex() override;
    std::vector<int32_t> SelectorAlgorithms() override { return ChosenAlgorithms(); }
    QString SelectorText(int Index) override;
    void SetSelectorEnabled(bool Enabled) override;
    void AppendResult(const TResultRecord& Record) override;
    void AppendNote(TNoteKind Kind, const QString& Text1, const QString& Text2) override;
    bool TakeArrivals(QList<QByteArray>& Files, QList<TUnreadFolder>& Unread) override;
    void ScrollToEnd() override;
    void ShowProgress();

    static constexpr int DisplayIntervalMs = 40;
    static constexpr qint64 PumpIntervalNs = 1000000;
    QElapsedTimer FSincePump;
    struct TProgressDisplay {
        int OverallMaximum = 100, OverallPosition = 0, FileMaximum = 100, FilePosition = 0;
        QString Percent, Path;
    } FDisplay;
    bool FDisplayChanged = false;
    QElapsedTimer FSinceDisplay;

    std::vector<TSavedResult> FResults;
    // What the window last put on the clipboard; the automatic compare passes over it.
    QString FCopiedText;
    uint64_t FResultsAppended = 0;
    // Work asked for while a batch runs, in its order: files, which join the running batch
    // unless it is a verify run, and checksum files, each verified as a batch of its own.
    struct TQueuedWork {
        QList<QByteArray> Files;
        QList<TUnreadFolder> Unread;
        std::unique_ptr<TVerifyList> Verify;
    };
    std::deque<TQueuedWork> FQueue;
    qsizetype FQueuedFileWork = 0;  // the entries of FQueue without Verify
    // Runs the queue's work, one batch after the other, unless a batch is running already.
    void RunQueue();
    bool FJoinable = false;  // the running batch takes the files that arrive
    int FJoined = 0;         // how many have joined it

    // The group order of each menu and of the tool bar, and the group of each item in them.
    struct TLayout {
        QList<TCommandGroup> Order;
        QHash<QAction*, TCommandGroup> Groups;
    };
    QHash<QWidget*, TLayout> FLayouts;
    TStatusPanels* FStatusPanels = nullptr;

    bool FBatchRunning = false;
    bool FClosePending = false;
    bool FShown = false;
    // FileList holds dropped paths, whose folders Timer1Timer searches; the command line's
    // are searched already.
    bool FDroppedPaths = false;
};

// The program's one main window.
extern TForm1* Form1;

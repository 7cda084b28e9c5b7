// The open commands with their dialogs answered by the test, the folder picker itself, the
// always-on-top mode around the dialogs and batches, and intakes that arrive while a batch runs.
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QElapsedTimer>
#include <QFileDialog>
#include <QLabel>
#include <QLineEdit>
#include <QPointer>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <QToolButton>
#include <filesystem>
#include <functional>

#include "Browse4Folder.h"
#include "DirEnum.h"
#include "Searchformutil.h"
#include "Unit1_intake.h"
#include "intake_test_util.h"
#include "ui_test_main.h"

namespace {

// While it lives, runs Answer on the next modal window once it is up. The answer must close
// that window: when it is still up WatchdogMs after it came up, or no window came up by then,
// the test fails and every modal window is rejected, so that the exec waiting for it returns.
class TModalAnswer {
public:
    static constexpr int WatchdogMs = 20000;

    explicit TModalAnswer(std::function<void(QWidget*)> Answer) : FAnswer(std::move(Answer)) {
        FPoll.setInterval(20);
        QObject::connect(&FPoll, &QTimer::timeout, [this] { Poll(); });
        FPoll.start();
        FClock.start();
    }

private:
    void Poll() {
        if (!FAnswered.isNull() && !FAnswered->isVisible()) {
            FPoll.stop();
        } else if (FClock.elapsed() > WatchdogMs) {
            FPoll.stop();
            QTest::qFail(FAnswered.isNull() ? "no modal window came up"
                                            : "the answer left the modal window up",
                         __FILE__, __LINE__);
            while (auto* Modal = qobject_cast<QDialog*>(QApplication::activeModalWidget()))
                Modal->reject();
        } else if (FAnswered.isNull()) {
            QWidget* Modal = QApplication::activeModalWidget();
            if (!Modal || !Modal->isVisible()) return;
            FAnswered = Modal;
            FClock.start();
            FAnswer(Modal);
        }
    }

    std::function<void(QWidget*)> FAnswer;
    QTimer FPoll;
    QElapsedTimer FClock;
    QPointer<QWidget> FAnswered;
};

// Clicks the middle of Widget through the window system, so that a modal window can block it.
void ClickThroughWindowSystem(QWidget* Widget) {
    QTest::mouseClick(Widget->window()->windowHandle(), Qt::LeftButton, Qt::NoModifier,
                      Widget->mapTo(Widget->window(), Widget->rect().center()));
}

bool OnTop(const TForm1& Form) {
    return Form.windowFlags().testFlag(Qt::WindowStaysOnTopHint);
}

// Calls Tick at every turn of the message loop until it is destroyed.
class TSampler {
public:
    explicit TSampler(std::function<void()> Tick) {
        FTimer.setInterval(0);
        QObject::connect(&FTimer, &QTimer::timeout, Tick);
        FTimer.start();
    }

private:
    QTimer FTimer;
};

}  // namespace

class TIntakeTest : public QObject {
    Q_OBJECT

private:
    QTemporaryDir Dir;
    std::unique_ptr<TForm1> Form;

    QString Path(const QString& Name) const { return Dir.path() + '/' + Name; }
    QByteArray Bytes(const QString& Name) const { return QFile::encodeName(Path(Name)); }
    QByteArrayList BytesOf(const QStringList& Names) const {
        QByteArrayList Result;
        for (const QString& Name : Names)
            Result << Bytes(Name);
        return Result;
    }
    QStringList PathsOf(const QStringList& Names) const {
        QStringList Result;
        for (const QString& Name : Names)
            Result << Path(Name);
        return Result;
    }

private slots:
    void initTestCase() {
        QVERIFY(Dir.isValid());
        for (const char* Name : {"a.txt", "B.txt", "c.txt", "old.txt", "tree/one/x.txt", "tree/.h",
                                 "tree/Two.txt", "new/n2.txt", "new/n1.txt"})
            WriteFile(Path(Name));
        // Large enough for a batch to pump the message queue many times.
        for (const char* Name : {"big/big1.dat", "big/big2.dat"})
            WriteFile(Path(Name), 48 << 20);
        QVERIFY(QDir().mkpath(Path("nofiles/sub")));
        Form = std::make_unique<TForm1>();
        Form->show();
    }
    void cleanup() {
        Form->ToolButton1->setChecked(false);
        Form->SetStayOnTop(false);
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    }
    void cleanupTestCase() {
        Form.reset();
        // Names that are not UTF-8 are beyond QTemporaryDir.
        std::filesystem::remove_all(QFile::encodeName(Dir.path()).toStdString());
    }

    // The picker: a cancel gives false and no path; a chosen folder comes back absolute, with
    // no trailing separator unless it is the root; a file is never the answer. The answer types
    // the name, as a user may: what the picker shows depends on how far its thread has read the
    // folders, what it does with a typed name does not.
    void BrowseForFolderAnswers_data() {
        QTest::addColumn<QString>("Choose");  // empty: cancel
        QTest::addColumn<bool>("Result");
        QTest::addColumn<QByteArray>("Expected");
        QTest::newRow("cancel") << QString() << false << QByteArray();
        QTest::newRow("root") << "/" << true << QByteArray("/");
        QTest::newRow("folder") << "tree" << true << QByteArray("tree");
        QTest::newRow("folder with separator") << "tree/" << true << QByteArray("tree");
        // Confirming a file leaves the picker up; the user can only cancel.
        QTest::newRow("file") << "a.txt" << false << QByteArray();
    }
    void BrowseForFolderAnswers() {
        QFETCH(QString, Choose);
        QFETCH(bool, Result);
        QFETCH(QByteArray, Expected);
        if (!Choose.startsWith('/') && !Choose.isEmpty()) Choose = Path(Choose);
        if (!Expected.startsWith('/') && !Expected.isEmpty()) Expected = Bytes(Expected);
        QString Title;
        bool Refused = false;
        TModalAnswer Answer([&](QWidget* Modal) {
            auto* Dialog = qobject_cast<QFileDialog*>(Modal);
            QVERIFY(Dialog);
            Title = Dialog->windowTitle();
            auto* Name = Dialog->findChild<QLineEdit*>(QStringLiteral("fileNameEdit"));
            if (!Choose.isEmpty() && Name) {
                Name->setText(Choose);
                static_cast<QDialog*>(Dialog)
                    ->accept();  // QFileDialog's own, as the button runs it
                Refused = Dialog->isVisible();
            }
            if (Dialog->isVisible()) Dialog->reject();
        });
        QByteArray Chosen = "left over";
        const bool Confirmed =
            BrowseForFolder(QStringLiteral("选择文件夹"), QString(), Form.get(), Chosen);
        QCOMPARE(Confirmed, Result);
        QCOMPARE(Chosen, Expected);
        QCOMPARE(Title, QStringLiteral("选择文件夹"));
        QCOMPARE(Refused, Choose.endsWith(".txt"));
    }

    // The dialogs give names as text, read as UTF-8 with U+FFFD for bytes that are not; the
    // bytes come back when one entry of the folder reads that way, or stay the text's own.
    void DialogNamesGetTheirBytesBack_data() {
        QTest::addColumn<QByteArray>("Name");  // made below Dir, as bytes
        QTest::addColumn<QByteArray>("Twin");  // made beside it; empty: none
        QTest::addColumn<bool>("Back");        // whether the bytes come back
        QTest::newRow("UTF-8") << QByteArray("bytes/宋体.txt") << QByteArray() << true;
        QTest::newRow("Latin-1 name") << QByteArray("bytes/caf\xe9.txt") << QByteArray() << true;
        QTest::newRow("Latin-1 folder and name")
            << QByteArray("bytes/d\xe9j\xe0/\xfc.txt") << QByteArray() << true;
        QTest::newRow("two names that read the same")
            << QByteArray("bytes/twin\xe9") << QByteArray("bytes/twin\xe8") << false;
    }
    void DialogNamesGetTheirBytesBack() {
        QFETCH(QByteArray, Name);
        QFETCH(QByteArray, Twin);
        QFETCH(bool, Back);
        const QByteArray Base = QFile::encodeName(Dir.path()) + '/';
        for (const QByteArray& Made : {Name, Twin}) {
            if (Made.isEmpty()) continue;
            QByteArray Folder = Base;
            for (const QByteArray& Part : Made.split('/').mid(0, Made.count('/'))) {
                Folder += Part + '/';
                ::mkdir(Folder.constData(), 0755);
            }
            const int Handle = ::open((Base + Made).constData(), O_WRONLY | O_CREAT, 0644);
            QVERIFY(Handle >= 0);
            ::close(Handle);
        }
        const QString Shown = QFile::decodeName(Base + Name);
        QCOMPARE(ExistingPathBytes(Shown), Back ? Base + Name : Shown.toUtf8());
    }

    // The application's other windows take no input while the picker is up, and take it again
    // once it has closed.
    void BrowseForFolderIsModal() {
        QWidget Other;
        auto* Button = new QPushButton("button", &Other);
        Button->resize(100, 40);
        Other.resize(120, 60);
        Other.show();
        QVERIFY(QTest::qWaitForWindowExposed(&Other));
        int Clicks = 0;
        connect(Button, &QPushButton::clicked, [&] { ++Clicks; });
        int ClicksWhileUp = -1;
        TModalAnswer Answer([&](QWidget* Modal) {
            ClickThroughWindowSystem(Button);
            ClicksWhileUp = Clicks;
            static_cast<QDialog*>(Modal)->reject();
        });
        QByteArray Chosen;
        QVERIFY(!BrowseForFolder(QStringLiteral("选择文件夹"), QString(), &Other, Chosen));
        QCOMPARE(ClicksWhileUp, 0);
        ClickThroughWindowSystem(Button);
        QCOMPARE(Clicks, 1);
    }

    // The Open dialog: a cancel or an empty selection changes nothing; a selection in any
    // order replaces the list and is hashed in sorted order, by one batch inside the command.
    void OpenFilesHashesTheSelection_data() {
        QTest::addColumn<bool>("Confirm");
        QTest::addColumn<QStringList>("Selection");
        QTest::addColumn<QStringList>("Listed");
        QTest::newRow("cancel") << false << QStringList{"c.txt"} << QStringList{"old.txt"};
        QTest::newRow("empty selection") << true << QStringList{} << QStringList{"old.txt"};
        QTest::newRow("any order") << true << QStringList{"c.txt", "a.txt", "B.txt"}
                                   << QStringList{"a.txt", "B.txt", "c.txt"};
    }
    void OpenFilesHashesTheSelection() {
        QFETCH(bool, Confirm);
        QFETCH(QStringList, Selection);
        QFETCH(QStringList, Listed);
        Settle(*Form);
        Form->ReplaceFileList({Bytes("old.txt")});
        QWidget* Owner = nullptr;
        TDialogAnswer<TOpenFilesQuestion> Answer(
            [&](QWidget* O, const TOpenFilesQuestion&) -> std::optional<QByteArrayList> {
                Owner = O;
                if (!Confirm) return std::nullopt;
                return BytesOf(Selection);
            });
        Form->F2Click();
        QCOMPARE(Owner, Form.get());
        QVERIFY(!Form->BatchRunning());
        QCOMPARE(Entries(*Form->FileList), BytesOf(Listed));
        const bool Hashed = Confirm && !Selection.isEmpty();
        QCOMPARE(HashedPaths(*Form), Hashed ? PathsOf(Listed) : QStringList{});
    }

    // The folder command: a cancelled picker or an empty path opens no search window and
    // changes nothing; a folder is searched and every file below it hashed in sorted order.
    void OpenFolderSearchesAndHashes_data() {
        QTest::addColumn<bool>("Confirm");
        QTest::addColumn<QString>("Folder");
        QTest::addColumn<QStringList>("Listed");
        QTest::addColumn<int>("SearchWindows");
        QTest::newRow("cancel") << false << "tree" << QStringList{"old.txt"} << 0;
        QTest::newRow("empty path") << true << QString() << QStringList{"old.txt"} << 0;
        QTest::newRow("folder") << true << "tree"
                                << QStringList{"tree/.h", "tree/one/x.txt", "tree/Two.txt"} << 1;
        QTest::newRow("folder without files") << true << "nofiles" << QStringList{} << 1;
    }
    void OpenFolderSearchesAndHashes() {
        QFETCH(bool, Confirm);
        QFETCH(QString, Folder);
        QFETCH(QStringList, Listed);
        QFETCH(int, SearchWindows);
        Settle(*Form);
        Form->ReplaceFileList({Bytes("old.txt")});
        QStringList Asked;
        TDialogAnswer<TFolderQuestion> Answer(
            [&](QWidget* Owner, const TFolderQuestion& Question) -> std::optional<QByteArray> {
                Asked << Question.Title << Question.RootFolder
                      << (Owner == Form.get() ? "main window" : "other");
                if (!Confirm) return std::nullopt;
                return Folder.isEmpty() ? QByteArray() : Bytes(Folder);
            });
        QSet<QObject*> Searches;
        {
            TSampler Sampler([&] {
                if (auto* Search = qobject_cast<TSearchform*>(QApplication::activeModalWidget()))
                    Searches << Search;
            });
            Form->D1Click();
        }
        QCOMPARE(Asked, (QStringList{QStringLiteral("选择文件夹"), QString(), "main window"}));
        QCOMPARE(int(Searches.size()), SearchWindows);
        QCOMPARE(Entries(*Form->FileList), BytesOf(Listed));
        QCOMPARE(HashedPaths(*Form), SearchWindows ? PathsOf(Listed) : QStringList{});
    }

    // The window is not topmost while a dialog is up; the user's choice comes back after the
    // batch for the Open dialog, and straight after the picker, before the search, for a folder.
    void StayOnTopComesBack_data() {
        QTest::addColumn<bool>("Folder");
        QTest::addColumn<bool>("Down");
        QTest::newRow("files, button down") << false << true;
        QTest::newRow("files, button up") << false << false;
        QTest::newRow("folder, button down") << true << true;
        QTest::newRow("folder, button up") << true << false;
    }
    void StayOnTopComesBack() {
        QFETCH(bool, Folder);
        QFETCH(bool, Down);
        Settle(*Form);
        Form->ToolButton1->setChecked(Down);
        Form->SetStayOnTop(Down);
        QMap<QString, QSet<bool>> Seen;
        TDialogAnswer<TOpenFilesQuestion> Files(
            [&](QWidget*, const TOpenFilesQuestion&) -> std::optional<QByteArrayList> {
                Seen["dialog"] << OnTop(*Form);
                return BytesOf({"big/big1.dat", "a.txt"});
            });
        TDialogAnswer<TFolderQuestion> Folders(
            [&](QWidget*, const TFolderQuestion&) -> std::optional<QByteArray> {
                Seen["dialog"] << OnTop(*Form);
                return Bytes("big");
            });
        {
            TSampler Sampler([&] {
                if (qobject_cast<TSearchform*>(QApplication::activeModalWidget()))
                    Seen["search"] << OnTop(*Form);
                else if (Form->BatchRunning())
                    Seen["batch"] << OnTop(*Form);
            });
            Folder ? Form->ToolButton4Click() : Form->ToolButton2Click();
        }
        Seen["after"] << OnTop(*Form);
        QMap<QString, QSet<bool>> Expected;
        Expected["dialog"] = {false};
        if (Folder) Expected["search"] = {Down};
        Expected["batch"] = {Folder && Down};
        Expected["after"] = {Down};
        QCOMPARE(Seen, Expected);
    }

    // Files that arrive while a batch runs, by a drop (of files or of a folder, which is
    // searched) or an open command, join it: every file is hashed once, the running batch's
    // first and the new ones after them, and one summary counts them all. A stop once they
    // have joined ends them too, and the summary counts what was not hashed.
    void IntakeDuringABatch_data() {
        QTest::addColumn<QString>("How");
        QTest::addColumn<bool>("Stop");
        QTest::newRow("drop") << "drop" << false;
        QTest::newRow("open files") << "files" << false;
        QTest::newRow("open folder") << "folder" << false;
        QTest::newRow("dropped folder") << "drop folder" << false;
        QTest::newRow("drop, then stop") << "drop" << true;
    }
    void IntakeDuringABatch() {
        QFETCH(QString, How);
        QFETCH(bool, Stop);
        Settle(*Form);
        const QStringList Old = {"a.txt", "big/big1.dat", "big/big2.dat", "c.txt", "old.txt"};
        const QStringList New = {"new/n1.txt", "new/n2.txt"};
        TDialogAnswer<TOpenFilesQuestion> Files(
            [&](QWidget*, const TOpenFilesQuestion&) -> std::optional<QByteArrayList> {
                return BytesOf({"new/n2.txt", "new/n1.txt"});
            });
        TDialogAnswer<TFolderQuestion> Folders(
            [&](QWidget*, const TFolderQuestion&) -> std::optional<QByteArray> {
                return Bytes("new");
            });
        const auto Data =
            DragData({"files"}, How == "drop folder" ? PathsOf({"new"})
                                                     : PathsOf({"new/n2.txt", "new/n1.txt"}));
        bool Done = false, Stopped = false;
        TSampler Sampler([&] {
            if (!Form->BatchRunning()) return;
            if (!Done) {
                Done = true;
                if (How.startsWith("drop"))
                    QVERIFY(DragAndDrop(Form.get(), Data.get()).Accepted);
                else if (How == "files")
                    Form->N1Click();
                else
                    Form->D2Click();
            } else if (Stop && !Stopped && !Form->Timer1->isActive()) {
                // The dropped files wait in the queue by now.
                Stopped = true;
                Form->ToolButton3->click();
            }
        });
        Form->ReplaceFileList(BytesOf(Old));
        Form->HashFileList();
        QTRY_VERIFY(!Form->BatchRunning() && !Form->Timer1->isActive());
        QVERIFY(Done);
        QCOMPARE(Stopped, Stop);
        QCOMPARE(Entries(*Form->FileList), BytesOf(New));
        const QStringList All = PathsOf(Old + New);
        const QStringList Hashed = HashedPaths(*Form);
        const QString Status = Form->StatusPanel3->text();
        if (!Stop) {
            QCOMPARE(Hashed, All);
            QCOMPARE(Status, QStringLiteral("7 个文件已计算，0 个失败"));
            return;
        }
        QVERIFY(Hashed.size() < All.size());
        QCOMPARE(Hashed, All.mid(0, Hashed.size()));
        QCOMPARE(Status, QStringLiteral("%1 个文件已计算，0 个失败；已被用户终止，%2 个未计算")
                             .arg(Hashed.size())
                             .arg(All.size() - Hashed.size()));
    }
};

QUERNIX_UI_TEST_MAIN(TIntakeTest)
#include "intake_test.moc"

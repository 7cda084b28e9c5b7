// The folder search window: the walk's paths, order, links and failures, the window's timers,
// stop button and close box, and the shortening of the current path.
#include <sys/stat.h>
#include <unistd.h>

#include <QDir>
#include <QFile>
#include <QFontMetrics>
#include <QLabel>
#include <QMap>
#include <QPointer>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <QToolButton>
#include <functional>

#include "FileList.h"
#include "Searchformutil.h"
#include "ui_test_main.h"

namespace {

// An in-memory folder tree: folder path (with its trailing separator) to its entries in
// enumeration order. With Endless, a folder that is not listed holds "." and "..", twenty files
// and "next", so a walk goes on until it is stopped (or Endless folders deep, to fail by itself).
struct TFakeTree {
    QMap<QByteArray, QList<TDirEntry>> Folders;
    QByteArrayList Opened;
    int Endless = 0;
    std::function<void(const QByteArray& Dir)> OnOpen;

    void Add(const QByteArray& Dir, const QByteArray& Name, TDirEntry::TKind Kind) {
        Folders[Dir].append({Name, Kind});
    }

    TDirOpener Opener() {
        return [this](const QByteArray& Dir) -> std::unique_ptr<TDirEnumeration> {
            Opened.append(Dir);
            if (OnOpen) OnOpen(Dir);
            if (Folders.contains(Dir)) return std::make_unique<TEnumeration>(Folders[Dir]);
            if (!Endless || Opened.size() > Endless) return nullptr;
            QList<TDirEntry> Chain = {{".", TDirEntry::Directory}, {"..", TDirEntry::Directory}};
            for (int I = 0; I < 20; ++I) {
                Chain.append({"f" + QByteArray::number(I), TDirEntry::File});
                if (I == 9) Chain.append({"next", TDirEntry::Directory});
            }
            return std::make_unique<TEnumeration>(Chain);
        };
    }

    struct TEnumeration : TDirEnumeration {
        QList<TDirEntry> Entries;
        qsizetype Index = 0;
        explicit TEnumeration(QList<TDirEntry> E) : Entries(std::move(E)) {}
        bool Next(TDirEntry& Entry) override {
            if (Index >= Entries.size()) return false;
            Entry = Entries[Index++];
            return true;
        }
    };
};

QByteArrayList Entries(const TFileList& List) {
    QByteArrayList Result;
    for (int I = 0; I < List.Count(); ++I)
        Result.append(List[I]);
    return Result;
}

void WriteFile(const QString& Path) {
    QDir().mkpath(QFileInfo(Path).path());
    QFile File(Path);
    QVERIFY(File.open(QIODevice::WriteOnly));
    File.write("x");
}

// Runs the window as the open-folder command does: modal, until it has closed. Meanwhile
// Watch is called at every turn of the message loop; when it returns true, the window is
// closed. A window still up after 20 s fails the test and is closed, so a run never hangs.
void RunModal(
    TSearchform* Form, const QByteArray& Folder,
    std::function<bool()> Watch = [] { return false; }) {
    QElapsedTimer Clock;
    Clock.start();
    QTimer Poll;
    Poll.setInterval(0);
    QObject::connect(&Poll, &QTimer::timeout, [&] {
        const bool Late = Clock.elapsed() > 20000;
        if (Late) QTest::qFail("the search window did not close", __FILE__, __LINE__);
        if ((Late || Watch()) && Form->isVisible()) Form->close();
    });
    Poll.start();
    Form->FolderPath = Folder;
    Form->exec();
}

// Lets the deferred deletions of closed windows happen.
void FlushDeletes() {
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
}

}  // namespace

class TSearchformTest : public QObject {
    Q_OBJECT

private:
    QTemporaryDir Dir;
    QByteArray Root;  // a real tree, made in initTestCase

private slots:
    void initTestCase() {
        QVERIFY(Dir.isValid());
        const QString R = Dir.path() + "/tree";
        Root = QFile::encodeName(R);
        for (const char* Name : {"a.txt", ".hidden", ".hiddendir/inner.txt", "sub/b.txt",
                                 "sub/deep/z.txt", "locked/secret.txt", "after/c.txt"})
            WriteFile(R + '/' + Name);
        QVERIFY(QDir().mkpath(R + "/empty"));
        QVERIFY(QFile::link(R + "/sub", R + "/linkdir"));
        QVERIFY(QFile::link(R + "/a.txt", R + "/linkfile"));
        QVERIFY(QFile::link(R + "/missing", R + "/dangling"));
        QVERIFY(QDir().mkpath(R + "/cycle"));
        QVERIFY(QFile::link(R, R + "/cycle/back"));
        QCOMPARE(::mkfifo(QFile::encodeName(R + "/fifo").constData(), 0644), 0);
    }

    // Paths are the base, exactly one separator and the name, whatever the folder's form;
    // "." and ".." are neither added nor opened, and the walk is depth-first in the order the
    // entries come.
    void WalksInEnumerationOrder_data() {
        QTest::addColumn<QByteArray>("Root");
        QTest::addColumn<QByteArray>("Folder");
        QTest::newRow("without separator") << QByteArray("/r/") << QByteArray("/r");
        QTest::newRow("with separator") << QByteArray("/r/") << QByteArray("/r/");
        QTest::newRow("file system root") << QByteArray("/") << QByteArray("/");
    }
    void WalksInEnumerationOrder() {
        QFETCH(QByteArray, Root);
        QFETCH(QByteArray, Folder);
        TFakeTree Tree;
        Tree.Add(Root, "z", TDirEntry::File);
        Tree.Add(Root, ".", TDirEntry::Directory);
        Tree.Add(Root, "sub", TDirEntry::Directory);
        Tree.Add(Root, "..", TDirEntry::Directory);
        Tree.Add(Root, "a", TDirEntry::File);
        Tree.Add(Root + "sub/", "..", TDirEntry::Directory);
        Tree.Add(Root + "sub/", "m", TDirEntry::File);
        Tree.Add(Root + "sub/", "inner", TDirEntry::Directory);
        Tree.Add(Root + "sub/", "b", TDirEntry::File);
        Tree.Add(Root + "sub/inner/", "c", TDirEntry::File);
        TFileList List;
        auto* Form = new TSearchform(List);
        Form->OpenDir = Tree.Opener();
        Form->SearchFolder(Folder);
        QCOMPARE(Entries(List), (QByteArrayList{Root + "z", Root + "sub/m", Root + "sub/inner/c",
                                                Root + "sub/b", Root + "a"}));
        QCOMPARE(Tree.Opened, (QByteArrayList{Root, Root + "sub/", Root + "sub/inner/"}));
        QCOMPARE(Form->FoundCount, 5);
        delete Form;
    }

    // The real file system: hidden entries are found, links to folders are neither added nor
    // entered (so a cycle ends), links to files and other entries count as files, and a folder
    // that cannot be read is skipped while the walk goes on.
    void WalksTheFileSystem_data() {
        QTest::addColumn<QByteArray>("Suffix");
        QTest::newRow("without separator") << QByteArray();
        QTest::newRow("with separator") << QByteArray("/");
    }
    void WalksTheFileSystem() {
        QFETCH(QByteArray, Suffix);
        TFileList List;
        auto* Form = new TSearchform(List);
        const QByteArray Locked = Root + "/locked/";
        Form->OpenDir = [&](const QByteArray& Folder) {
            return Folder == Locked ? nullptr : OpenDirEnumeration(Folder);
        };
        Form->SearchFolder(Root + Suffix);
        delete Form;
        QByteArrayList Found = Entries(List);
        std::sort(Found.begin(), Found.end());
        QByteArrayList Expected;
        for (const char* Name : {"a.txt", ".hidden", ".hiddendir/inner.txt", "sub/b.txt",
                                 "sub/deep/z.txt", "after/c.txt", "linkfile", "dangling", "fifo"})
            Expected.append(Root + '/' + Name);
        std::sort(Expected.begin(), Expected.end());
        QCOMPARE(Found, Expected);

        // Depth-first: the files below one folder stand together.
        const QByteArrayList InOrder = Entries(List);
        for (const QByteArray& Folder : {Root + "/sub/", Root + "/.hiddendir/"}) {
            QList<qsizetype> At;
            for (qsizetype I = 0; I < InOrder.size(); ++I)
                if (InOrder[I].startsWith(Folder)) At.append(I);
            QVERIFY(!At.isEmpty());
            QCOMPARE(At.last() - At.first() + 1, At.size());
        }
    }

    // Shown modally: the walk starts by itself, the list is cleared when it starts (not when
    // the window is made), the labels show the count and the last file, and the window closes
    // by itself and frees itself.
    void RunsAndClosesByItself_data() {
        QTest::addColumn<QByteArray>("Folder");
        QTest::addColumn<int>("Files");
        QTest::addColumn<QString>("Count");
        QTest::addColumn<QString>("Path");
        QTest::newRow("empty folder")
            << QByteArray("empty") << 0 << QStringLiteral("0") << QStringLiteral("*.*");
        QTest::newRow("three files")
            << QByteArray("sub3") << 3 << QStringLiteral("已搜索到的文件数:3")
            << QStringLiteral("/last.txt");
    }
    void RunsAndClosesByItself() {
        QFETCH(QByteArray, Folder);
        QFETCH(int, Files);
        QFETCH(QString, Count);
        QFETCH(QString, Path);
        const QString Base = Dir.path() + "/run/" + QString::fromUtf8(Folder);
        QVERIFY(QDir().mkpath(Base));
        if (Files == 3)
            for (const char* Name : {"one/first.txt", "two.txt", "zz/last.txt"})
                WriteFile(Base + '/' + Name);
        TFileList List;
        List.Add("left over from before");
        QPointer<TSearchform> Form = new TSearchform(List);
        QCOMPARE(List.Count(), 1);
        // The walk starts once the window is up, from Timer2, and the window is closed by Timer1
        // after the walk has returned.
        QList<bool> UpAtWalk;
        Form->OpenDir = [&](const QByteArray& Folder) {
            UpAtWalk << (Form->isVisible() && !Form->Timer2->isActive());
            return OpenDirEnumeration(Folder);
        };
        bool TimerAfterWalk = false;
        RunModal(Form, QFile::encodeName(Base), [&] {
            TimerAfterWalk = TimerAfterWalk || Form->Timer1->isActive();
            return false;
        });
        QVERIFY(!UpAtWalk.isEmpty() && !UpAtWalk.contains(false));
        QVERIFY(TimerAfterWalk);
        QVERIFY(Form);
        QVERIFY(!Form->isVisible());
        QCOMPARE(List.Count(), Files);
        QCOMPARE(Form->Label2->text(), Count);
        QVERIFY(Form->Label1->text().endsWith(Path));
        FlushDeletes();
        QVERIFY(!Form);
    }

    // Without a folder the window waits for the user and leaves the list alone.
    void WithoutFolderWaitsForTheUser() {
        TFileList List;
        List.Add("kept");
        QPointer<TSearchform> Form = new TSearchform(List);
        // Once Timer2 has come and gone, nothing is left to close the window but the user.
        bool StillOpen = false;
        RunModal(Form, QByteArray(), [&] {
            if (!Form->isVisible() || Form->Timer2->isActive()) return false;
            StillOpen = !Form->Timer1->isActive();
            return true;
        });
        QVERIFY(StillOpen);
        QCOMPARE(Entries(List), QByteArrayList{"kept"});
        QCOMPARE(Form ? Form->Label2->text() : QString(), QStringLiteral("0"));
        FlushDeletes();
        QVERIFY(!Form);
    }

    // The stop button, the close box and Escape during a deep walk hide the window at once,
    // end every level of the walk right after the entry at hand, and keep what was found.
    void StopEndsTheWalk_data() {
        QTest::addColumn<QString>("How");
        QTest::newRow("stop button") << QStringLiteral("button");
        QTest::newRow("close box") << QStringLiteral("close");
        QTest::newRow("escape") << QStringLiteral("escape");
    }
    void StopEndsTheWalk() {
        QFETCH(QString, How);
        // A tree without end: only the stop ends the walk (or, failing, 5000 folders down).
        TFakeTree Tree;
        Tree.Endless = 5000;
        TFileList List;
        QPointer<TSearchform> Form = new TSearchform(List);
        Form->OpenDir = Tree.Opener();
        // Asks for the stop once the walk is ten folders down; it comes in at a pump.
        Tree.OnOpen = [&](const QByteArray& Folder) {
            if (Folder.count("next/") != 10) return;
            QTimer::singleShot(0, Form, [&] {
                if (How == "button")
                    Form->SpeedButton1->click();
                else if (How == "close")
                    Form->close();
                else
                    QTest::keyClick(Form, Qt::Key_Escape);
            });
        };
        int FoundAtStop = -1;
        qsizetype OpenedAtStop = -1;
        bool VisibleAtStop = true;
        auto Record = [&] {
            if (FoundAtStop >= 0) return;
            FoundAtStop = List.Count();
            OpenedAtStop = Tree.Opened.size();
            VisibleAtStop = Form->isVisible();
        };
        connect(Form->SpeedButton1, &QToolButton::clicked, Form, Record);
        connect(Form, &QDialog::finished, Form, Record);
        RunModal(Form, "/deep/");
        QVERIFY2(Tree.Opened.size() < Tree.Endless, "the walk went on after the stop");
        QVERIFY(FoundAtStop >= 10 * 10);  // ten folders down, ten files in each before "next"
        QVERIFY(!VisibleAtStop);
        QCOMPARE(List.Count(), FoundAtStop);
        QCOMPARE(Tree.Opened.size(), OpenedAtStop);
        for (int I = 0; I < List.Count(); ++I)
            QVERIFY(List[I].startsWith("/deep/f") || List[I].startsWith("/deep/next/"));
        // The window goes once Timer1 has closed it after the walk.
        QTRY_VERIFY_WITH_TIMEOUT(!Form, 5000);
    }

    // The current path fits the label and keeps its end, the file name.
    void CompactPathFitsAndKeepsTheName_data() {
        QTest::addColumn<QString>("Path");
        QTest::addColumn<int>("Width");
        QTest::addColumn<QString>("Expected");  // empty: only the checks below
        QTest::newRow("fits") << QStringLiteral("/tmp/a.txt") << 337
                              << QStringLiteral("/tmp/a.txt");
        QTest::newRow("long folder")
            << "/home/user/" + QString(200, u'd') + "/name.txt" << 337 << QString();
        QTest::newRow("wide characters")
            << "/数据/" + QString(80, u'文') + "/结果.txt" << 337 << QString();
        QTest::newRow("long name") << "/tmp/" + QString(300, u'n') + ".dat" << 200 << QString();
    }
    void CompactPathFitsAndKeepsTheName() {
        QFETCH(QString, Path);
        QFETCH(int, Width);
        QFETCH(QString, Expected);
        TFileList List;
        auto* Form = new TSearchform(List);
        const QFontMetrics Metrics = Form->Label1->fontMetrics();
        const QString Short = CompactPath(Path, Metrics, Width);
        delete Form;
        if (!Expected.isEmpty()) {
            QCOMPARE(Short, Expected);
            return;
        }
        QVERIFY(Metrics.horizontalAdvance(Short) <= Width);
        QVERIFY(Short.size() < Path.size());
        const QString Name = Path.mid(Path.lastIndexOf(u'/') + 1);
        if (Metrics.horizontalAdvance("...Q" + Name) <= Width) {
            // The folder part gives way: its start, "...", then the whole name.
            QVERIFY(Short.endsWith(".../" + Name));
            QVERIFY(Path.startsWith(Short.left(Short.size() - Name.size() - 4)));
            QVERIFY(Short.size() > Name.size() + 5);
        } else {
            // The name alone is too wide: its end is kept.
            QVERIFY(Name.endsWith(Short.mid(1)));
        }
    }
};

QUERNIX_UI_TEST_MAIN(TSearchformTest)
#include "searchform_test.moc"

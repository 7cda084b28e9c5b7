// The batch run with the window's operations stubbed: its guards, order of steps, results and
// stops.
#include <fcntl.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

#include <QDir>
#include <QFile>
#include <QMimeData>
#include <QRegularExpression>
#include <QSet>
#include <QTemporaryDir>
#include <QTest>
#include <algorithm>
#include <cstring>
#include <functional>
#include <optional>
#include <utility>

#include "BatchRun.h"
#include "DragDropModule2011.h"
#include "FileList.h"
#include "Searchformutil.h"
#include "VerifyRun.h"
#include "hashhead.h"
#include "ui_test_main.h"

namespace {

const QStringList AlgorithmNames = {"haval",  "md2",    "md4",    "md5",       "sha1",
                                    "sha256", "sha384", "sha512", "ripemd128", "ripemd160",
                                    "tiger",  "crc32",  "crc64",  "adler32"};

// Records every operation the run asks of the window, in order.
class TStubWindow : public TBatchWindow {
public:
    QStringList Items = AlgorithmNames;
    int Index = 3;
    QStringList Log;
    QList<TResultRecord> Results;
    int OverallMaximum = -1, OverallPosition = -1, FileMaximum = -1, FilePosition = -1;
    QString Percent, Path;
    bool Enabled = true;
    int Pumps = 0;
    // Runs inside the Nth pump (1-based), as a command would.
    std::function<void(int)> OnPump;

    void SetOverallMaximum(int V) override {
        Log << QStringLiteral("overall max %1").arg(OverallMaximum = V);
    }
    void SetOverallPosition(int V) override {
        Log << QStringLiteral("overall %1").arg(OverallPosition = V);
    }
    void SetFileMaximum(int V) override { FileMaximum = V; }
    void SetFilePosition(int V) override { Log << QStringLiteral("file %1").arg(FilePosition = V); }
    void SetPercentText(const QString& T) override {
        Log << QStringLiteral("percent ") + (Percent = T);
    }
    void SetPathText(const QString& T) override { Log << QStringLiteral("path ") + (Path = T); }
    void PumpMessages() override {
        Log << QStringLiteral("pump");
        ++Pumps;
        if (OnPump) OnPump(Pumps);
    }
    int SelectorCount() override { return int(Items.size()); }
    int SelectorIndex() override { return Index; }
    QString SelectorText(int I) override { return Items.value(I); }
    std::vector<int32_t> SelectorAlgorithms() override {
        return Chosen.empty() ? TBatchWindow::SelectorAlgorithms() : Chosen;
    }
    std::vector<int32_t> Chosen;  // several algorithms; empty: the selected item's
    void SetSelectorEnabled(bool E) override {
        Log << QStringLiteral("enabled %1").arg(Enabled = E);
    }
    void AppendResult(const TResultRecord& R) override {
        Log << QStringLiteral("result ") + QString::fromUtf8(R.Path);
        Results << R;
    }
    void AppendNote(TNoteKind Kind, const QString& Text1, const QString& Text2) override {
        Notes << QStringList{NoteClass(Kind), Text1, Text2}.join(u'|');
        Log << QStringLiteral("note ") + Notes.last();
    }
    void ScrollToEnd() override { Log << QStringLiteral("scroll"); }
    // The overall bar's positions in the order they were set.
    QList<int> OverallPositions() const {
        QList<int> Positions;
        for (const QString& Line : Log)
            if (Line.startsWith("overall ") && !Line.startsWith("overall max"))
                Positions << Line.mid(8).toInt();
        return Positions;
    }
    // Files that arrive while the run goes on: they join it at its next TakeArrivals.
    QList<QByteArray> Arrived;
    bool TakeArrivals(QList<QByteArray>& Files, QList<TUnreadFolder>&) override {
        if (Arrived.isEmpty()) return false;
        Files.append(std::exchange(Arrived, {}));
        return true;
    }
    QStringList Notes;  // "kind|text1|text2"
};

}  // namespace

class TBatchRunTest : public QObject {
    Q_OBJECT

private:
    QTemporaryDir Dir;
    QByteArray Make(const QString& Name, const QByteArray& Content) {
        QFile File(Dir.filePath(Name));
        if (!File.open(QIODevice::WriteOnly) || File.write(Content) != Content.size())
            qFatal("cannot write %s", qPrintable(File.fileName()));
        return QFile::encodeName(File.fileName());
    }
    QByteArray Missing(const QString& Name) { return QFile::encodeName(Dir.filePath(Name)); }

private slots:
    void init() { StopRequested = 0; }

    void guardsDoNothingAtAll_data() {
        QTest::addColumn<int>("FileCount");
        QTest::addColumn<int>("Index");
        QTest::addColumn<int>("ItemCount");
        QTest::newRow("empty list") << 0 << 3 << 14;
        QTest::newRow("no selection") << 1 << -1 << 14;
        QTest::newRow("index past the end") << 1 << 14 << 14;
        QTest::newRow("no items") << 1 << 0 << 0;
    }
    void guardsDoNothingAtAll() {
        QFETCH(int, FileCount);
        QFETCH(int, Index);
        QFETCH(int, ItemCount);
        QList<QByteArray> Files;
        for (int I = 0; I < FileCount; ++I)
            Files << Make(QStringLiteral("g%1").arg(I), "x");
        TStubWindow Window;
        Window.Index = Index;
        Window.Items = AlgorithmNames.mid(0, ItemCount);
        StopRequested = 1;
        HashFileList(Window, Files);
        QCOMPARE(Window.Log, QStringList());
        QCOMPARE(StopRequested, uint8_t(1));
    }

    // A folder between two files: the files get their blocks in list order, the folder a line
    // that says it was not searched; every path counts on the overall bar, the selector is off
    // while the run pumps and on again after it, and the run ends with its summary, scrolled.
    void folderInTheMiddleGetsALine() {
        const QByteArray A = Make("a.txt", "123456789");
        QVERIFY(QDir(Dir.path()).mkpath("folder"));
        const QByteArray Folder = Missing("folder");
        const QByteArray B = Make("b.txt", "abc");
        TStubWindow Window;
        QSet<bool> EnabledWhilePumping;
        QList<int> OverallAtPumps;
        Window.OnPump = [&](int) {
            EnabledWhilePumping << Window.Enabled;
            if (OverallAtPumps.value(OverallAtPumps.size() - 1) != Window.OverallPosition)
                OverallAtPumps << Window.OverallPosition;
        };
        HashFileList(Window, {A, Folder, B});

        // The overall bar by bytes: 9 of 12 after the first file, the folder counts none.
        QCOMPARE(EnabledWhilePumping, QSet<bool>{false});
        QCOMPARE(OverallAtPumps, QList<int>({750, 1000}));
        QCOMPARE(Window.OverallMaximum, OverallSteps);
        QCOMPARE(Window.OverallPosition, OverallSteps);
        QCOMPARE(Window.Results.size(), 2);
        QCOMPARE(Window.Results[0].Tag, QStringLiteral("[md5]:"));
        QCOMPARE(Window.Results[0].Path, A);
        QCOMPARE(Window.Results[0].Digest, QStringLiteral("25F9E794323B453885F5181F1B624D0B"));
        QCOMPARE(Window.Results[0].Lower, QStringLiteral("25f9e794323b453885f5181f1b624d0b"));
        QCOMPARE(Window.Results[1].Path, B);
        QCOMPARE(Window.Results[1].Digest, QStringLiteral("900150983CD24FB0D6963F7D28E17F72"));
        const QString Summary = QStringLiteral("2 个文件已计算，1 个失败");
        QCOMPARE(Window.Notes,
                 QStringList({"skipped|" + QString::fromUtf8(Folder) + "|是文件夹，未搜索",
                              "summary|" + Summary + "|"}));
        QCOMPARE(Window.Path, Summary);
        QCOMPARE(Window.FilePosition, 100);
        QCOMPARE(Window.FileMaximum, 100);
        QVERIFY(Window.Enabled);
        QCOMPARE(Window.Log.last(), QStringLiteral("scroll"));
    }

    void selectedAlgorithmNamesTagAndDigest_data() {
        QTest::addColumn<QString>("Name");
        QTest::addColumn<QString>("Digest");
        QTest::newRow("crc32") << "crc32"
                               << "CBF43926";
        QTest::newRow("adler32") << "adler32"
                                 << "091E01DE";
        QTest::newRow("md5") << "md5"
                             << "25F9E794323B453885F5181F1B624D0B";
        QTest::newRow("sha1") << "sha1"
                              << "F7C3BC1D808E04732ADF679965CCC34CA7AE3441";
    }
    void selectedAlgorithmNamesTagAndDigest() {
        QFETCH(QString, Name);
        QFETCH(QString, Digest);
        TStubWindow Window;
        Window.Index = int(AlgorithmNames.indexOf(Name));
        HashFileList(Window, {Make("digits", "123456789")});
        QCOMPARE(Window.Results.size(), 1);
        QCOMPARE(Window.Results[0].Tag, "[" + Name + "]:");
        QCOMPARE(Window.Results[0].Digest, Digest);
        QCOMPARE(Window.Results[0].Lower, Digest.toLower());
    }

    void emptyFileHasNoProgressAndTheDigestOfNothing() {
        TStubWindow Window;
        Window.FilePosition = 42;  // left from an earlier file
        Window.Percent = QStringLiteral("42%");
        const QByteArray Empty = Make("empty", QByteArray());
        HashFileList(Window, {Empty});
        QCOMPARE(Window.FilePosition, 42);
        QCOMPARE(Window.Percent, QStringLiteral("42%"));
        QCOMPARE(Window.Results.size(), 1);
        QCOMPARE(Window.Results[0].Tag, QStringLiteral("[md5]:"));
        QCOMPARE(Window.Results[0].Path, Empty);
        QCOMPARE(Window.Results[0].Digest, QStringLiteral("D41D8CD98F00B204E9800998ECF8427E"));
        QCOMPARE(Window.Results[0].Lower, QStringLiteral("d41d8cd98f00b204e9800998ecf8427e"));
    }

    // A search that found nothing but could not enter a folder still has a batch that says so.
    void unreadFolderAloneIsNamed() {
        TStubWindow Window;
        HashFileList(Window, {}, {{"/d/locked", EACCES}});
        QCOMPARE(Window.Notes,
                 QStringList({"failed|/d/locked|文件夹无法搜索：没有访问权限",
                              "summary|0 个文件已计算，0 个失败，1 个文件夹无法搜索|"}));
        QVERIFY(Window.Enabled);
    }

    // Names that are no file (missing, a folder) are not looked at for a stop: with nothing
    // else in the list, the run goes to its end.
    void namesWithoutFilesNeverTestTheStopFlag_data() {
        QTest::addColumn<bool>("Folders");
        QTest::newRow("missing files") << false;
        QTest::newRow("folders") << true;
    }
    void namesWithoutFilesNeverTestTheStopFlag() {
        QFETCH(bool, Folders);
        QList<QByteArray> Names;
        QStringList Notes;
        for (const char* Name : {"none1", "none2", "none3"}) {
            if (Folders) QVERIFY(QDir(Dir.path()).mkpath(Name));
            Names << Missing(Name);
            Notes << (Folders ? "skipped|" : "failed|") + QString::fromUtf8(Names.last()) +
                         (Folders ? "|是文件夹，未搜索" : "|文件不存在");
        }
        TStubWindow Window;
        // A stop given during the run is not looked at: no existing file follows.
        Window.OnPump = [](int) { StopRequested = 1; };
        HashFileList(Window, Names);
        // No bytes at all: every name counts the same.
        QCOMPARE(Window.OverallMaximum, OverallSteps);
        QCOMPARE(Window.OverallPosition, OverallSteps);
        QVERIFY(Window.Results.isEmpty());
        QCOMPARE(Window.Notes, Notes + QStringList{"summary|0 个文件已计算，3 个失败|"});
        QCOMPARE(Window.Log.last(), QStringLiteral("scroll"));
        for (const char* Name : {"none1", "none2", "none3"})
            QDir(Dir.path()).rmdir(Name);
    }

    void percentagesFollowTheChunks() {
        // Four chunks of 16384 bytes: positions 16385, 32769, 49153 and 65536.
        TStubWindow Window;
        HashFileList(Window, {Make("four-chunks", QByteArray(4 * 16384, 'q'))});
        QCOMPARE(Window.Log.filter("percent"),
                 QStringList({"percent 25%", "percent 50%", "percent 75%", "percent 100%"}));
        QCOMPARE(Window.FileMaximum, 100);
    }

    // The overall bar counts bytes, not files started: a quarter into the first of three equal
    // files is a twelfth of the batch. It never goes back and ends full.
    void overallBarGoesByBytes() {
        TStubWindow Window;
        const QByteArray Chunk(16384, 'o');
        HashFileList(Window, {Make("o1", Chunk.repeated(4)), Make("o2", Chunk.repeated(4)),
                              Make("o3", Chunk.repeated(4))});
        const QList<int> Overall = Window.OverallPositions();
        QCOMPARE(Window.OverallMaximum, OverallSteps);
        const qsizetype Quarter = Window.Log.indexOf("percent 25%");
        QVERIFY(Quarter >= 0 && Window.Log[Quarter + 1].startsWith("overall "));
        QCOMPARE(Window.Log[Quarter + 1], QStringLiteral("overall %1").arg(OverallSteps / 12));
        QCOMPARE(Window.Log[Window.Log.indexOf("result " + QString::fromUtf8(Missing("o1"))) - 2],
                 QStringLiteral("overall %1").arg(OverallSteps / 3));
        QVERIFY(std::is_sorted(Overall.begin(), Overall.end()));
        QCOMPARE(Overall.last(), OverallSteps);
    }

    // A list longer than a slice is measured while its first files are hashed, and a file that
    // joins meanwhile is measured with it: the bar waits at its start until the total is known,
    // then stands at the share of the bytes done, never goes back and ends full.
    void overallBarOfALongListWaitsForItsTotal() {
        TStubWindow Window;
        QList<QByteArray> Files{Make("l-big", QByteArray(65536, 'l'))};
        for (int I = 0; I < 2 * MeasureSliceFiles - 1; ++I)
            Files << Make(QStringLiteral("l%1").arg(I), QByteArray(1024, 'l'));
        const QList<QByteArray> Joined{Make("l-joined", QByteArray(65536, 'j'))};
        bool Sent = false;  // at the first pump, before any size but the first slice's is known
        Window.OnPump = [&](int) {
            if (!std::exchange(Sent, true)) Window.Arrived = Joined;
        };
        HashFileList(Window, Files);
        QCOMPARE(Window.Results.last().Path, Joined.first());
        const QList<int> Overall = Window.OverallPositions();
        QVERIFY(std::is_sorted(Overall.begin(), Overall.end()));
        QCOMPARE(Overall.last(), OverallSteps);
        // Known at the third file, once the joined file (the last of three slices) is measured:
        // 66,560 of 654,336 bytes in.
        QCOMPARE(*std::find_if(Overall.begin(), Overall.end(), [](int P) { return P > 0; }),
                 int(66560LL * OverallSteps / 654336));
    }

    void stopDuringAFileCancelsIt() {
        TStubWindow Window;
        const QByteArray Gone = Missing("gone");
        const QByteArray Big = Make("big", QByteArray(100000, 'b'));
        const QByteArray After = Make("after", "after");
        // At the pump after the big file's first chunk.
        Window.OnPump = [&](int) {
            if (Window.Path == QString::fromUtf8(Big) && !Window.Percent.isEmpty())
                StopRequested = 1;
        };
        HashFileList(Window, {Gone, Big, After});
        QVERIFY(Window.Results.isEmpty());
        // Cancelled at the chunk after the stop.
        QCOMPARE(Window.Log.filter(QRegularExpression("^percent \\d")).size(), 1);
        // Not hashed: the cancelled file and the one after it; the missing one failed.
        const QString Summary =
            QStringLiteral("0 个文件已计算，1 个失败；已被用户终止，2 个未计算");
        QCOMPARE(Window.Notes,
                 (QStringList{"failed|" + QString::fromUtf8(Gone) + "|文件不存在",
                              "failed|" + QString::fromUtf8(Big) + "|已终止，未计算完",
                              "summary|" + Summary + "|"}));
        QCOMPARE(Window.Path, Summary);
        QCOMPARE(Window.OverallPosition, 0);
        QCOMPARE(Window.FilePosition, 0);
        QVERIFY(Window.Enabled);
        QCOMPARE(Window.Log.last(), QStringLiteral("scroll"));
    }

    void stopBetweenFilesIsSeenAtTheNextFile_data() {
        QTest::addColumn<QByteArray>("Second");
        QTest::addColumn<QString>("Summary");
        // An empty file reports no progress, so it is hashed whole before the flag is tested.
        QTest::newRow("next file empty")
            << QByteArray() << "2 个文件已计算，0 个失败；已被用户终止，1 个未计算";
        QTest::newRow("next file not empty")
            << QByteArray(50000, 's') << "1 个文件已计算，0 个失败；已被用户终止，2 个未计算";
    }
    void stopBetweenFilesIsSeenAtTheNextFile() {
        QFETCH(QByteArray, Second);
        QFETCH(QString, Summary);
        TStubWindow Window;
        const QByteArray First = Make("first", "first");
        const QByteArray Next = Make("second", Second);
        const QByteArray Third = Make("third", "third");
        // At the pump before the second file: the bar is on it, the first file's name still shown.
        Window.OnPump = [&](int) {
            if (Window.Results.size() == 1 && Window.Path == QString::fromUtf8(First))
                StopRequested = 1;
        };
        HashFileList(Window, {First, Next, Third});
        QCOMPARE(Window.Results.size(), Second.isEmpty() ? 2 : 1);
        QVERIFY(!Window.Log.contains("path " + QString::fromUtf8(Third)));  // never reached
        QCOMPARE(Window.Notes.last(), "summary|" + Summary + "|");
        QCOMPARE(Window.OverallPosition, 0);
        QCOMPARE(Window.FilePosition, 0);
        QVERIFY(Window.Enabled);
    }

    // Files that arrive while a run goes on join its end: one run hashes them all and one
    // summary counts them; the overall bar never moves back and ends full. A stop also ends the
    // files still waiting to join, and the summary counts them as not hashed.
    void arrivalsJoinTheRun_data() {
        QTest::addColumn<QString>("When");
        QTest::addColumn<int>("Hashed");
        QTest::addColumn<QString>("Summary");
        QTest::newRow("before the first file") << "first" << 4 << "4 个文件已计算，0 个失败";
        QTest::newRow("after the last file") << "last" << 4 << "4 个文件已计算，0 个失败";
        QTest::newRow("then a stop")
            << "stop" << 1 << "1 个文件已计算，0 个失败；已被用户终止，3 个未计算";
    }
    void arrivalsJoinTheRun() {
        QFETCH(QString, When);
        QFETCH(int, Hashed);
        QFETCH(QString, Summary);
        TStubWindow Window;
        const QList<QByteArray> Listed = {Make("j1", "one"), Make("j2", QByteArray(70000, 'j'))};
        const QList<QByteArray> Later = {Make("j3", QByteArray(90000, 'k')), Make("j4", "four")};
        bool Sent = false;
        Window.OnPump = [&](int) {
            if (Sent) return;
            if (When == "first" || (When == "last" && Window.Results.size() == 2)) {
                Window.Arrived = Later;
                Sent = true;
            } else if (When == "stop" && StopRequested == 1) {
                // While the stopped file is being cancelled.
                Window.Arrived = Later;
                Sent = true;
            } else if (When == "stop" && Window.Results.size() == 1) {
                StopRequested = 1;
            }
        };
        HashFileList(Window, Listed);
        QVERIFY(Sent);
        QCOMPARE(Window.Results.size(), Hashed);
        for (int I = 0; I < Hashed; ++I)
            QCOMPARE(Window.Results[I].Path, (Listed + Later)[I]);
        QCOMPARE(Window.Notes.last(), "summary|" + Summary + "|");
        QVERIFY(Window.Arrived.isEmpty());
        if (When == "stop") return;
        int Last = 0;
        for (const QString& Entry : Window.Log) {
            if (!Entry.startsWith(QLatin1String("overall ")) || Entry.startsWith("overall max"))
                continue;
            const int Position = Entry.mid(8).toInt();
            QVERIFY2(Position >= Last, qPrintable(Entry));
            Last = Position;
        }
        QCOMPARE(Last, OverallSteps);
    }

    void aStopBeforeTheRunIsCleared() {
        StopRequested = 1;
        TStubWindow Window;
        HashFileList(Window, {Make("one", "1"), Make("two", "2")});
        QCOMPARE(Window.Results.size(), 2);
        QCOMPARE(StopRequested, uint8_t(0));
    }

    void percentage_data() {
        QTest::addColumn<qint64>("Size");
        QTest::addColumn<qint64>("Position");
        QTest::addColumn<int>("Percent");
        QTest::newRow("29 of 100 through single precision") << qint64(100) << qint64(29) << 28;
        QTest::newRow("1 of 100, where double precision would give 1")
            << qint64(100) << qint64(1) << 0;
        QTest::newRow("57 of 100") << qint64(100) << qint64(57) << 56;
        QTest::newRow("50 of 100") << qint64(100) << qint64(50) << 50;
        QTest::newRow("whole file") << qint64(100) << qint64(100) << 100;
        QTest::newRow("past the end") << qint64(100) << qint64(150) << 100;
        QTest::newRow("empty file") << qint64(0) << qint64(0) << 100;
        QTest::newRow("one byte of many") << qint64(1) << qint64(1) << 100;
        QTest::newRow("beyond 32 bits") << (qint64(1) << 40) << (qint64(1) << 39) << 50;
        QTest::newRow("near the 64-bit end")
            << std::numeric_limits<qint64>::max() << std::numeric_limits<qint64>::max() / 4 << 25;
    }
    void percentage() {
        QFETCH(qint64, Size);
        QFETCH(qint64, Position);
        QFETCH(int, Percent);
        QCOMPARE(ProgressPercent(Size, Position), Percent);
    }

    void reportProgressOutsideARunOnlyAnswersTheStop() {
        int32_t Reply = 7;
        ReportProgress(0, 0, &Reply);
        QCOMPARE(Reply, 7);
        StopRequested = 1;
        ReportProgress(100, 50, &Reply);
        QCOMPARE(Reply, 999);
    }

    // A checksum file read for the window: names from the file's folder unless absolute; its
    // malformed lines counted, the first 200 kept; a file whose first thousand lines hold no
    // entry is given up, but malformed lines after an entry never end the reading.
    void readVerifyList_data() {
        QTest::addColumn<QByteArray>("Content");
        QTest::addColumn<QStringList>("Paths");  // relative ones below the list's folder
        QTest::addColumn<int>("Malformed");
        QTest::addColumn<int>("Shown");
        const QByteArray Md5 = "900150983cd24fb0d6963f7d28e17f72";
        const QByteArray Junk = "not a checksum line\n";
        QTest::newRow("relative and absolute names")
            << Md5 + "  a.txt\n" + Md5 + " */elsewhere/b.txt\nMD5 (sub/c) = " + Md5 + "\n"
            << QStringList{"a.txt", "/elsewhere/b.txt", "sub/c"} << 0 << 0;
        QTest::newRow("many malformed lines after an entry")
            << Md5 + "  a.txt\n" + Junk.repeated(1500) + Md5 + "  b.txt\n"
            << QStringList{"a.txt", "b.txt"} << 1500 << 200;
        QTest::newRow("999 malformed lines first") << Junk.repeated(999) + Md5 + "  a.txt\n"
                                                   << QStringList{"a.txt"} << 999 << 200;
        QTest::newRow("1000 malformed lines first") << Junk.repeated(1000) + Md5 + "  a.txt\n"
                                                    << QStringList{} << 1000 << 200;
    }
    void readVerifyList() {
        QFETCH(QByteArray, Content);
        QFETCH(QStringList, Paths);
        QFETCH(int, Malformed);
        QFETCH(int, Shown);
        QVERIFY(QDir(Dir.path()).mkpath("lists"));
        const TVerifyList List = ReadVerifyList(Make("lists/l.md5", Content));
        QCOMPARE(List.Error, 0);
        QStringList Got;
        for (const QByteArray& Path : List.Paths)
            Got << QString::fromUtf8(Path);
        for (QString& Path : Paths)
            if (!Path.startsWith(u'/')) Path = Dir.filePath("lists/" + Path);
        QCOMPARE(Got, Paths);
        QCOMPARE(int(List.Entries.size()), int(Paths.size()));
        QCOMPARE(int(List.MalformedCount), Malformed);
        QCOMPARE(int(List.Malformed.size()), Shown);
    }

    // Stopping a verify run: during a file's first read it is the batch's line (never a missing
    // file); during the reads of the other algorithms of its digest's length, no verdict is
    // given for a check that did not end.
    void stoppingAVerifyRun_data() {
        QTest::addColumn<bool>("InFallback");
        QTest::addColumn<QStringList>("Notes");  // "%1": the big file
        QTest::newRow("during the first read")
            << false
            << QStringList{
                   "failed|%1|已终止，未计算完",
                   "summary|0 个正确，0 个错误，0 个缺失或无法读取；已被用户终止，2 个未计算|"};
        QTest::newRow("during the same-length fallback")
            << true
            << QStringList{
                   "skipped|已终止，未验证完|",
                   "summary|0 个正确，0 个错误，0 个缺失或无法读取；已被用户终止，1 个未计算|"};
    }
    void stoppingAVerifyRun() {
        QFETCH(bool, InFallback);
        QFETCH(QStringList, Notes);
        const QByteArray Big = Make("verified.bin", QByteArray(300000, 'v'));
        Make("next.bin", "abc");
        // No algorithm of its length gives this digest: every one of them is tried.
        const TVerifyList List = ReadVerifyList(Make(
            "stop.txt", QByteArray(32, '0') + "  verified.bin\n900150983cd24fb0d6963f7d28e17f72  "
                                              "next.bin\n"));
        TVerifyChecks Checks(List, nullptr);
        TStubWindow Window;
        int Highest = 0;
        Window.OnPump = [&](int Pump) {
            // A second read of the file starts its bar again.
            const bool Again = Highest > 0 && Window.FilePosition < Highest;
            Highest = std::max(Highest, Window.FilePosition);
            if (InFallback ? Again : Pump == 2) StopRequested = 1;
        };
        HashFileList(Window, List.Paths, {}, &Checks);
        for (QString& Note : Notes)
            Note = Note.arg(QString::fromUtf8(Big));
        QCOMPARE(Window.Notes, Notes);
        QCOMPARE(Window.Results.size(), InFallback ? 1 : 0);
        QCOMPARE(Checks.Matched + Checks.Mismatched + Checks.Missing, 0);
    }

    // The checksum files beside a hashed file x.bin (x.bin.<algorithm>, <ALGORITHM>SUMS) are
    // checked under the algorithm they name, whatever the batch shows, in the file's one read;
    // the batch shows one block per chosen algorithm. A name with "%1" is shown as it is.
    void checksumFilesBeside_data() {
        QTest::addColumn<QString>("Chosen");     // the batch's algorithms, "md5,sha256"
        QTest::addColumn<QStringList>("Files");  // name=content; "X" stands for x%1.bin,
                                                 // "<alg>" for X's digest under alg
        QTest::addColumn<QStringList>("Notes");  // before the summary
        const QString Wrong = QString(32, u'0');
        QTest::newRow("X.md5 naming X in another folder")
            << "md5" << QStringList{"X.md5=<md5>  /elsewhere/X"}
            << QStringList{"ok|正确（md5）|与 X.md5 第 1 行一致"};
        QTest::newRow("MD5SUMS, ./X")
            << "md5" << QStringList{"MD5SUMS=" + Wrong + "  ./X\n"}
            << QStringList{"mismatch|错误（md5）|与 MD5SUMS 第 1 行不符\n应为 " + Wrong};
        QTest::newRow("md5 shown, X.sha256 checked")
            << "md5" << QStringList{"X.sha256=<sha256>  X\n"}
            << QStringList{"ok|正确（sha256）|与 X.sha256 第 1 行一致"};
        QTest::newRow("md5 shown, X.sfv checked as crc32")
            << "md5" << QStringList{"X.sfv=; made by hand\nX <crc32>\n"}
            << QStringList{"ok|正确（crc32）|与 X.sfv 第 2 行一致"};
        QTest::newRow("another algorithm's tag in MD5SUMS")
            << "md5" << QStringList{"MD5SUMS=SHA1 (X) = " + QString(40, u'0') + "\n"}
            << QStringList{"mismatch|错误（sha1）|与 MD5SUMS 第 1 行不符\n应为 " +
                           QString(40, u'0')};
        QTest::newRow("two shown, nothing beside")
            << "md5,sha256" << QStringList{} << QStringList{};
        QTest::newRow("several shown, two files, one wrong")
            << "sha1,md5"
            << QStringList{"X.md5=<md5>  X", "SHA256SUMS=" + QString(64, u'0') + "  X"}
            << QStringList{
                   "ok|正确（md5）|与 X.md5 第 1 行一致",
                   "mismatch|错误（sha256）|与 SHA256SUMS 第 1 行不符\n应为 " + QString(64, u'0')};
        QTest::newRow("a checksum file without checksum lines")
            << "md5" << QStringList{"X.sha1=hello\n"}
            << QStringList{"failed|X.sha1|不是校验文件：第 1 行 %1"};
    }
    void checksumFilesBeside() {
        QFETCH(QString, Chosen);
        QFETCH(QStringList, Files);
        QFETCH(QStringList, Notes);
        QTemporaryDir Here;
        const QString X = QStringLiteral("x%1.bin");
        // Larger than one piece of a read, so that a second read would show on the bar.
        const QByteArray Content = QByteArray("0123456789abcdef").repeated(40000);
        QFile Hashed(Here.filePath(X));
        QVERIFY(Hashed.open(QIODevice::WriteOnly) && Hashed.write(Content) == Content.size());
        Hashed.close();
        const QByteArray Path = QFile::encodeName(Hashed.fileName());
        // The expected digests come from reads of the file under one algorithm each.
        auto DigestOf = [&](const QString& Name) {
            engine::Request Request;
            Request.path = Path.toStdString();
            Request.algorithm = AlgorithmIdFromName(Name.toStdString());
            return QString::fromStdString(engine::HashPath(Request).digest).toLower();
        };
        for (const QString& File : Files) {
            const QString Name = File.section(u'=', 0, 0).replace(u'X', X);
            QString Text = File.section(u'=', 1).replace(u'X', X);
            for (const QString Algorithm : {"md5", "sha256", "crc32"})
                Text.replace("<" + Algorithm + ">", DigestOf(Algorithm));
            QFile Out(Here.filePath(Name));
            QVERIFY(Out.open(QIODevice::WriteOnly));
            Out.write(Text.toUtf8());
        }
        TStubWindow Window;
        QStringList Tags;
        for (const QString& Name : Chosen.split(u',')) {
            Window.Chosen.push_back(AlgorithmIdFromName(Name.toStdString()));
            Tags << "[" + Name + "]:";
        }
        TBesideChecks Checks(Window.Chosen);
        HashFileList(Window, {Path}, {}, &Checks);

        // One block per chosen algorithm, each with that algorithm's digest.
        QStringList Shown;
        for (const TResultRecord& Result : Window.Results) {
            Shown << Result.Tag;
            QCOMPARE(Result.Lower, DigestOf(Result.Tag.mid(1, Result.Tag.size() - 3)));
        }
        QCOMPARE(Shown, Tags);
        // One read: the file's bar never starts again.
        int Position = 0, Reads = 1;
        for (const QString& Entry : Window.Log)
            if (Entry.startsWith(QLatin1String("file "))) {
                const int Now = Entry.mid(5).toInt();
                if (Now < Position && Now > 0) ++Reads;
                if (Now > 0) Position = Now;
            }
        QCOMPARE(Reads, 1);

        QString Summary = QStringLiteral("1 个文件已计算，0 个失败");
        const int Ok = int(Notes.filter(QRegularExpression("^ok")).size());
        const int Bad = int(Notes.filter(QRegularExpression("^mismatch")).size());
        if (Ok + Bad > 0)
            Summary +=
                QStringLiteral("；与旁边的校验文件相比：%1 个正确，%2 个错误").arg(Ok).arg(Bad);
        for (QString& Note : Notes) {
            if (Note.startsWith(QLatin1String("failed")))
                Note = Note.arg(MalformedText(sums::Malformed{1}));
            Note.replace(u'X', X);
        }
        QCOMPARE(Window.Notes, Notes + QStringList{"summary|" + Summary + "|"});
    }

    // Bad input, by the way it comes in: each name gets its block or a line with the reason,
    // shown as it is on disk, and the good file beside it is hashed. As root the intake and
    // the batch run as an unprivileged user, for whom the locked entries are locked.
    void badInputIsNamed_data() {
        QTest::addColumn<QByteArray>("Name");  // the odd entry, made by the test below
        QTest::addColumn<bool>("Dropped");     // dropped, or found by a folder search
        QTest::addColumn<QString>("Note");     // the line it gets, without its path; empty: a block
        QTest::addColumn<QString>("Shown");    // how its path ends on the page
        QTest::newRow("unreadable file") << QByteArray("secret") << false << "failed|没有读取权限"
                                         << "/secret";
        QTest::newRow("unreadable folder")
            << QByteArray("locked") << false << "failed|文件夹无法搜索：没有访问权限"
            << "/locked";
        QTest::newRow("FIFO") << QByteArray("pipe") << false << "failed|不是普通文件，未读取"
                              << "/pipe";
        QTest::newRow("socket") << QByteArray("socket") << false << "failed|不是普通文件，未读取"
                                << "/socket";
        QTest::newRow("deleted after the search")
            << QByteArray("gone") << false << "failed|文件不存在"
            << "/gone";
        QTest::newRow("dropped folder")
            << QByteArray("folder") << true << "skipped|是文件夹，未搜索"
            << "/folder";
        QTest::newRow("dropped name not UTF-8")
            << QByteArray("caf\xe9.txt") << true << QString() << "/caf\\xE9.txt";
        QTest::newRow("newline in a searched name")
            << QByteArray("a\nb") << false << QString() << "/a\\nb";
        QTest::newRow("two spaces in a dropped name")
            << QByteArray("two  spaces .txt") << true << QString() << "/two  spaces .txt";
    }
    void badInputIsNamed() {
        QFETCH(QByteArray, Name);
        QFETCH(bool, Dropped);
        QFETCH(QString, Note);
        QFETCH(QString, Shown);
        const bool Root = ::geteuid() == 0;
        QTemporaryDir Here;
        // Open to the unprivileged user, who must see the good entries.
        QCOMPARE(::chmod(QFile::encodeName(Here.path()).constData(), 0755), 0);
        const QByteArray Base = QFile::encodeName(Here.path());
        const QByteArray Odd = Base + '/' + Name;
        auto WriteX = [](const QByteArray& Path) {
            const int Handle = ::open(Path.constData(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
            QVERIFY(Handle >= 0 && ::write(Handle, "x", 1) == 1);
            ::close(Handle);
        };
        WriteX(Base + "/ok.txt");
        if (Name == "pipe") {
            QCOMPARE(::mkfifo(Odd.constData(), 0644), 0);
        } else if (Name == "socket") {
            sockaddr_un Address{};
            Address.sun_family = AF_UNIX;
            QVERIFY(size_t(Odd.size()) < sizeof Address.sun_path);
            std::memcpy(Address.sun_path, Odd.constData(), size_t(Odd.size()));
            const int Socket = ::socket(AF_UNIX, SOCK_STREAM, 0);
            QCOMPARE(::bind(Socket, reinterpret_cast<sockaddr*>(&Address), sizeof Address), 0);
            ::close(Socket);
        } else if (Name == "folder" || Name == "locked") {
            QCOMPARE(::mkdir(Odd.constData(), Name == "locked" ? 0 : 0755), 0);
        } else {
            WriteX(Odd);
            if (Name == "secret") QCOMPARE(::chmod(Odd.constData(), 0), 0);
        }

        // Runs as the unprivileged user while it lives, when the test runs as root.
        struct TAsUser {
            const bool On;
            explicit TAsUser(bool Root) : On(Root && ::seteuid(65534) == 0) {}
            ~TAsUser() {
                if (On && ::seteuid(0) != 0) qFatal("cannot return to root");
            }
        };
        std::optional<TAsUser> User(std::in_place, Root);
        QList<QByteArray> Paths;
        QList<TUnreadFolder> Unread;
        if (Dropped) {
            QMimeData Data;
            const QByteArray Uris = "file://" + Odd.toPercentEncoding("/") + "\r\nfile://" +
                                    (Base + "/ok.txt").toPercentEncoding("/") + "\r\n";
            Data.setData(QStringLiteral("text/uri-list"), Uris);
            Paths = DroppedFiles(Data);
        } else {
            TFileList Found;
            TSearchform Search(Found);
            Search.SearchFolder(Base);
            Paths = Found.Snapshot();
            Unread = Search.Unread;
            if (Name == "gone") {
                User.reset();
                QCOMPARE(::unlink(Odd.constData()), 0);
                User.emplace(Root);
            }
        }
        TStubWindow Window;
        HashFileList(Window, Paths, Unread);
        User.reset();

        QStringList Hashed;
        for (const TResultRecord& Result : Window.Results) {
            QCOMPARE(Result.Digest, QStringLiteral("9DD4E461268C8034F5C8564E155C67A6"));  // "x"
            Hashed << DisplayPath(Result.Path);
        }
        const QString Dir = DisplayPath(Base);
        QStringList ExpectedHashed = {Dir + "/ok.txt"};
        if (Note.isEmpty()) ExpectedHashed << Dir + Shown;
        std::sort(Hashed.begin(), Hashed.end());
        std::sort(ExpectedHashed.begin(), ExpectedHashed.end());
        QCOMPARE(Hashed, ExpectedHashed);
        if (Note.isEmpty()) {
            QVERIFY(Window.Results.size() == 2 && Paths.contains(Odd));
            QCOMPARE(Window.Notes, QStringList{"summary|2 个文件已计算，0 个失败|"});
        } else {
            const QStringList Parts = Note.split(u'|');
            QCOMPARE(Window.Notes.first(), Parts[0] + '|' + Dir + Shown + '|' + Parts[1]);
            QCOMPARE(Window.Notes.size(), 2);
            QCOMPARE(Window.Notes.last(),
                     Name == "locked" ? "summary|1 个文件已计算，0 个失败，1 个文件夹无法搜索|"
                                      : "summary|1 个文件已计算，1 个失败|");
        }
        // What QTemporaryDir can't remove: a locked folder, a name that is not UTF-8.
        ::rmdir(Odd.constData());
        ::unlink(Odd.constData());
    }
};

QUERNIX_UI_TEST_MAIN(TBatchRunTest)
#include "batchrun_test.moc"

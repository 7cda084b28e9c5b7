#include "BatchRun.h"

#include <QCoreApplication>
#include <algorithm>
#include <atomic>
#include <cerrno>
#include <cmath>
#include <numeric>
#include <thread>
#include <vector>

#include "FileList.h"
#include "fanout.h"
#include "filehash.h"
#include "hashhead.h"

uint8_t StopRequested = 0;

namespace {

// The window of the run in progress, for ReportProgress (the progress procedure carries no
// context of its own).
TBatchWindow* ProgressWindow = nullptr;

// The overall bar of the run in progress, by bytes: each file counts with its size when it
// was listed (every file once, when all of those listed together are empty). Files that join
// the run add their bytes to the total; the bar then goes on from where it stands over the
// bytes left, so it never moves back and reaches its end with the last file.
struct TOverallProgress {
    int64_t Total = 0;      // all files
    int64_t Done = 0;       // the files before the current one
    int64_t Current = 0;    // the current file
    int64_t Reached = 0;    // how far the current file has got
    int64_t BaseBytes = 0;  // Done when files last joined
    int BaseSteps = 0;      // and the bar's position then
    // Adds the Bytes of files that join, between two files.
    void Grow(int64_t Bytes) {
        BaseSteps = Steps(Done);
        BaseBytes = Done;
        Total += Bytes;
    }
    // The bar's position with Position bytes of the current file read: a file read again (a
    // check under another algorithm) or grown since does not move the bar back or past it.
    int At(int64_t Position) {
        Reached = std::clamp(Position, Reached, Current);
        return Steps(Done + Reached);
    }
    int Steps(int64_t Bytes) const {
        if (Total <= BaseBytes) return BaseSteps;
        return BaseSteps +
               int(static_cast<long double>(Bytes - BaseBytes) * (OverallSteps - BaseSteps) /
                   static_cast<long double>(Total - BaseBytes));
    }
};
TOverallProgress* ProgressOverall = nullptr;

QString LowerAscii(const QString& Text) {
    QString Result = Text;
    for (QChar& C : Result)
        if (C >= u'A' && C <= u'Z') C = QChar(C.unicode() + (u'a' - u'A'));
    return Result;
}

// The batch's texts, translated in the context "BatchRun".
class TBatchTexts {
    Q_DECLARE_TR_FUNCTIONS(BatchRun)
};

QString TagOf(int32_t Algorithm) {
    const TAlgorithmInfo* Info = AlgorithmById(Algorithm);
    return QLatin1String("[") + QLatin1String(Info ? Info->Name : "") + QLatin1String("]:");
}

// Hashes the file of Request with every one of Algorithms in one read: one algorithm through
// the engine's own path, several through the fan-out, on as many threads as the machine has
// cores for them.
TMultiDigest ReadOnce(const engine::Request& Request, const std::vector<int32_t>& Algorithms) {
    TMultiDigest Out;
    if (Algorithms.size() == 1) {
        engine::Request One = Request;
        One.algorithm = Algorithms.front();
        engine::Result Result = engine::HashPath(One);
        Out.Error = Result.error;
        if (Result.ok()) Out.Digests.push_back(std::move(Result.digest));
        return Out;
    }
    const unsigned Cores = std::max(1u, std::thread::hardware_concurrency());
    const unsigned Helpers = std::min(unsigned(Algorithms.size() - 1), Cores - 1);
    parallel::MultiResult Result = parallel::HashPathMulti(Request, Algorithms, Helpers);
    Out.Error = Result.error;
    Out.Digests = std::move(Result.digests);
    return Out;
}

}  // namespace

std::vector<int32_t> TBatchWindow::SelectorAlgorithms() {
    const int Index = SelectorIndex();
    if (Index < 0 || Index >= SelectorCount()) return {};
    return {AlgorithmIdFromName(SelectorText(Index).toStdString())};
}

int ProgressPercent(int64_t FileSize, int64_t Position) {
    if (FileSize <= 0) return 100;
    // long double holds every 64-bit integer exactly; the ratio is then rounded to single
    // precision, and the product with 100 is exact in double.
    const float Ratio =
        float(static_cast<long double>(Position) / static_cast<long double>(FileSize));
    const double Percent = std::floor(double(Ratio) * 100.0);
    if (Percent >= 100.0) return 100;
    if (Percent <= 0.0) return 0;
    return int(Percent);
}

void ReportProgress(int64_t FileSize, int64_t Position, int32_t* Reply) {
    if (TBatchWindow* Window = ProgressWindow) {
        const int Percent = ProgressPercent(FileSize, Position);
        Window->SetFileMaximum(100);
        Window->SetFilePosition(Percent);
        Window->SetPercentText(QString::number(Percent) + u'%');
        if (ProgressOverall) Window->SetOverallPosition(ProgressOverall->At(Position));
        Window->PumpMessages();
    }
    if (StopRequested == 1) *Reply = HashCancelReply;
}

namespace {

// A request for a regular file whose progress goes to ReportProgress, the run's one progress
// procedure; its reply becomes the engine's stop flag, Stop.
engine::Request ReportingRequest(std::atomic<bool>& Stop) {
    engine::Request Request;
    Request.accept = engine::Accept::RegularFiles;
    Request.stop = &Stop;
    Request.progress = [&Stop](int64_t FileSize, int64_t Position) {
        int32_t Reply = 0;
        ReportProgress(FileSize, Position, &Reply);
        Stop = Reply == HashCancelReply;
    };
    return Request;
}

}  // namespace

void HashFileList(TBatchWindow& Window, const QList<QByteArray>& Files,
                  const QList<TUnreadFolder>& Unread, TBatchChecks* Checks) {
    if (Files.isEmpty() && Unread.isEmpty()) return;
    // The run's list: Files, then the files that join it.
    QList<QByteArray> List = Files;
    int Count = int(List.size());
    const int Selected = Window.SelectorIndex();
    if (Selected < 0) return;
    if (Selected > Window.SelectorCount() - 1) return;
    const std::vector<int32_t> Chosen = Window.SelectorAlgorithms();
    if (Chosen.empty()) return;
    StopRequested = 0;

    qsizetype UnreadCount = 0;
    const auto NoteUnread = [&](const QList<TUnreadFolder>& Folders) {
        for (const TUnreadFolder& Folder : Folders)
            Window.AppendNote(TNoteKind::Failed, DisplayPath(Folder.Path),
                              TBatchTexts::tr("文件夹无法搜索：%1").arg(SystemText(Folder.Error)));
        UnreadCount += Folders.size();
    };
    NoteUnread(Unread);
    int Hashed = 0, Failed = 0;  // a file cancelled by a stop is neither
    bool Stopped = false;
    bool Started = false;  // the bars and the selector are the run's once it has files
    const auto Start = [&] {
        if (Started || Count == 0) return;
        Started = true;
        Window.SetOverallMaximum(OverallSteps);
        Window.SetSelectorEnabled(false);
    };
    Start();

    // Puts back the progress window and bar of ReportProgress, and re-enables the selector when
    // an error from the result view ends the run early.
    TOverallProgress Overall;
    struct TRunScope {
        TBatchWindow& Window;
        TBatchWindow* const Outer = ProgressWindow;
        TOverallProgress* const OuterOverall = ProgressOverall;
        bool Finished = false;
        TRunScope(TBatchWindow& W, TOverallProgress& O) : Window(W) {
            ProgressWindow = &W;
            ProgressOverall = &O;
        }
        ~TRunScope() {
            ProgressWindow = Outer;
            ProgressOverall = OuterOverall;
            if (!Finished) Window.SetSelectorEnabled(true);
        }
    } Scope(Window, Overall);

    // The overall bar goes by bytes: it needs the sizes of all files listed. A long list is
    // measured a slice at a time before each file, so that the first results reach the page
    // while the rest are measured; until the total is known the bar stays where it is. Each file
    // counts once when all of them are empty. Files [0, Measured) have their sizes.
    std::vector<int64_t> Sizes;
    int Measured = 0;
    bool TotalKnown = false;
    // The bytes of the measured files from From on; when they are all empty, each counts one.
    const auto BytesFrom = [&](int From) {
        const int64_t Bytes = std::accumulate(Sizes.begin() + From, Sizes.end(), int64_t(0));
        if (Bytes > 0) return Bytes;
        std::fill(Sizes.begin() + From, Sizes.end(), 1);
        return int64_t(Count - From);
    };
    const auto MeasureSlice = [&](int Current) {
        if (TotalKnown) return;
        const int Until = std::min(Count, Measured + MeasureSliceFiles);
        Sizes.resize(size_t(Count), 0);
        for (; Measured < Until; ++Measured)
            Sizes[size_t(Measured)] = RegularFileSize(List[Measured]);
        if (Measured < Count) return;
        Overall.Total = BytesFrom(0);
        Overall.Done = std::accumulate(Sizes.begin(), Sizes.begin() + Current, int64_t(0));
        TotalKnown = true;
    };
    // The sizes of files that join the run once the total is known, which they add to.
    const auto MeasureJoined = [&](int From) {
        Sizes.resize(size_t(Count), 0);
        for (int I = From; I < Count; ++I) {
            Sizes[size_t(I)] = RegularFileSize(List[I]);
            if ((I - From) % 256 == 255) {
                Window.PumpMessages();
                // A long list is not looked at further once the run is to stop.
                if (StopRequested == 1) break;
            }
        }
        return BytesFrom(From);
    };
    // Files that arrived meanwhile join the end of the list. True when there were any.
    const auto Join = [&] {
        QList<QByteArray> More;
        QList<TUnreadFolder> MoreUnread;
        if (!Window.TakeArrivals(More, MoreUnread)) return false;
        NoteUnread(MoreUnread);
        if (More.isEmpty()) return !MoreUnread.isEmpty();
        const int From = Count;
        List.append(More);
        Count = int(List.size());
        if (TotalKnown) Overall.Grow(MeasureJoined(From));
        Start();
        return true;
    };

    // The engine's progress function is ReportProgress, the run's one progress procedure (it
    // reaches this window through the scope above); its reply becomes the engine's stop flag.
    std::atomic<bool> Stop = false;
    engine::Request Request = ReportingRequest(Stop);
    Request.algorithm = Chosen.front();
    // The current file's read: the algorithms it was hashed with and their digests. The checks
    // take their digests from it, and read the file again only under an algorithm it lacks,
    // with the same progress and stop.
    std::vector<int32_t> ReadWith;
    TMultiDigest Read;
    const TBatchChecks::TRehash Rehash = [&](int32_t Algorithm) {
        engine::Result Result;
        const auto Found = std::find(ReadWith.begin(), ReadWith.end(), Algorithm);
        if (Found != ReadWith.end()) {
            Result.error = Read.Error;
            if (Read.Ok()) Result.digest = Read.Digests[size_t(Found - ReadWith.begin())];
            return Result;
        }
        engine::Request Again = Request;
        Again.algorithm = Algorithm;
        Stop = StopRequested == 1;
        return engine::HashPath(Again);
    };

    for (int I = 0;; ++I) {
        if (I == Count) {
            // The list is done: files that arrived during its last file join it here.
            if (Started) Window.SetOverallPosition(Overall.Steps(Overall.Done));
            Window.PumpMessages();
            if (!Join() || I == Count) break;
        }
        MeasureSlice(I);
        Overall.Current = Sizes[size_t(I)];
        Overall.Reached = 0;
        Window.SetOverallPosition(Overall.Steps(Overall.Done));
        Window.PumpMessages();
        Join();
        const QByteArray& Path = List[I];
        const QString Shown = DisplayPath(Path);
        Window.SetPathText(Shown);
        // One read gives the blocks' algorithms and what the checks need besides.
        const std::vector<int32_t> Blocks = Checks ? Checks->UseAlgorithms(I, Chosen) : Chosen;
        ReadWith = Blocks;
        if (Checks)
            for (int32_t Wanted : Checks->Wants(I, Path))
                if (std::find(ReadWith.begin(), ReadWith.end(), Wanted) == ReadWith.end())
                    ReadWith.push_back(Wanted);
        Request.algorithm = Blocks.front();
        Request.path.assign(Path.constData(), size_t(Path.size()));
        Stop = false;
        Read = ReadOnce(Request, ReadWith);
        engine::Result Result;
        Result.error = Read.Error;
        if (Read.Ok()) {
            ++Hashed;
            Result.digest = Read.Digests.front();
            for (size_t A = 0; A < Blocks.size(); ++A) {
                TResultRecord Record;
                Record.Tag = TagOf(Blocks[A]);
                Record.Path = Path;
                Record.Digest = QString::fromStdString(Read.Digests[A]);
                Record.Lower = LowerAscii(Record.Digest);
                Record.Algorithm = Blocks[A];
                Window.AppendResult(Record);
            }
        }
        const bool Told = Checks && Checks->Check(Window, I, Path, Result, Rehash);
        Overall.Done += Overall.Current;
        if (!Result.ok()) {
            if (Result.error.kind != engine::Failure::Stopped) ++Failed;
            const QString Reason = FailureText(Result.error);
            const bool Folder =
                Result.error.kind == engine::Failure::NotRegular && Result.error.code == EISDIR;
            if (!Told)
                Window.AppendNote(Folder ? TNoteKind::Skipped : TNoteKind::Failed, Shown, Reason);
            // The status bar names no file without a result as if it were done.
            Window.SetFilePosition(0);
            Window.SetPercentText(QString());
            Window.SetPathText(Shown + QLatin1String("  ") + Reason);
            // A path that names no file is not looked at for a stop.
            if (Result.error.kind == engine::Failure::NotFound ||
                Result.error.kind == engine::Failure::NotRegular)
                continue;
        }
        if (StopRequested == 1) {
            Stopped = true;
            Window.SetOverallPosition(0);
            Window.SetFilePosition(0);
            Window.PumpMessages();
            // A stop ends the files waiting to join as well: the summary counts them.
            QList<QByteArray> More;
            QList<TUnreadFolder> MoreUnread;
            if (Window.TakeArrivals(More, MoreUnread)) {
                NoteUnread(MoreUnread);
                Count += int(More.size());
            }
            break;
        }
    }

    QString Summary = TBatchTexts::tr("%1 个文件已计算，%2 个失败").arg(Hashed).arg(Failed);
    if (UnreadCount > 0) Summary += TBatchTexts::tr("，%1 个文件夹无法搜索").arg(UnreadCount);
    if (Checks) Summary = Checks->Summary(Summary);
    if (Stopped)
        Summary += TBatchTexts::tr("；已被用户终止，%1 个未计算").arg(Count - Hashed - Failed);
    Window.AppendNote(TNoteKind::Summary, Summary, QString());
    Window.SetPathText(Summary);
    if (Started) Window.SetSelectorEnabled(true);
    Scope.Finished = true;
    Window.ScrollToEnd();
}

TMultiDigest HashOnce(TBatchWindow& Window, const QByteArray& Path,
                      const std::vector<int32_t>& Algorithms) {
    TMultiDigest Out;
    if (Algorithms.empty()) return Out;
    StopRequested = 0;
    struct TScope {
        TBatchWindow* const Outer = ProgressWindow;
        TOverallProgress* const OuterOverall = ProgressOverall;
        explicit TScope(TBatchWindow& W) {
            ProgressWindow = &W;
            ProgressOverall = nullptr;
        }
        ~TScope() {
            ProgressWindow = Outer;
            ProgressOverall = OuterOverall;
        }
    } Scope(Window);
    std::atomic<bool> Stop = false;
    engine::Request Request = ReportingRequest(Stop);
    Request.path.assign(Path.constData(), size_t(Path.size()));
    Window.SetPathText(DisplayPath(Path));
    Out = ReadOnce(Request, Algorithms);
    Window.SetFilePosition(0);
    Window.SetPercentText(QString());
    return Out;
}

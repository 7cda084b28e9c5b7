#include "BatchRun.h"

#include <QCoreApplication>
#include <atomic>
#include <cerrno>
#include <cmath>
#include <cstring>

#include "FileList.h"
#include "filehash.h"
#include "hashhead.h"

uint8_t StopRequested = 0;

namespace {

// The window of the run in progress, for ReportProgress (the progress procedure carries no
// context of its own).
TBatchWindow* ProgressWindow = nullptr;

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

}  // namespace

QString SystemText(int Code) {
    return QString::fromLocal8Bit(std::strerror(Code));
}

QString FailureText(const engine::Error& Error) {
    switch (Error.kind) {
        case engine::Failure::NotFound:
            return TBatchTexts::tr("文件不存在");
        case engine::Failure::Permission:
            return TBatchTexts::tr("没有读取权限");
        case engine::Failure::NotRegular:
            return Error.code == EISDIR ? TBatchTexts::tr("是文件夹，未搜索")
                                        : TBatchTexts::tr("不是普通文件，未读取");
        case engine::Failure::ReadError:
            return TBatchTexts::tr("读取错误：%1").arg(SystemText(Error.code));
        case engine::Failure::Changed:
            return TBatchTexts::tr("文件在读取时被改动");
        case engine::Failure::Stopped:
            return TBatchTexts::tr("已终止，未计算完");
        case engine::Failure::UnknownAlgorithm:
        case engine::Failure::None:
            break;
    }
    return TBatchTexts::tr("未知的算法");
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
        Window->PumpMessages();
    }
    if (StopRequested == 1) *Reply = HashCancelReply;
}

void HashFileList(TBatchWindow& Window, const QList<QByteArray>& Files,
                  const QList<TUnreadFolder>& Unread, TBatchChecks* Checks) {
    const int Count = int(Files.size());
    if (Count == 0 && Unread.isEmpty()) return;
    const int Selected = Window.SelectorIndex();
    if (Selected < 0) return;
    if (Selected > Window.SelectorCount() - 1) return;
    const int32_t AlgorithmId = AlgorithmIdFromName(Window.SelectorText(Selected).toStdString());
    StopRequested = 0;

    for (const TUnreadFolder& Folder : Unread)
        Window.AppendNote(TNoteKind::Failed, DisplayPath(Folder.Path),
                          TBatchTexts::tr("文件夹无法搜索：%1").arg(SystemText(Folder.Error)));
    int Hashed = 0, Failed = 0;  // a file cancelled by a stop is neither
    bool Stopped = false;
    if (Count > 0) {
        Window.SetOverallMaximum(Count);
        Window.SetSelectorEnabled(false);
    }

    // Puts back the progress window of ReportProgress, and re-enables the selector when an
    // error from the result view ends the run early.
    struct TRunScope {
        TBatchWindow& Window;
        TBatchWindow* const Outer = ProgressWindow;
        bool Finished = false;
        explicit TRunScope(TBatchWindow& W) : Window(W) { ProgressWindow = &W; }
        ~TRunScope() {
            ProgressWindow = Outer;
            if (!Finished) Window.SetSelectorEnabled(true);
        }
    } Scope(Window);

    // The engine's progress function is ReportProgress, the run's one progress procedure (it
    // reaches this window through the scope above); its reply becomes the engine's stop flag.
    std::atomic<bool> Stop = false;
    engine::Request Request;
    Request.algorithm = AlgorithmId;
    Request.accept = engine::Accept::RegularFiles;
    Request.stop = &Stop;
    Request.progress = [&Stop](int64_t FileSize, int64_t Position) {
        int32_t Reply = 0;
        ReportProgress(FileSize, Position, &Reply);
        Stop = Reply == HashCancelReply;
    };
    // The checks read a file again under another algorithm with the same progress and stop.
    const TBatchChecks::TRehash Rehash = [&Request, &Stop](int32_t Algorithm) {
        engine::Request Again = Request;
        Again.algorithm = Algorithm;
        Stop = StopRequested == 1;
        return engine::HashPath(Again);
    };

    for (int I = 0; I < Count; ++I) {
        Window.SetOverallPosition(I + 1);
        Window.PumpMessages();
        const QByteArray& Path = Files[I];
        const QString Shown = DisplayPath(Path);
        Window.SetPathText(Shown);
        if (Checks) Request.algorithm = Checks->UseAlgorithm(I, AlgorithmId);
        Request.path.assign(Path.constData(), size_t(Path.size()));
        Stop = false;
        const engine::Result Result = engine::HashPath(Request);
        if (Result.ok()) {
            ++Hashed;
            TResultRecord Record;
            Record.Tag = QLatin1String("[") + Window.SelectorText(Window.SelectorIndex()) +
                         QLatin1String("]:");
            Record.Path = Path;
            Record.Digest = QString::fromStdString(Result.digest);
            Record.Lower = LowerAscii(Record.Digest);
            Record.Algorithm = Request.algorithm;
            Window.AppendResult(Record);
        }
        const bool Told = Checks && Checks->Check(Window, I, Path, Result, Rehash);
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
            break;
        }
    }
    Window.PumpMessages();

    QString Summary = TBatchTexts::tr("%1 个文件已计算，%2 个失败").arg(Hashed).arg(Failed);
    if (!Unread.isEmpty()) Summary += TBatchTexts::tr("，%1 个文件夹无法搜索").arg(Unread.size());
    if (Checks) Summary = Checks->Summary(Summary);
    if (Stopped)
        Summary += (Window.NewBatchWaiting() ? TBatchTexts::tr("；因新的文件而终止，%1 个未计算")
                                             : TBatchTexts::tr("；已被用户终止，%1 个未计算"))
                       .arg(Count - Hashed - Failed);
    Window.AppendNote(TNoteKind::Summary, Summary, QString());
    Window.SetPathText(Summary);
    if (Count > 0) Window.SetSelectorEnabled(true);
    Scope.Finished = true;
    Window.ScrollToEnd();
}

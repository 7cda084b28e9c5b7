#include "BatchRun.h"

#include <cmath>
#include <vector>

#include "DirEnum.h"
#include "FileList.h"
#include "hashhead.h"

uint8_t StopRequested = 0;

namespace {

// The result buffer of one run; HashFile needs at most MaxHashTextLength of it.
constexpr int ResultBufferSize = 2000;

// The window of the run in progress, for ReportProgress (the progress procedure carries no
// context of its own).
TBatchWindow* ProgressWindow = nullptr;

QString LowerAscii(const QString& Text) {
    QString Result = Text;
    for (QChar& C : Result)
        if (C >= u'A' && C <= u'Z') C = QChar(C.unicode() + (u'a' - u'A'));
    return Result;
}

}  // namespace

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
    TBatchWindow* Window = ProgressWindow;
    if (Window) {
        const int Percent = ProgressPercent(FileSize, Position);
        Window->SetFileMaximum(100);
        Window->SetFilePosition(Percent);
        Window->SetPercentText(QString::number(Percent) + u'%');
        Window->PumpMessages();
    }
    if (StopRequested == 1) *Reply = HashCancelReply;
}

void HashFileList(TBatchWindow& Window, const QList<QByteArray>& Files) {
    const int Count = int(Files.size());
    if (Count == 0) return;
    const int Selected = Window.SelectorIndex();
    if (Selected < 0) return;
    if (Selected > Window.SelectorCount() - 1) return;
    const int32_t AlgorithmId = AlgorithmIdFromName(Window.SelectorText(Selected).toStdString());
    StopRequested = 0;

    std::vector<char> Buffer(ResultBufferSize);
    Window.SetOverallMaximum(Count);
    Window.SetSelectorEnabled(false);

    // Puts back the progress window, and re-enables the selector when an error from the result
    // view ends the run early.
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

    for (int I = 0; I < Count; ++I) {
        Window.SetOverallPosition(I + 1);
        Window.PumpMessages();
        const QByteArray& Path = Files[I];
        if (!RegularFileExists(Path)) continue;
        Window.SetPathText(DisplayPath(Path));
        int32_t Length = 0;
        std::fill(Buffer.begin(), Buffer.end(), '\0');
        HashFile(Path.constData(), AlgorithmId, ReportProgress, Buffer.data(), &Length);
        if (Length > 0) {
            TResultRecord Record;
            Record.Tag = QLatin1String("[") + Window.SelectorText(Window.SelectorIndex()) +
                         QLatin1String("]:");
            Record.Path = Path;
            Record.Digest = QString::fromLatin1(Buffer.data(), Length);
            Record.Lower = LowerAscii(Record.Digest);
            Window.AppendResult(Record);
        }
        if (StopRequested == 1) {
            Window.SetOverallPosition(0);
            Window.SetFilePosition(0);
            break;
        }
    }
    Buffer = {};
    Window.PumpMessages();
    Window.SetSelectorEnabled(true);
    Scope.Finished = true;
    Window.ScrollToEnd();
}

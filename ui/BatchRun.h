// The batch run: hashes every path of a file list with the selected algorithm and hands one
// result record per file to the window. It reaches the window only through TBatchWindow, so the
// run can be driven with those operations stubbed out.
#pragma once

#include <QByteArray>
#include <QList>
#include <QString>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "DirEnum.h"
#include "ErrorText.h"
#include "PageNote.h"
#include "filehash.h"

// The program-wide stop flag: 0 = go on, 1 = stop. Set by the stop commands and by closing the
// main window, cleared by a run once its guards have passed.
extern uint8_t StopRequested;

// One file's result, in the order the page's doit takes them.
struct TResultRecord {
    QString Tag;             // "[" + algorithm name + "]:"
    QByteArray Path;         // exactly as stored in the file list
    QString Digest;          // upper-case hexadecimal, as the hash service returned it
    QString Lower;           // the digest in lower case
    int32_t Algorithm = -1;  // the id it was computed with
};

// What a run needs of the window.
class TBatchWindow {
public:
    virtual ~TBatchWindow() = default;

    virtual void SetOverallMaximum(int Value) = 0;  // ProgressBar1, in OverallSteps by bytes
    virtual void SetOverallPosition(int Value) = 0;
    virtual void SetFileMaximum(int Value) = 0;  // ProgressBar2
    virtual void SetFilePosition(int Value) = 0;
    virtual void SetPercentText(const QString& Text) = 0;  // status bar panel 2
    virtual void SetPathText(const QString& Text) = 0;     // status bar panel 3
    // Handles every window message that is waiting, then returns.
    virtual void PumpMessages() = 0;
    virtual int SelectorCount() = 0;  // ComboBoxEx1
    virtual int SelectorIndex() = 0;  // -1 when nothing is selected
    virtual QString SelectorText(int Index) = 0;
    // The algorithms a file is hashed with, each giving a block: the selected item's first,
    // then any others chosen beside it. By default the selected item's alone.
    virtual std::vector<int32_t> SelectorAlgorithms();
    virtual void SetSelectorEnabled(bool Enabled) = 0;
    // Calls the page's doit with the record's four strings.
    virtual void AppendResult(const TResultRecord& Record) = 0;
    // Adds a line of Kind to the page beside the blocks: Text1, then Text2 (plain text).
    virtual void AppendNote(TNoteKind Kind, const QString& Text1, const QString& Text2) = 0;
    virtual void ScrollToEnd() = 0;
    // Files that arrived while the run was going (a drop, an open command, a folder search)
    // and join it at its end: appends them to Files, and the folders their search could not
    // enter to Unread. False when none wait.
    virtual bool TakeArrivals(QList<QByteArray>& Files, QList<TUnreadFolder>& Unread) {
        (void)Files;
        (void)Unread;
        return false;
    }
};

// The overall bar's range: the run's bytes, in this many steps.
constexpr int OverallSteps = 1000;
// How many files' sizes a run looks up before each file while its total is not known.
constexpr int MeasureSliceFiles = 256;
// What a batch checks its results against, plugged into the run: the checks of a verify run
// and of the checksum files beside hashed files (VerifyRun.h). The batch asks it for each
// file's algorithm, hands it each file's outcome, and lets it word the summary line.
class TBatchChecks {
public:
    virtual ~TBatchChecks() = default;
    // The algorithms file Index gets blocks under; Selected is the selector's choice. A check
    // that decides them itself also shows its choice in the selector.
    virtual std::vector<int32_t> UseAlgorithms(int Index, const std::vector<int32_t>& Selected) {
        (void)Index;
        return Selected;
    }
    // The algorithms the checks of file Index need beyond those: the batch computes them in the
    // same read of the file, and shows no block for them.
    virtual std::vector<int32_t> Wants(int Index, const QByteArray& Path) {
        (void)Index;
        (void)Path;
        return {};
    }
    // The file's digest under an algorithm: taken from the file's one read when it was among
    // the algorithms of that read, else the file is read again.
    using TRehash = std::function<engine::Result(int32_t Algorithm)>;
    // After file Index: Result is its digest or error under the first of UseAlgorithms. Adds
    // the verdict's line to the page. True when it has said why a failed file has no result;
    // the batch then adds no failure line of its own.
    virtual bool Check(TBatchWindow& Window, int Index, const QByteArray& Path,
                       const engine::Result& Result, const TRehash& Rehash) = 0;
    // The summary line, given the batch's own words on how many files were hashed and failed.
    virtual QString Summary(const QString& Hashed) const { return Hashed; }
};

// One run over Files, the list as it was when the run was asked for, and the files that join
// it on the way (TBatchWindow::TakeArrivals, asked before every file and at the end). Every path
// gets a result block or a line that says why it has none; Unread are named first, and one
// summary line ends the run, counting the files that joined. Only one run may be in progress
// at a time; the caller sees to that.
// Checks, when given, decides each file's algorithm, adds its verdicts beside the results and
// words the summary line.
void HashFileList(TBatchWindow& Window, const QList<QByteArray>& Files,
                  const QList<TUnreadFolder>& Unread = {}, TBatchChecks* Checks = nullptr);

// Reads Path once, as the batch reads its files, and hashes it with every one of Algorithms,
// with the batch's progress display and stop; for checking the results of a finished batch
// under other algorithms. The caller sees that no batch is running meanwhile.
struct TMultiDigest {
    std::vector<std::string> Digests;  // upper-case hexadecimal, in the order of Algorithms
    engine::Error Error;
    bool Ok() const { return Error.kind == engine::Failure::None; }
};
TMultiDigest HashOnce(TBatchWindow& Window, const QByteArray& Path,
                      const std::vector<int32_t>& Algorithms);

// The progress procedure handed to the hash service. It reaches the window of the run in
// progress.
void ReportProgress(int64_t FileSize, int64_t Position, int32_t* Reply);

// The percentage shown for Position of FileSize: the ratio is taken through single precision,
// so 29 of 100 gives 28. 100 at most, and 100 for an empty file.
int ProgressPercent(int64_t FileSize, int64_t Position);

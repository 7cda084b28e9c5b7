// The folder search window: walks one folder tree depth-first into a file list, with a running
// count, the current path and a stop button.
#pragma once

#include <QByteArray>
#include <QDialog>
#include <QElapsedTimer>
#include <QList>
#include <QString>

#include "DirEnum.h"

class QFontMetrics;
class QLabel;
class QTimer;
class QToolButton;
class TFileList;

class TSearchform : public QDialog {
    Q_OBJECT
public:
    // The search fills Files. The window frees itself once it has closed, so create it with new.
    explicit TSearchform(TFileList& Files, QWidget* Parent = nullptr);

    // --- Components.
    QLabel* Label1 = nullptr;  // the current path, shortened to the label's width
    QToolButton* SpeedButton1 = nullptr;
    QTimer* Timer1 = nullptr;  // one shot, 100 ms: closes the window
    QTimer* Timer2 = nullptr;  // one shot, 100 ms: starts the walk
    QLabel* Label2 = nullptr;  // the running count

    // --- Fields.
    QByteArray FolderPath;  // the folder to search, set before the window is shown
    bool StopSearch = false;
    int FoundCount = 0;
    // The folders of this search that could not be entered, in the order they were met.
    QList<TUnreadFolder> Unread;
    // Opens the enumeration of a folder; tests put failing folders in.
    TDirOpener OpenDir = OpenDirEnumeration;

    // Adds every file below Dir to the file list, depth-first in the order the file system
    // gives the entries, pumping the message queue after the entries (see PumpIntervalNs) and
    // ending after the entry at which StopSearch is found set.
    void SearchFolder(const QByteArray& Dir);

    // Caption of Label2 for Count files found.
    static QString CountText(int Count);
    // The labels are redrawn at most this often while the walk runs.
    static constexpr int LabelIntervalMs = 30;
    // Looking at the message queue costs more than taking an entry, so the walk looks at it
    // after an entry only once this long has passed since the last look: input waits a
    // millisecond at most, and the walk ends right after the entry at which a stop is seen.
    static constexpr qint64 PumpIntervalNs = 1000000;

    // --- Event handlers.
    void FormShow();
    void FormClose();
    void SpeedButton1Click();
    void Timer1Timer();
    void Timer2Timer();

protected:
    void showEvent(QShowEvent* Event) override;
    void closeEvent(QCloseEvent* Event) override;
    // Escape acts as the close box.
    void reject() override { close(); }

private:
    void PumpMessages();
    void FileFound(const QByteArray& Path);
    void ShowLabels();

    TFileList& FFiles;
    bool FWalking = false;
    bool FClosed = false;
    bool FLabelsChanged = false;
    bool FLabelsShown = false;
    QByteArray FLastPath;
    QElapsedTimer FSinceLabels;
    QElapsedTimer FSincePump;
};

// Path shortened to Width pixels in Metrics: the start of the folder part, "...", and the file
// name; the file name alone, cut at its start, when even that is too wide.
QString CompactPath(const QString& Path, const QFontMetrics& Metrics, int Width);

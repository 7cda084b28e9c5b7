// The main window's file intake: the open commands, the drop target and the deferred batch
// start after a drop.
#include <QTimer>

#include "Unit1.h"

void TForm1::OpenFiles() {
    // Filled in by the file intake (the Open dialog).
}

void TForm1::OpenFolder() {
    // Filled in by the file intake (the folder picker and the search window).
}

void TForm1::RegisterDropTarget() {
    // Filled in by the file intake (drag and drop).
}

void TForm1::RevokeDropTarget() {
    // Filled in by the file intake (drag and drop).
}

void TForm1::FilesDropped(const QList<QByteArray>& Paths) {
    // Filled in by the file intake (drag and drop).
    Q_UNUSED(Paths);
}

void TForm1::Timer1Timer() {
    Timer1->stop();
    HashFileList();
}

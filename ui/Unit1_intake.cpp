// The main window's file intake: the open commands, the drop target and the deferred batch
// start after a drop.
#include "Unit1_intake.h"

#include <QDir>
#include <QFile>
#include <QFileDialog>
#include <QMimeData>
#include <QPointer>
#include <QTimer>
#include <algorithm>
#include <utility>

#include "Browse4Folder.h"
#include "CommandLine.h"
#include "DirEnum.h"
#include "DragDropModule2011.h"
#include "Language.h"
#include "Searchformutil.h"
#include "Unit1.h"

namespace {

// Applies the user's always-on-top choice again when the command ends, however it ends.
struct TStayOnTopRestorer {
    TForm1& Form;
    ~TStayOnTopRestorer() {
        if (Form.StayOnTopChosen()) Form.SetStayOnTop(true);
    }
};

}  // namespace

// The window's Open dialog, made on first use and kept with its last folder and file name.
std::optional<QList<QByteArray>> ShowDialog(QWidget* Owner, const TOpenFilesQuestion&) {
    auto* OpenDialog1 =
        Owner->findChild<QFileDialog*>(QStringLiteral("OpenDialog1"), Qt::FindDirectChildrenOnly);
    if (!OpenDialog1) {
        OpenDialog1 = new QFileDialog(Owner, TForm1::tr("请选择一个或多个文件"));
        OpenDialog1->setObjectName(QStringLiteral("OpenDialog1"));
        OpenDialog1->setFileMode(QFileDialog::ExistingFiles);
        OpenDialog1->setWindowModality(Qt::ApplicationModal);
        FollowUiLanguage(*OpenDialog1);
        OpenDialog1->setSizeGripEnabled(true);
    }
    if (OpenDialog1->exec() != QDialog::Accepted) return std::nullopt;
    const QStringList Chosen = OpenDialog1->selectedFiles();
    QList<QByteArray> Files;
    for (const QString& File : Chosen)
        Files.append(ExistingPathBytes(File));
    if (!Chosen.isEmpty()) OpenDialog1->selectFile(Chosen.first());
    return Files;
}

std::optional<QByteArray> ShowDialog(QWidget* Owner, const TFolderQuestion& Question) {
    QByteArray Path;
    if (!BrowseForFolder(Question.Title, Question.RootFolder, Owner, Path)) return std::nullopt;
    return Path;
}

void TForm1::OpenFiles() {
    SetStayOnTop(false);
    TStayOnTopRestorer Restorer{*this};
    const std::optional<QList<QByteArray>> Files = AskUser(this, TOpenFilesQuestion{});
    if (!Files || Files->isEmpty()) return;
    ReplaceFileList(*Files);
    HashFileList();
}

void TForm1::OpenFolder() {
    SetStayOnTop(false);
    const std::optional<QByteArray> Path =
        AskUser(this, TFolderQuestion{tr("选择文件夹"), QString()});
    if (StayOnTopChosen()) SetStayOnTop(true);
    if (!Path || Path->isEmpty()) return;
    // The window frees itself once it has closed.
    QPointer<TSearchform> Searchform = new TSearchform(*FileList, this);
    Searchform->FolderPath = *Path;
    Searchform->exec();
    UnreadFolders = Searchform ? Searchform->Unread : QList<TUnreadFolder>();
    FileList->Sort();
    HashFileList();
}

void TForm1::RegisterDropTarget() {
    auto* DropTarget = new TTMyDrop(this);
    DropTarget->setObjectName(QStringLiteral("DropTarget"));
    DropTarget->SetDropHandler([this](TTMyDrop*, uint32_t Format, const QMimeData& Data) {
        if (Format == CF_HDROP) FilesDropped(DroppedFiles(Data));
    });
    DropTarget->Register(this);
}

void TForm1::RevokeDropTarget() {
    delete findChild<TTMyDrop*>(QStringLiteral("DropTarget"), Qt::FindDirectChildrenOnly);
}

void TForm1::FilesDropped(const QList<QByteArray>& Paths) {
    // The folders among the paths are searched when Timer1 starts the batch.
    FDroppedPaths = true;
    if (Timer1->isActive()) {
        // The files of a drop not yet started are still waiting: these join them.
        for (const QByteArray& Path : Paths)
            FileList->Add(Path);
        FileList->Sort();
        return;
    }
    FileList->Clear();
    UnreadFolders.clear();
    if (Paths.isEmpty()) return;
    ReplaceFileList(Paths);
    // The batch starts from the message loop once the drop has returned to its source.
    Timer1->start();
}

void TForm1::Timer1Timer() {
    Timer1->stop();
    if (FClosePending) return;
    const QList<QByteArray> Dropped = FileList->Snapshot();
    if (std::exchange(FDroppedPaths, false) &&
        std::any_of(Dropped.begin(), Dropped.end(), FolderExists)) {
        QList<TUnreadFolder> Unread;
        ReplaceFileList(SearchFolders(Dropped, Unread));
        UnreadFolders = Unread;
    }
    HashFileList();
}

QList<QByteArray> TForm1::SearchFolders(const QList<QByteArray>& Paths,
                                        QList<TUnreadFolder>& Unread) {
    QList<QByteArray> Files;
    for (const QByteArray& Path : Paths) {
        if (!FolderExists(Path)) {
            Files.append(Path);
            continue;
        }
        // In sorted mode, so that the search window sorts what it found before it closes.
        TFileList Found;
        Found.Sort();
        // The window frees itself once it has closed.
        QPointer<TSearchform> Searchform = new TSearchform(Found, this);
        Searchform->FolderPath = Path;
        Searchform->exec();
        if (Searchform) Unread.append(Searchform->Unread);
        Files.append(Found.Snapshot());
    }
    return Files;
}

void TForm1::OpenCommandLinePaths(const QList<QByteArray>& Paths) {
    const QByteArray Cwd = QFile::encodeName(QDir::currentPath());
    QList<QByteArray> Absolute;
    for (const QByteArray& Given : Paths)
        Absolute.append(AbsolutePath(Given, Cwd));
    QList<TUnreadFolder> Unread;
    const QList<QByteArray> Files = SearchFolders(Absolute, Unread);
    ReplaceFileList(Files);
    UnreadFolders = Unread;
    FDroppedPaths = false;
    // As after a drop, the batch starts from the message loop; a folder that could not be
    // searched is named by a batch even when nothing else was found.
    if (!Files.isEmpty() || !Unread.isEmpty()) Timer1->start();
}

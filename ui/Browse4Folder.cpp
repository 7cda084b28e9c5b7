#include "Browse4Folder.h"

#include <QDir>
#include <QFileDialog>
#include <QFileInfo>

#include "DirEnum.h"
#include "Language.h"

bool BrowseForFolder(const QString& Title, const QString& RootFolder, QWidget* Owner,
                     QByteArray& Path) {
    Path.clear();
    const QString Start =
        !RootFolder.isEmpty() && QFileInfo(RootFolder).isDir() ? RootFolder : QDir::homePath();
    QFileDialog Dialog(Owner, Title, Start);
    Dialog.setFileMode(QFileDialog::Directory);
    Dialog.setOption(QFileDialog::ShowDirsOnly);
    Dialog.setWindowModality(Qt::ApplicationModal);
    FollowUiLanguage(Dialog);
    if (Dialog.exec() != QDialog::Accepted) return false;
    const QStringList Chosen = Dialog.selectedFiles();
    if (Chosen.isEmpty()) return true;
    const QByteArray Folder =
        ExistingPathBytes(QDir::cleanPath(QFileInfo(Chosen.first()).absoluteFilePath()));
    if (FolderExists(Folder)) Path = Folder;
    return true;
}

#include "Browse4Folder.h"

#include <QDir>
#include <QFile>
#include <QFileDialog>
#include <QFileInfo>

bool BrowseForFolder(const QString& Title, const QString& RootFolder, QWidget* Owner,
                     QByteArray& Path) {
    Path.clear();
    const QString Start =
        !RootFolder.isEmpty() && QFileInfo(RootFolder).isDir() ? RootFolder : QDir::homePath();
    QFileDialog Dialog(Owner, Title, Start);
    Dialog.setFileMode(QFileDialog::Directory);
    Dialog.setOption(QFileDialog::ShowDirsOnly);
    Dialog.setWindowModality(Qt::ApplicationModal);
    if (Dialog.exec() != QDialog::Accepted) return false;
    const QStringList Chosen = Dialog.selectedFiles();
    if (Chosen.isEmpty()) return true;
    const QFileInfo Folder(Chosen.first());
    if (Folder.isDir()) Path = QFile::encodeName(QDir::cleanPath(Folder.absoluteFilePath()));
    return true;
}

// The folder picker.
#pragma once

#include <QByteArray>
#include <QString>

class QWidget;

// Shows the folder picker titled Title, starting at RootFolder (the home folder when it is
// empty or no folder), modal over the application's windows. Only existing folders can be
// chosen. True with the folder's absolute path in Path, without a trailing separator except
// for the root "/"; false with Path empty when the user cancels.
bool BrowseForFolder(const QString& Title, const QString& RootFolder, QWidget* Owner,
                     QByteArray& Path);

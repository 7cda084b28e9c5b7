// The dialogs of the main window's open commands. Tests put their own answers in place of them.
#pragma once

#include <QByteArray>
#include <QList>
#include <QString>
#include <functional>

class QWidget;

// Asks for one or more existing files; true with their absolute paths in Files, in the order
// the dialog gives them, or false when the user cancels.
using TOpenFilesPrompt = std::function<bool(QWidget* Owner, QList<QByteArray>& Files)>;
// Asks for a folder, as BrowseForFolder does.
using TFolderPrompt = std::function<bool(const QString& Title, const QString& RootFolder,
                                         QWidget* Owner, QByteArray& Path)>;

// An empty function puts the real dialog back.
void SetOpenFilesPrompt(TOpenFilesPrompt Prompt);
void SetFolderPrompt(TFolderPrompt Prompt);

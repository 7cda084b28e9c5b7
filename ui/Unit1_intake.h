// The questions of the main window's open commands, asked through AskUser (DialogSeam.h).
#pragma once

#include <QByteArray>
#include <QList>
#include <QString>
#include <optional>

#include "DialogSeam.h"

// The Open dialog: one or more existing files, as absolute paths in the order the dialog gives
// them.
struct TOpenFilesQuestion {
    using TAnswer = QList<QByteArray>;
};
std::optional<QList<QByteArray>> ShowDialog(QWidget* Owner, const TOpenFilesQuestion& Question);

// The folder picker, as BrowseForFolder shows it: the chosen folder's absolute path (empty when
// the picker gave none).
struct TFolderQuestion {
    QString Title;
    QString RootFolder;
    using TAnswer = QByteArray;
};
std::optional<QByteArray> ShowDialog(QWidget* Owner, const TFolderQuestion& Question);

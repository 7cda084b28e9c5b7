// The file system as the windows see it: folder enumeration for the folder search (the
// entries of one folder, one at a time, in the order the file system gives them), and the
// bytes of a path that a dialog gave as text.
#pragma once

#include <QByteArray>
#include <QString>
#include <cstdint>
#include <functional>
#include <memory>

struct TDirEntry {
    enum TKind {
        File,           // anything that is not a folder: files, links to files, sockets, devices
        Directory,      // a folder, "." and ".." included
        DirectoryLink,  // a link to a folder: neither a file nor searched
    };
    QByteArray Name;
    TKind Kind = File;
};

class TDirEnumeration {
public:
    virtual ~TDirEnumeration() = default;
    // The next entry; false at the end.
    virtual bool Next(TDirEntry& Entry) = 0;
};

// Opens the enumeration of the folder Dir (which ends in a separator). It yields every entry,
// hidden ones, "." and ".." included. Null when the folder cannot be read, with errno saying
// why.
std::unique_ptr<TDirEnumeration> OpenDirEnumeration(const QByteArray& Dir);

// A folder that a search could not enter, and the errno of the failure.
struct TUnreadFolder {
    QByteArray Path;
    int Error = 0;
};

using TDirOpener = std::function<std::unique_ptr<TDirEnumeration>(const QByteArray& Dir)>;

// The bytes of the existing file or folder that Path, as a dialog gives it, names. Qt's dialogs
// read names as UTF-8 and put U+FFFD where a name is not; such a name is looked up again in its
// folder, and taken when exactly one entry there reads the same. Otherwise Path's UTF-8 bytes.
QByteArray ExistingPathBytes(const QString& Path);

// True when Path names a folder, or a link to one.
bool FolderExists(const QByteArray& Path);

// The size of the regular file that Path names (links followed); 0 for anything else, and when
// it cannot be looked at.
int64_t RegularFileSize(const QByteArray& Path);

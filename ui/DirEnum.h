// The file system as the windows see it: folder enumeration for the folder search (the
// entries of one folder, one at a time, in the order the file system gives them), and the
// batch's test whether a path names a file.
#pragma once

#include <QByteArray>
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
// hidden ones, "." and ".." included. Null when the folder cannot be read.
std::unique_ptr<TDirEnumeration> OpenDirEnumeration(const QByteArray& Dir);

using TDirOpener = std::function<std::unique_ptr<TDirEnumeration>(const QByteArray& Dir)>;

// True when Path names a regular file, or a link to one.
bool RegularFileExists(const QByteArray& Path);

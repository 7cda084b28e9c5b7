// The list of paths that a batch hashes.
#pragma once

#include <QByteArray>
#include <QList>
#include <QString>

// Paths are kept as the file system's bytes; they are decoded only for display. In sorted mode
// the entries stand in ascending order, compared without regard to case in the user's locale,
// and a path added later goes to its sorted place. Names that differ only in case are different
// files here, so an added path is dropped only when the very same bytes are already present.
class TFileList {
public:
    void Clear() { FItems.clear(); }
    void Add(const QByteArray& Path);
    // Switches to sorted mode (for the rest of the list's life) and sorts the entries.
    void Sort();
    bool Sorted() const { return FSorted; }

    int Count() const { return int(FItems.size()); }
    const QByteArray& operator[](int Index) const { return FItems[Index]; }
    // The entries as they are now; cheap to take, and unaffected by later changes of the list.
    QList<QByteArray> Snapshot() const { return FItems; }

private:
    QList<QByteArray> FItems;
    bool FSorted = false;
};

// A path as the user sees it: the bytes read as UTF-8, with replacement characters where they
// are not valid UTF-8.
QString DisplayPath(const QByteArray& Path);

// The order of sorted mode: negative, 0 or positive. Entries that compare equal without regard
// to case are ordered by their bytes, so the order is total and repeatable.
int ComparePaths(const QByteArray& A, const QByteArray& B);

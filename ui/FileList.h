// The list of paths that a batch hashes.
#pragma once

#include <QByteArray>
#include <QList>
#include <QString>

// Paths are kept as the file system's bytes; they are decoded only for display. In sorted mode
// the entries stand in ascending order, compared without regard to case in the user's locale,
// and a path added later goes to its sorted place. Names that differ only in case are different
// files here, so an added path is dropped only when the very same bytes are already present.
// Paths added in sorted mode are put in place together, the next time the list is read: a
// folder search adds its files one by one, and one sort and merge of them all costs far less
// than one insertion each.
class TFileList {
public:
    void Clear() {
        FItems.clear();
        FInOrder = 0;
    }
    void Add(const QByteArray& Path) { FItems.append(Path); }
    // Switches to sorted mode (for the rest of the list's life) and sorts the entries.
    void Sort();
    bool Sorted() const { return FSorted; }

    int Count() const {
        Settle();
        return int(FItems.size());
    }
    const QByteArray& operator[](int Index) const {
        Settle();
        return FItems[Index];
    }
    // The entries as they are now; cheap to take, and unaffected by later changes of the list.
    QList<QByteArray> Snapshot() const {
        Settle();
        return FItems;
    }
    // In sorted mode: puts the paths added since the list was last in order at their places
    // now, rather than at the next look at the list.
    void Settle() const;

private:
    // In sorted mode the first FInOrder entries are in order; the rest wait for Settle.
    mutable QList<QByteArray> FItems;
    mutable qsizetype FInOrder = 0;
    bool FSorted = false;
};

// A path as the user sees it, on the page, in the status bar and in copied text: the bytes read
// as UTF-8, spaces kept, and control characters, backslashes and bytes that are not UTF-8
// escaped as the command line escapes them (\n, \\, \xE9), so that the text maps back to one
// name.
QString DisplayPath(const QByteArray& Path);

// The order of sorted mode: negative, 0 or positive. Entries that compare equal without regard
// to case are ordered by their bytes, so the order is total and repeatable.
int ComparePaths(const QByteArray& A, const QByteArray& B);

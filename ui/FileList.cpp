#include "FileList.h"

#include <QCollator>
#include <QLocale>
#include <algorithm>

namespace {

const QCollator& PathCollator() {
    static const QCollator Collator = [] {
        QCollator C(QLocale::system());
        C.setCaseSensitivity(Qt::CaseInsensitive);
        return C;
    }();
    return Collator;
}

}  // namespace

QString DisplayPath(const QByteArray& Path) {
    return QString::fromUtf8(Path);
}

int ComparePaths(const QByteArray& A, const QByteArray& B) {
    const int ByText = PathCollator().compare(DisplayPath(A), DisplayPath(B));
    if (ByText != 0) return ByText;
    return A.compare(B);
}

void TFileList::Add(const QByteArray& Path) {
    if (!FSorted) {
        FItems.append(Path);
        return;
    }
    const auto Place = std::lower_bound(FItems.begin(), FItems.end(), Path,
                                        [](const QByteArray& Item, const QByteArray& Value) {
                                            return ComparePaths(Item, Value) < 0;
                                        });
    // The byte order breaks ties, so an identical path can only stand at the insertion place.
    if (Place != FItems.end() && *Place == Path) return;
    FItems.insert(Place, Path);
}

void TFileList::Sort() {
    FSorted = true;
    // Decoding and collating every comparison again would dominate for large lists.
    struct TKeyed {
        QCollatorSortKey Key;
        QByteArray Path;
    };
    QList<TKeyed> Keyed;
    Keyed.reserve(FItems.size());
    for (const QByteArray& Path : FItems)
        Keyed.append({PathCollator().sortKey(DisplayPath(Path)), Path});
    std::stable_sort(Keyed.begin(), Keyed.end(), [](const TKeyed& A, const TKeyed& B) {
        const int ByText = A.Key.compare(B.Key);
        return ByText != 0 ? ByText < 0 : A.Path < B.Path;
    });
    for (qsizetype I = 0; I < Keyed.size(); ++I)
        FItems[I] = Keyed[I].Path;
}

#include "FileList.h"

#include <QCollator>
#include <QLocale>
#include <algorithm>

namespace {

const QCollator& PathCollator() {
    static const QCollator Collator = [] {
        // The C locale says nothing about the order of names; the common linguistic order
        // stands in for it.
        QLocale Locale = QLocale::system();
        if (Locale.language() == QLocale::C)
            Locale = QLocale(QLocale::English, QLocale::UnitedStates);
        QCollator C(Locale);
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
    // Each path is decoded once, not at every comparison.
    QList<std::pair<QString, QByteArray>> Decoded;
    Decoded.reserve(FItems.size());
    for (const QByteArray& Path : FItems)
        Decoded.append({DisplayPath(Path), Path});
    const QCollator& Collator = PathCollator();
    std::stable_sort(Decoded.begin(), Decoded.end(), [&Collator](const auto& A, const auto& B) {
        const int ByText = Collator.compare(A.first, B.first);
        return ByText != 0 ? ByText < 0 : A.second < B.second;
    });
    for (qsizetype I = 0; I < Decoded.size(); ++I)
        FItems[I] = Decoded[I].second;
}

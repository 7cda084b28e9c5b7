#include "FileList.h"

#include <QCollator>
#include <QLocale>
#include <algorithm>

#include "pathtext.h"

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

// The text that the order compares: the bytes read as UTF-8.
QString SortText(const QByteArray& Path) {
    return QString::fromUtf8(Path);
}

}  // namespace

QString DisplayPath(const QByteArray& Path) {
    return QString::fromStdString(pathtext::Escaped(std::string_view(Path.constData(), Path.size()),
                                                    pathtext::Style::Display));
}

int ComparePaths(const QByteArray& A, const QByteArray& B) {
    const int ByText = PathCollator().compare(SortText(A), SortText(B));
    if (ByText != 0) return ByText;
    return A.compare(B);
}

namespace {

using TKeyed = std::pair<QString, QByteArray>;

// Paths in the order of sorted mode, each decoded once rather than at every comparison.
QList<TKeyed> SortedByText(QList<QByteArray>::const_iterator First,
                           QList<QByteArray>::const_iterator Last) {
    QList<TKeyed> Keyed;
    Keyed.reserve(Last - First);
    for (auto It = First; It != Last; ++It)
        Keyed.append({SortText(*It), *It});
    const QCollator& Collator = PathCollator();
    const auto Less = [&Collator](const TKeyed& A, const TKeyed& B) {
        const int ByText = Collator.compare(A.first, B.first);
        return ByText != 0 ? ByText < 0 : A.second < B.second;
    };
    // A folder search hands over its files in order already: one look at each neighbour is
    // all a list in order costs.
    if (!std::is_sorted(Keyed.begin(), Keyed.end(), Less))
        std::stable_sort(Keyed.begin(), Keyed.end(), Less);
    return Keyed;
}

}  // namespace

void TFileList::Sort() {
    if (FSorted) {
        // Already in order once the latest additions are in place.
        Settle();
        return;
    }
    FSorted = true;
    const QList<TKeyed> Keyed = SortedByText(FItems.cbegin(), FItems.cend());
    for (qsizetype I = 0; I < Keyed.size(); ++I)
        FItems[I] = Keyed[I].second;
    FInOrder = FItems.size();
}

void TFileList::Settle() const {
    if (!FSorted || FInOrder == FItems.size()) return;
    QList<TKeyed> Added = SortedByText(FItems.cbegin() + FInOrder, FItems.cend());
    // The merge keeps what was in order and drops an added path whose very bytes are there
    // already, as inserting the paths one by one would. The byte order breaks ties, so
    // identical paths meet as neighbours.
    QList<QByteArray> Merged;
    Merged.reserve(FItems.size());
    const QCollator& Collator = PathCollator();
    qsizetype Old = 0;
    QString OldText = Old < FInOrder ? SortText(FItems[0]) : QString();
    for (TKeyed& New : Added) {
        if (!Merged.isEmpty() && Merged.last() == New.second) continue;
        while (Old < FInOrder) {
            const int ByText = Collator.compare(OldText, New.first);
            if (ByText > 0 || (ByText == 0 && FItems[Old] >= New.second)) break;
            Merged.append(FItems[Old]);
            if (++Old < FInOrder) OldText = SortText(FItems[Old]);
        }
        if (Old < FInOrder && FItems[Old] == New.second) continue;
        Merged.append(std::move(New.second));
    }
    for (; Old < FInOrder; ++Old)
        Merged.append(FItems[Old]);
    FItems = std::move(Merged);
    FInOrder = FItems.size();
}

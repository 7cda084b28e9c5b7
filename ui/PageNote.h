// The kinds of line that the result page's note function adds beside the result blocks: a
// file that gave no result, a name that was not hashed, a batch's summary, and the outcomes of
// checking a file against a checksum list. Each kind has a style class of its own in the page.
#pragma once

#include <QString>

enum class TNoteKind {
    Failed,    // a file that could not be hashed: its path and the reason
    Skipped,   // a name that was not hashed on purpose (a dropped folder)
    Summary,   // how a batch ended
    Ok,        // a file whose digest matches the expected one
    Mismatch,  // a file whose digest differs from the expected one
    Missing,   // a listed file that is not there
};

// The style class of Kind in the page.
inline QString NoteClass(TNoteKind Kind) {
    switch (Kind) {
        case TNoteKind::Failed:
            return QStringLiteral("failed");
        case TNoteKind::Skipped:
            return QStringLiteral("skipped");
        case TNoteKind::Summary:
            return QStringLiteral("summary");
        case TNoteKind::Ok:
            return QStringLiteral("ok");
        case TNoteKind::Mismatch:
            return QStringLiteral("mismatch");
        case TNoteKind::Missing:
            return QStringLiteral("missing");
    }
    return QStringLiteral("failed");
}

// Checking results against checksum files: a checksum file verified in the window, and the
// checksum files that lie beside the files of an ordinary batch. Both plug into the batch run
// as its TBatchChecks; the batch stays one loop that hashes, shows progress and stops.
#pragma once

#include <QByteArray>
#include <QCoreApplication>
#include <QHash>
#include <QList>
#include <QSet>
#include <QString>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "BatchRun.h"
#include "checksumfile.h"
#include "filehash.h"

// A checksum file read for verifying: its entries with their names resolved against the
// checksum file's folder (absolute names stay as they are), and its malformed lines.
struct TVerifyList {
    QByteArray File;
    int Error = 0;  // errno of opening or reading the checksum file; 0 when it was read whole
    std::vector<sums::Entry> Entries;
    QList<QByteArray> Paths;  // one per entry
    // The first MaxMalformedShown malformed lines, and how many there were in all.
    std::vector<sums::Malformed> Malformed;
    uint64_t MalformedCount = 0;
    static constexpr size_t MaxMalformedShown = 200;
    // Reading stops after this many malformed lines before the first entry.
    static constexpr uint64_t MaxLeadingMalformed = 1000;
};

TVerifyList ReadVerifyList(const QByteArray& File);

// The checks of a verify run: each listed file against its line. OK, FAILED with the expected
// digest beside the computed one, or missing/unreadable with the reason; a digest whose
// algorithm was taken from its length alone may match another algorithm of that length, and
// then the verdict names it.
class TVerifyChecks : public TBatchChecks {
    Q_DECLARE_TR_FUNCTIONS(TVerifyChecks)

public:
    // ShowAlgorithm puts an algorithm in the selector while its files are hashed.
    TVerifyChecks(const TVerifyList& List, std::function<void(int32_t)> ShowAlgorithm);
    int32_t UseAlgorithm(int Index, int32_t Selected) override;
    bool Check(TBatchWindow& Window, int Index, const QByteArray& Path,
               const engine::Result& Result, const TRehash& Rehash) override;
    QString Summary(const QString& Hashed) const override;

    int Matched = 0, Mismatched = 0, Missing = 0;

private:
    const TVerifyList& FList;
    std::function<void(int32_t)> FShowAlgorithm;
};

// The checks of an ordinary batch: a hashed file X whose folder holds X.<algorithm>
// (X.md5, X.sha256, ..., X.sfv for crc32) or <ALGORITHM>SUMS (MD5SUMS, SHA256SUMS, ...) listing
// X under the algorithm in use gets the verdict beside its block. Each folder is listed once per
// batch, and its SUMS file read once; a folder without checksum files costs nothing per file.
class TBesideChecks : public TBatchChecks {
    Q_DECLARE_TR_FUNCTIONS(TBesideChecks)

public:
    explicit TBesideChecks(int32_t Algorithm);
    bool Check(TBatchWindow& Window, int Index, const QByteArray& Path,
               const engine::Result& Result, const TRehash& Rehash) override;
    QString Summary(const QString& Hashed) const override;

    int Matched = 0, Mismatched = 0;

private:
    struct TListed {
        std::string Expected;
        uint64_t Line = 0;
    };
    // The entries under the algorithm in use, by the name of the file they list.
    using TListing = QHash<QByteArray, TListed>;
    struct TFolder {
        bool Listed = false;   // false when the folder could not be listed
        QSet<QByteArray> Own;  // its files named like X.md5
        TListing Sums;         // what its SUMS file lists
    };
    const TFolder& FolderEntry(const QByteArray& Folder);
    TListing Read(const QByteArray& ChecksumFile, bool AnyFolder) const;
    // Where: the checksum file's name as shown.
    void Show(TBatchWindow& Window, const std::string& Computed, const TListed& Listed,
              const QString& Where);

    int32_t FAlgorithm;
    QByteArray FSuffix, FSumsName;  // ".md5" and "MD5SUMS"; empty when the algorithm has none
    QHash<QByteArray, TFolder> FFolders;
};

// A digest the user knows: from the clipboard or typed in.
struct TKnownDigest {
    std::string Hex;         // lower case
    int32_t Algorithm = -1;  // named by a BSD tag; -1 when any algorithm of that length fits
};
// Reads a digest from Text: hexadecimal digits in either case with spaces around them, or a
// GNU or BSD checksum line (the first line that is one). nullopt when there is none.
std::optional<TKnownDigest> ParseKnownDigest(const QString& Text);

// One result of the page, as saving and copying take it.
struct TSavedResult {
    QByteArray Path;
    int32_t Algorithm = -1;
    std::string Digest;  // upper-case hexadecimal
};

// Results written as a checksum file in Form. Names are relative to Folder (which ends in '/')
// when every path lies below it, absolute otherwise; an empty Folder keeps them absolute.
// nullopt when Form cannot carry a result (SFV: crc32 only); BadName then tells which. Style
// says how each line is written (its text member for the clipboard's text).
std::optional<std::string> ChecksumFileText(const std::vector<TSavedResult>& Results,
                                            sums::Form Form, const QByteArray& Folder,
                                            QByteArray* BadName = nullptr,
                                            const sums::LineStyle& Style = {});

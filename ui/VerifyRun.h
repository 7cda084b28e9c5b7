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

// The folder part of Path, with its final '/'; empty for a bare name.
QByteArray FolderOf(const QByteArray& Path);
// An algorithm's name as the window shows it.
QString AlgorithmText(int32_t Algorithm);

// The checks of a verify run: each listed file against its line. OK, FAILED with the expected
// digest beside the computed one, or missing/unreadable with the reason; a digest whose
// algorithm was taken from its length alone may match another algorithm of that length, and
// then the verdict names it.
class TVerifyChecks : public TBatchChecks {
    Q_DECLARE_TR_FUNCTIONS(TVerifyChecks)

public:
    // ShowAlgorithm puts an algorithm in the selector while its files are hashed.
    TVerifyChecks(const TVerifyList& List, std::function<void(int32_t)> ShowAlgorithm);
    std::vector<int32_t> UseAlgorithms(int Index, const std::vector<int32_t>& Selected) override;
    bool Check(TBatchWindow& Window, int Index, const QByteArray& Path,
               const engine::Result& Result, const TRehash& Rehash) override;
    QString Summary(const QString& Hashed) const override;

    int Matched = 0, Mismatched = 0, Missing = 0;

private:
    const TVerifyList& FList;
    std::function<void(int32_t)> FShowAlgorithm;
};

// The checks of an ordinary batch: a hashed file X whose folder holds X.<algorithm> (X.md5,
// X.sha256, ..., X.sfv for crc32) or a whole-named checksum file (MD5SUMS, SHA256SUMS, B3SUMS,
// ...) listing X gets the verdict beside its blocks, under the algorithm the checksum file names,
// whichever algorithms the batch shows: that algorithm is computed in the file's one read. Each
// folder is listed once per batch and its whole-named files read once; a folder without
// checksum files costs nothing per file. A checksum file that cannot be read or holds no
// checksum line is named with the reason, and the batch goes on.
class TBesideChecks : public TBatchChecks {
    Q_DECLARE_TR_FUNCTIONS(TBesideChecks)

public:
    // Selected: the batch's algorithms, whose X.<algorithm> files are looked for by name where
    // a folder cannot be listed.
    explicit TBesideChecks(std::vector<int32_t> Selected = {});
    std::vector<int32_t> Wants(int Index, const QByteArray& Path) override;
    bool Check(TBatchWindow& Window, int Index, const QByteArray& Path,
               const engine::Result& Result, const TRehash& Rehash) override;
    QString Summary(const QString& Hashed) const override;

    int Matched = 0, Mismatched = 0;

private:
    struct TListed {
        sums::Entry Entry;
        QString Where;  // the checksum file's name as shown
        sums::Candidates Tried;
    };
    // A checksum file that said nothing usable, and why.
    struct TProblem {
        QString Where, Why;
    };
    struct TFolder {
        bool Listed = false;                       // false when the folder could not be listed
        QHash<QByteArray, QList<QByteArray>> Own;  // X -> its files named like X.md5
        QHash<QByteArray, QList<TListed>> Sums;    // what its whole-named files list, by name
        QList<TProblem> Problems;                  // of its whole-named files
        bool ProblemsShown = false;
    };
    TFolder& FolderEntry(const QByteArray& Folder);
    // Reads ChecksumFile's entries into Into (by the name they list: its last component when
    // AnyFolder, else the name in its own folder); a problem when it gives none.
    std::optional<TProblem> Read(const QByteArray& ChecksumFile, const QString& Where,
                                 bool AnyFolder, QHash<QByteArray, QList<TListed>>& Into) const;

    std::vector<int32_t> FSelected;
    QHash<QByteArray, TFolder> FFolders;
    // The file the batch reads now, as Wants found it.
    QByteArray FPath;
    QList<TListed> FListed;
    QList<TProblem> FProblems;
};

// A digest the user knows: from the clipboard or typed in.
struct TKnownDigest {
    std::string Hex;         // lower case
    int32_t Algorithm = -1;  // named by a BSD tag; -1 when any algorithm of that length fits
};
// Reads a digest from Text: hexadecimal digits in either case with spaces around them, or a
// GNU or BSD checksum line (the first line that is one). nullopt when there is none.
std::optional<TKnownDigest> ParseKnownDigest(const QString& Text);

// The algorithms Digest can be of: the one its tag names, else every algorithm of its length
// in length order, with those far slower than the first left out for a file of Size bytes
// larger than a megabyte or of unknown size (-1). Empty for a length no algorithm has.
sums::Candidates DigestCandidates(const TKnownDigest& Digest, int64_t Size = 0);
// The first of Algorithms whose digest in Digests (the same order, upper case) is Digest's;
// -1 when none is.
int32_t MatchingAlgorithm(const TKnownDigest& Digest, const std::vector<int32_t>& Algorithms,
                          const std::vector<std::string>& Digests);

// A known digest checked in the same read as a batch of one file: the algorithms it can be of
// are computed beside the batch's, and Found names the one that matched. The checks of Inner,
// when given, run as well.
class TDigestEvidence : public TBatchChecks {
public:
    TDigestEvidence(const TKnownDigest& Digest, TBatchChecks* Inner);
    std::vector<int32_t> UseAlgorithms(int Index, const std::vector<int32_t>& Selected) override;
    std::vector<int32_t> Wants(int Index, const QByteArray& Path) override;
    bool Check(TBatchWindow& Window, int Index, const QByteArray& Path,
               const engine::Result& Result, const TRehash& Rehash) override;
    QString Summary(const QString& Hashed) const override;

    const TKnownDigest Digest;
    sums::Candidates Tried;  // for the file read
    int32_t Found = -1;      // the algorithm that matched, -1 when none did
    bool Compared = false;   // false when the file gave no digest

private:
    TBatchChecks* FInner;
};

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

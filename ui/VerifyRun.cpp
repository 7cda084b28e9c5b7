#include "VerifyRun.h"

#include <QPair>
#include <algorithm>
#include <cerrno>

#include "BatchRun.h"
#include "DirEnum.h"
#include "FileList.h"
#include "hashhead.h"
#include "hextext.h"

namespace {

QByteArray Bytes(const std::string& Text) {
    return QByteArray(Text.data(), qsizetype(Text.size()));
}

}  // namespace

QByteArray FolderOf(const QByteArray& Path) {
    return Path.left(Path.lastIndexOf('/') + 1);
}

QString AlgorithmText(int32_t Algorithm) {
    return QString::fromLatin1(sums::AlgorithmName(Algorithm));
}

// --- Verifying a checksum file.

TVerifyList ReadVerifyList(const QByteArray& File) {
    TVerifyList List;
    List.File = File;
    sums::InputFile Input(File.toStdString(), true);
    if (Input.Fd() < 0) {
        List.Error = Input.Error();
        return List;
    }
    const QByteArray Folder = FolderOf(File);
    sums::Reader Reader(sums::FromFd(Input.Fd()), {-1, File.toStdString()});
    while (std::optional<sums::Reader::Item> Item = Reader.Next()) {
        if (auto* Entry = std::get_if<sums::Entry>(&*Item)) {
            // Listed names are taken from the checksum file's folder, as its author meant.
            const QByteArray Listed = Bytes(Entry->name);
            List.Paths.append(Listed.startsWith('/') ? Listed : Folder + Listed);
            List.Entries.push_back(std::move(*Entry));
        } else {
            if (List.Malformed.size() < TVerifyList::MaxMalformedShown)
                List.Malformed.push_back(std::get<sums::Malformed>(std::move(*Item)));
            // A file whose first lines are none of them checksum lines is no checksum file;
            // a large one (a disk image chosen by mistake) is not read to its end.
            if (++List.MalformedCount == TVerifyList::MaxLeadingMalformed && List.Entries.empty())
                break;
        }
    }
    List.Error = Reader.ReadError();
    return List;
}

TVerifyChecks::TVerifyChecks(const TVerifyList& List, std::function<void(int32_t)> ShowAlgorithm)
    : FList(List), FShowAlgorithm(std::move(ShowAlgorithm)) {}

std::vector<int32_t> TVerifyChecks::UseAlgorithms(int Index, const std::vector<int32_t>&) {
    const int32_t Algorithm = FList.Entries[size_t(Index)].algorithm;
    if (FShowAlgorithm) FShowAlgorithm(Algorithm);
    return {Algorithm};
}

bool TVerifyChecks::Check(TBatchWindow& Window, int Index, const QByteArray& Path,
                          const engine::Result& Result, const TRehash& Rehash) {
    const sums::Entry& Entry = FList.Entries[size_t(Index)];
    sums::Verdict Verdict;  // Unreadable until read
    Verdict.error = Result.error;
    if (Result.ok())
        Verdict = sums::Verify(Entry, [&](int32_t Algorithm) {
            return Algorithm == Entry.algorithm ? Result : Rehash(Algorithm);
        });
    if (Verdict.kind == sums::Verdict::Kind::Unreadable) {
        // A stopped first read is the batch's to report; it was neither missing nor checked.
        // A stop during the other algorithms' reads leaves the check open: no algorithm tried
        // matched, but one not tried yet might have.
        if (Verdict.error.kind == engine::Failure::Stopped) {
            if (Result.ok())
                Window.AppendNote(TNoteKind::Skipped, tr("已终止，未验证完"), QString());
            return false;
        }
        ++Missing;
        Window.AppendNote(TNoteKind::Missing, DisplayPath(Path),
                          Verdict.error.kind == engine::Failure::NotFound
                              ? tr("缺失：文件不存在")
                              : tr("无法读取：%1").arg(FailureText(Verdict.error)));
        return true;
    }
    if (Verdict.kind == sums::Verdict::Kind::Match) {
        ++Matched;
        if (Verdict.fallback)
            Window.AppendNote(
                TNoteKind::Ok, tr("正确（%1）").arg(AlgorithmText(Verdict.algorithm)),
                tr("第 %1 行的校验值按长度当作 %2，实为 %3 的校验值")
                    .arg(Entry.line)
                    .arg(AlgorithmText(Entry.algorithm), AlgorithmText(Verdict.algorithm)));
        else
            Window.AppendNote(TNoteKind::Ok, tr("正确"), QString());
        return false;
    }
    ++Mismatched;
    Window.AppendNote(TNoteKind::Mismatch, tr("错误"),
                      tr("应为 %1\n实为 %2")
                          .arg(QString::fromStdString(Entry.expected),
                               QString::fromStdString(hextext::Lower(Verdict.computed))));
    return false;
}

QString TVerifyChecks::Summary(const QString&) const {
    QString Text =
        tr("%1 个正确，%2 个错误，%3 个缺失或无法读取").arg(Matched).arg(Mismatched).arg(Missing);
    if (FList.MalformedCount > 0) Text += tr("，%1 行格式错误").arg(FList.MalformedCount);
    return Text;
}

// --- The checksum files beside hashed files.

namespace {

// The whole names of checksum files (MD5SUMS, SHA256SUMS, ...), in upper case.
const QSet<QByteArray>& WholeNames() {
    static const QSet<QByteArray> Names = [] {
        QSet<QByteArray> Found;
        for (const TAlgorithmInfo& Algorithm : AlgorithmTable)
            for (std::string_view Name : sums::ChecksumFileNames(Algorithm.Id))
                if (!Name.starts_with('.')) Found.insert(Bytes(std::string(Name)).toUpper());
        return Found;
    }();
    return Names;
}

}  // namespace

TBesideChecks::TBesideChecks(std::vector<int32_t> Selected) : FSelected(std::move(Selected)) {}

std::optional<TBesideChecks::TProblem> TBesideChecks::Read(
    const QByteArray& ChecksumFile, const QString& Where, bool AnyFolder,
    QHash<QByteArray, QList<TListed>>& Into) const {
    sums::InputFile Input(ChecksumFile.toStdString(), true);
    if (Input.Fd() < 0) {
        // Looked for by name only (an unlisted folder): one that is not there is no problem.
        if (Input.Error() == ENOENT) return std::nullopt;
        return TProblem{Where, tr("无法读取校验文件：%1").arg(SystemText(Input.Error()))};
    }
    sums::Reader Reader(sums::FromFd(Input.Fd()), {-1, ChecksumFile.toStdString()});
    std::optional<sums::Malformed> FirstMalformed;
    bool AnyEntry = false;
    QSet<QPair<QByteArray, int32_t>> Seen;
    while (std::optional<sums::Reader::Item> Item = Reader.Next()) {
        auto* Entry = std::get_if<sums::Entry>(&*Item);
        if (!Entry) {
            if (!FirstMalformed) FirstMalformed = std::get<sums::Malformed>(std::move(*Item));
            // A large file that starts with no checksum line is not read to its end.
            if (!AnyEntry && FirstMalformed->line >= TVerifyList::MaxLeadingMalformed) break;
            continue;
        }
        AnyEntry = true;
        QByteArray Listed = Bytes(Entry->name);
        // A whole-named file names the files of its own folder ("x" or "./x"); X.md5 names X,
        // maybe with the folder it was made in.
        if (AnyFolder)
            Listed = Listed.mid(Listed.lastIndexOf('/') + 1);
        else if (Listed.startsWith("./"))
            Listed = Listed.mid(2);
        // The first line for a name and algorithm counts.
        if (Seen.contains({Listed, Entry->algorithm})) continue;
        Seen.insert({Listed, Entry->algorithm});
        Into[Listed].append({std::move(*Entry), Where, {}});
    }
    if (Reader.ReadError() != 0)
        return TProblem{Where, tr("校验文件未能读完：%1").arg(SystemText(Reader.ReadError()))};
    if (!AnyEntry && FirstMalformed)
        return TProblem{Where, tr("不是校验文件：第 %1 行 %2")
                                   .arg(FirstMalformed->line)
                                   .arg(MalformedText(*FirstMalformed))};
    return std::nullopt;
}

TBesideChecks::TFolder& TBesideChecks::FolderEntry(const QByteArray& Folder) {
    if (auto It = FFolders.find(Folder); It != FFolders.end()) return *It;
    TFolder Found;
    QList<QByteArray> Whole;
    // One look at the folder's names instead of openings per hashed file.
    if (std::unique_ptr<TDirEnumeration> Names = OpenDirEnumeration(Folder)) {
        Found.Listed = true;
        TDirEntry Entry;
        while (Names->Next(Entry)) {
            if (Entry.Kind != TDirEntry::File) continue;
            if (WholeNames().contains(Entry.Name.toUpper())) {
                Whole << Entry.Name;
                continue;
            }
            const qsizetype Dot = Entry.Name.lastIndexOf('.');
            if (Dot > 0 && sums::AlgorithmFromFileName(Entry.Name.toStdString()) >= 0)
                Found.Own[Entry.Name.left(Dot)] << Entry.Name;
        }
    }
    std::sort(Whole.begin(), Whole.end());
    for (const QByteArray& Name : Whole)
        if (auto Problem = Read(Folder + Name, DisplayPath(Name), false, Found.Sums))
            Found.Problems << *Problem;
    return *FFolders.insert(Folder, std::move(Found));
}

std::vector<int32_t> TBesideChecks::Wants(int, const QByteArray& Path) {
    FPath = Path;
    FListed.clear();
    FProblems.clear();
    const qsizetype Slash = Path.lastIndexOf('/');
    TFolder& Folder = FolderEntry(Path.left(Slash + 1));
    const QByteArray Base = Path.mid(Slash + 1);
    if (!Folder.ProblemsShown) {
        Folder.ProblemsShown = true;
        FProblems = Folder.Problems;
    }
    // X's own checksum files; in a folder that cannot be listed, those of the batch's
    // algorithms, opened by name.
    QList<QByteArray> Own = Folder.Own.value(Base);
    if (!Folder.Listed)
        for (int32_t Algorithm : FSelected)
            for (std::string_view Name : sums::ChecksumFileNames(Algorithm))
                if (Name.starts_with('.')) Own << Base + Bytes(std::string(Name));
    std::sort(Own.begin(), Own.end());
    QHash<QByteArray, QList<TListed>> Listed;
    for (const QByteArray& Name : Own)
        if (auto Problem = Read(Path.left(Slash + 1) + Name, DisplayPath(Name), true, Listed))
            FProblems << *Problem;
    FListed = Listed.value(Base) + Folder.Sums.value(Base);

    std::vector<int32_t> Needed;
    std::optional<int64_t> Size;
    for (TListed& Each : FListed) {
        Each.Tried = sums::CandidatesFor(Each.Entry, [&] {
            if (!Size) Size = RegularFileSize(Path);
            return *Size;
        });
        for (int32_t Algorithm : Each.Tried.tried)
            if (std::find(Needed.begin(), Needed.end(), Algorithm) == Needed.end())
                Needed.push_back(Algorithm);
    }
    return Needed;
}

bool TBesideChecks::Check(TBatchWindow& Window, int, const QByteArray& Path,
                          const engine::Result& Result, const TRehash& Rehash) {
    if (Path != FPath) return false;
    for (const TProblem& Problem : FProblems)
        Window.AppendNote(TNoteKind::Failed, Problem.Where, Problem.Why);
    if (!Result.ok()) return false;
    for (const TListed& Each : FListed) {
        std::vector<std::string> Digests;
        engine::Error Error;
        for (int32_t Algorithm : Each.Tried.tried) {
            engine::Result Got = Rehash(Algorithm);
            if (!Got.ok()) {
                Error = Got.error;
                break;
            }
            Digests.push_back(std::move(Got.digest));
        }
        const sums::Verdict Verdict = sums::Judge(Each.Entry, Each.Tried, Digests, Error);
        const QString Line = QString::number(Each.Entry.line);
        if (Verdict.kind == sums::Verdict::Kind::Match) {
            ++Matched;
            Window.AppendNote(TNoteKind::Ok, tr("正确（%1）").arg(AlgorithmText(Verdict.algorithm)),
                              tr("与 %1 第 %2 行一致").arg(Each.Where, Line));
        } else if (Verdict.kind == sums::Verdict::Kind::Mismatch) {
            ++Mismatched;
            Window.AppendNote(
                TNoteKind::Mismatch, tr("错误（%1）").arg(AlgorithmText(Each.Entry.algorithm)),
                tr("与 %1 第 %2 行不符\n应为 %3")
                    .arg(Each.Where, Line, QString::fromStdString(Each.Entry.expected)));
        }
    }
    return false;
}

QString TBesideChecks::Summary(const QString& Hashed) const {
    if (Matched + Mismatched == 0) return Hashed;
    return Hashed + tr("；与旁边的校验文件相比：%1 个正确，%2 个错误").arg(Matched).arg(Mismatched);
}

// --- A known digest checked in a batch's read.

sums::Candidates DigestCandidates(const TKnownDigest& Digest, int64_t Size) {
    sums::Entry Entry;
    Entry.expected = Digest.Hex;
    Entry.algorithm = Digest.Algorithm;
    Entry.origin = sums::Origin::Tag;
    if (Digest.Algorithm < 0) {
        Entry.algorithm = sums::AlgorithmFromLength(Digest.Hex.size());
        Entry.origin = sums::Origin::Length;
        if (Entry.algorithm < 0) return {};
    }
    return sums::CandidatesFor(Entry, [Size] { return Size; });
}

int32_t MatchingAlgorithm(const TKnownDigest& Digest, const std::vector<int32_t>& Algorithms,
                          const std::vector<std::string>& Digests) {
    for (size_t I = 0; I < Algorithms.size() && I < Digests.size(); ++I)
        if (hextext::Lower(Digests[I]) == Digest.Hex) return Algorithms[I];
    return -1;
}

TDigestEvidence::TDigestEvidence(const TKnownDigest& Known, TBatchChecks* Inner)
    : Digest(Known), FInner(Inner) {}

std::vector<int32_t> TDigestEvidence::UseAlgorithms(int Index,
                                                    const std::vector<int32_t>& Selected) {
    return FInner ? FInner->UseAlgorithms(Index, Selected) : Selected;
}

std::vector<int32_t> TDigestEvidence::Wants(int Index, const QByteArray& Path) {
    Tried = DigestCandidates(Digest, RegularFileSize(Path));
    std::vector<int32_t> Needed = Tried.tried;
    if (FInner) {
        const std::vector<int32_t> More = FInner->Wants(Index, Path);
        Needed.insert(Needed.end(), More.begin(), More.end());
    }
    return Needed;
}

bool TDigestEvidence::Check(TBatchWindow& Window, int Index, const QByteArray& Path,
                            const engine::Result& Result, const TRehash& Rehash) {
    if (Result.ok()) {
        std::vector<std::string> Digests;
        for (int32_t Algorithm : Tried.tried) {
            engine::Result Got = Rehash(Algorithm);
            if (!Got.ok()) break;
            Digests.push_back(std::move(Got.digest));
        }
        Compared = Digests.size() == Tried.tried.size();
        if (Compared) Found = MatchingAlgorithm(Digest, Tried.tried, Digests);
    }
    return FInner && FInner->Check(Window, Index, Path, Result, Rehash);
}

QString TDigestEvidence::Summary(const QString& Hashed) const {
    return FInner ? FInner->Summary(Hashed) : Hashed;
}

// --- Known digests and saved results.

std::optional<TKnownDigest> ParseKnownDigest(const QString& Text) {
    for (QString Line : Text.split(u'\n')) {
        Line = Line.trimmed();
        if (Line.startsWith(QChar(0xFEFF))) Line = Line.mid(1).trimmed();
        if (Line.isEmpty()) continue;
        const std::string Utf8 = Line.toStdString();
        const bool AllHex = std::all_of(Utf8.begin(), Utf8.end(), [](char C) {
            return (C >= '0' && C <= '9') || (C >= 'a' && C <= 'f') || (C >= 'A' && C <= 'F');
        });
        if (AllHex) {
            if (sums::AlgorithmFromLength(Utf8.size()) >= 0)
                return TKnownDigest{hextext::Lower(Utf8)};
            continue;
        }
        // Only the forms that name a file: a line of SFV is any text ending in eight digits.
        const auto Parsed = sums::ParseLine(Utf8, {});
        if (const auto* Entry = std::get_if<sums::Entry>(&Parsed);
            Entry && Entry->form != sums::Form::Sfv)
            return TKnownDigest{Entry->expected,
                                Entry->origin == sums::Origin::Tag ? Entry->algorithm : -1};
    }
    return std::nullopt;
}

std::optional<std::string> ChecksumFileText(const std::vector<TSavedResult>& Results,
                                            sums::Form Form, const QByteArray& Folder,
                                            QByteArray* BadName, const sums::LineStyle& Style) {
    const bool Relative =
        !Folder.isEmpty() && std::all_of(Results.begin(), Results.end(), [&](const auto& R) {
            return R.Path.size() > Folder.size() && R.Path.startsWith(Folder);
        });
    std::string Text = Form == sums::Form::Sfv ? sums::SfvHeader() : std::string();
    for (const TSavedResult& Result : Results) {
        const QByteArray Name = Relative ? Result.Path.mid(Folder.size()) : Result.Path;
        const std::optional<std::string> Line = sums::FormatLine(
            Form, Result.Algorithm, std::string_view(Name.constData(), size_t(Name.size())),
            Result.Digest, Style);
        if (!Line) {
            if (BadName) *BadName = Result.Path;
            return std::nullopt;
        }
        Text += *Line;
    }
    return Text;
}

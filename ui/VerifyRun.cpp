#include "VerifyRun.h"

#include <algorithm>

#include "BatchRun.h"
#include "DirEnum.h"
#include "FileList.h"
#include "hashhead.h"

namespace {

QString Name(int32_t Algorithm) {
    return QString::fromLatin1(sums::AlgorithmName(Algorithm));
}

std::string LowerHex(std::string Hex) {
    for (char& C : Hex)
        if (C >= 'A' && C <= 'F') C = char(C - 'A' + 'a');
    return Hex;
}

QByteArray Bytes(const std::string& Text) {
    return QByteArray(Text.data(), qsizetype(Text.size()));
}

// The folder part of Path, with its final '/'; empty for a bare name.
QByteArray FolderOf(const QByteArray& Path) {
    return Path.left(Path.lastIndexOf('/') + 1);
}

}  // namespace

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

int32_t TVerifyChecks::UseAlgorithm(int Index, int32_t) {
    const int32_t Algorithm = FList.Entries[size_t(Index)].algorithm;
    if (FShowAlgorithm) FShowAlgorithm(Algorithm);
    return Algorithm;
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
            Window.AppendNote(TNoteKind::Ok, tr("正确（%1）").arg(Name(Verdict.algorithm)),
                              tr("第 %1 行的校验值按长度当作 %2，实为 %3 的校验值")
                                  .arg(Entry.line)
                                  .arg(Name(Entry.algorithm), Name(Verdict.algorithm)));
        else
            Window.AppendNote(TNoteKind::Ok, tr("正确"), QString());
        return false;
    }
    ++Mismatched;
    Window.AppendNote(TNoteKind::Mismatch, tr("错误"),
                      tr("应为 %1\n实为 %2")
                          .arg(QString::fromStdString(Entry.expected),
                               QString::fromStdString(LowerHex(Verdict.computed))));
    return false;
}

QString TVerifyChecks::Summary(const QString&) const {
    QString Text =
        tr("%1 个正确，%2 个错误，%3 个缺失或无法读取").arg(Matched).arg(Mismatched).arg(Missing);
    if (FList.MalformedCount > 0) Text += tr("，%1 行格式错误").arg(FList.MalformedCount);
    return Text;
}

// --- The checksum files beside hashed files.

TBesideChecks::TBesideChecks(int32_t Algorithm) : FAlgorithm(Algorithm) {
    // The algorithm's usual extension (X.md5; X.sfv for crc32) and whole name (MD5SUMS).
    for (std::string_view Name : sums::ChecksumFileNames(Algorithm)) {
        QByteArray& Kept = Name.starts_with('.') ? FSuffix : FSumsName;
        if (Kept.isEmpty()) Kept = QByteArray(Name.data(), qsizetype(Name.size()));
    }
}

TBesideChecks::TListing TBesideChecks::Read(const QByteArray& ChecksumFile, bool AnyFolder) const {
    TListing Listing;
    sums::InputFile Input(ChecksumFile.toStdString(), true);
    if (Input.Fd() < 0) return Listing;
    sums::Reader Reader(sums::FromFd(Input.Fd()), {-1, ChecksumFile.toStdString()});
    while (std::optional<sums::Reader::Item> Item = Reader.Next()) {
        const auto* Entry = std::get_if<sums::Entry>(&*Item);
        if (!Entry || Entry->algorithm != FAlgorithm) continue;
        QByteArray Listed = Bytes(Entry->name);
        // A SUMS file names the files of its own folder ("x" or "./x"); X.md5 names X, maybe
        // with the folder it was made in.
        if (AnyFolder)
            Listed = Listed.mid(Listed.lastIndexOf('/') + 1);
        else if (Listed.startsWith("./"))
            Listed = Listed.mid(2);
        if (!Listing.contains(Listed)) Listing.insert(Listed, {Entry->expected, Entry->line});
    }
    return Listing;
}

const TBesideChecks::TFolder& TBesideChecks::FolderEntry(const QByteArray& Folder) {
    if (auto It = FFolders.constFind(Folder); It != FFolders.cend()) return *It;
    TFolder Found;
    // One look at the folder's names instead of an opening per hashed file.
    if (std::unique_ptr<TDirEnumeration> Names = OpenDirEnumeration(Folder)) {
        Found.Listed = true;
        TDirEntry Entry;
        while (Names->Next(Entry))
            if (Entry.Kind == TDirEntry::File && !FSuffix.isEmpty() && Entry.Name.endsWith(FSuffix))
                Found.Own.insert(Entry.Name);
    }
    if (!FSumsName.isEmpty()) Found.Sums = Read(Folder + FSumsName, false);
    return *FFolders.insert(Folder, std::move(Found));
}

bool TBesideChecks::Check(TBatchWindow& Window, int, const QByteArray& Path,
                          const engine::Result& Result, const TRehash&) {
    if (!Result.ok()) return false;
    const qsizetype Slash = Path.lastIndexOf('/');
    const TFolder& Folder = FolderEntry(Path.left(Slash + 1));
    const QByteArray Base = Path.mid(Slash + 1);
    if (!FSuffix.isEmpty() &&
        (!Folder.Listed || (!Folder.Own.isEmpty() && Folder.Own.contains(Base + FSuffix)))) {
        const TListing Own = Read(Path + FSuffix, true);
        if (auto It = Own.find(Base); It != Own.end())
            Show(Window, Result.digest, *It, DisplayPath(Base + FSuffix));
    }
    if (auto It = Folder.Sums.find(Base); It != Folder.Sums.end())
        Show(Window, Result.digest, *It, QString::fromLatin1(FSumsName));
    return false;
}

void TBesideChecks::Show(TBatchWindow& Window, const std::string& Computed, const TListed& Listed,
                         const QString& Where) {
    if (LowerHex(Computed) == Listed.Expected) {
        ++Matched;
        Window.AppendNote(TNoteKind::Ok, tr("正确"),
                          tr("与 %1 第 %2 行一致").arg(Where, QString::number(Listed.Line)));
    } else {
        ++Mismatched;
        Window.AppendNote(
            TNoteKind::Mismatch, tr("错误"),
            tr("与 %1 第 %2 行不符\n应为 %3")
                .arg(Where, QString::number(Listed.Line), QString::fromStdString(Listed.Expected)));
    }
}

QString TBesideChecks::Summary(const QString& Hashed) const {
    if (Matched + Mismatched == 0) return Hashed;
    return Hashed + tr("；与旁边的校验文件相比：%1 个正确，%2 个错误").arg(Matched).arg(Mismatched);
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
            if (sums::AlgorithmFromLength(Utf8.size()) >= 0) return TKnownDigest{LowerHex(Utf8)};
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

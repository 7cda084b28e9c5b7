// The main window's checksum-file commands: verify a checksum file, compare the results with a
// known digest, save them as a checksum file and copy them as checksum lines.
#include "Unit1_verify.h"

#include <QClipboard>
#include <QComboBox>
#include <QFile>
#include <QFileDialog>
#include <QFileInfo>
#include <QGuiApplication>
#include <QInputDialog>
#include <QLabel>
#include <QMimeData>
#include <QTimer>
#include <algorithm>
#include <cerrno>
#include <utility>

#include "Application.h"
#include "DirEnum.h"
#include "ErrorText.h"
#include "Language.h"
#include "ResultView.h"
#include "Unit1.h"
#include "VerifyRun.h"
#include "atomicwrite.h"
#include "hashhead.h"
#include "hextext.h"

namespace {

// The filters of the Save dialog's type list, one per form.
QString FormFilter(sums::Form Form, const QString& Extension) {
    switch (Form) {
        case sums::Form::Gnu:
            return TForm1::tr("GNU 校验文件 (*.%1)").arg(Extension);
        case sums::Form::Bsd:
            return TForm1::tr("BSD 格式校验文件 (*.%1)").arg(Extension);
        case sums::Form::Sfv:
            return TForm1::tr("SFV 校验文件 (*.sfv)");
    }
    return QString();
}

// The names of checksum files as the Open dialog's patterns: every extension of every algorithm
// (*.md5, *.sfv, ...), then the whole names (*SUMS for MD5SUMS and its kin).
QString ChecksumFilePatterns() {
    QStringList Extensions, Names;
    for (const TAlgorithmInfo& Algorithm : AlgorithmTable)
        for (std::string_view Name : sums::ChecksumFileNames(Algorithm.Id)) {
            const QString Text = QString::fromLatin1(Name.data(), qsizetype(Name.size()));
            const QString Pattern = Name.starts_with('.')    ? QLatin1Char('*') + Text
                                    : Name.ends_with("SUMS") ? QStringLiteral("*SUMS")
                                                             : Text;
            QStringList& List = Name.starts_with('.') ? Extensions : Names;
            if (!List.contains(Pattern)) List << Pattern;
        }
    return (Extensions + Names).join(QLatin1Char(' '));
}

}  // namespace

std::optional<QByteArray> ShowDialog(QWidget* Owner, const TChecksumFileQuestion&) {
    QFileDialog Dialog(Owner, TForm1::tr("请选择要验证的校验文件"));
    FollowUiLanguage(Dialog);
    Dialog.setFileMode(QFileDialog::ExistingFile);
    Dialog.setNameFilters(
        {TForm1::tr("校验文件 (%1)").arg(ChecksumFilePatterns()), TForm1::tr("所有文件 (*)")});
    if (Dialog.exec() != QDialog::Accepted || Dialog.selectedFiles().isEmpty()) return std::nullopt;
    return ExistingPathBytes(Dialog.selectedFiles().first());
}

std::optional<TSaveResultsQuestion::TAnswer> ShowDialog(QWidget* Owner,
                                                        const TSaveResultsQuestion& Question) {
    const QList<sums::Form>& Forms = Question.Forms;
    const QString Name = QString::fromUtf8(Question.Suggested);
    const QString Extension = Name.mid(Name.lastIndexOf(u'.') + 1);
    QStringList Filters;
    for (sums::Form Each : Forms)
        Filters << FormFilter(Each, Extension);
    QFileDialog Dialog(Owner, TForm1::tr("保存结果为校验文件"));
    FollowUiLanguage(Dialog);
    Dialog.setAcceptMode(QFileDialog::AcceptSave);
    Dialog.setNameFilters(Filters);
    // A name typed without an extension gets the chosen type's.
    Dialog.setDefaultSuffix(Extension);
    QObject::connect(&Dialog, &QFileDialog::filterSelected, &Dialog, [&](const QString& Filter) {
        Dialog.setDefaultSuffix(Forms.value(int(Filters.indexOf(Filter))) == sums::Form::Sfv
                                    ? QStringLiteral("sfv")
                                    : Extension);
    });
    Dialog.selectFile(Name);
    if (Dialog.exec() != QDialog::Accepted || Dialog.selectedFiles().isEmpty()) return std::nullopt;
    // The folder exists: its bytes are looked up; the new name is taken as typed.
    const QFileInfo Chosen(Dialog.selectedFiles().first());
    return TSaveResultsQuestion::TAnswer{
        ExistingPathBytes(Chosen.path()) + '/' + QFile::encodeName(Chosen.fileName()),
        Forms.value(int(Filters.indexOf(Dialog.selectedNameFilter())), Forms.first())};
}

std::optional<QString> ShowDialog(QWidget* Owner, const TDigestQuestion&) {
    bool Ok = false;
    const QString Text = QInputDialog::getText(
        Owner, TForm1::tr("与已知校验值比较"),
        TForm1::tr("校验值，或一行 GNU / BSD 格式的校验行："), QLineEdit::Normal, QString(), &Ok);
    if (!Ok) return std::nullopt;
    return Text;
}

namespace {

// The user's always-on-top choice is put aside while a dialog is open.
struct TDialogScope {
    TForm1& Form;
    explicit TDialogScope(TForm1& F) : Form(F) { Form.SetStayOnTop(false); }
    ~TDialogScope() {
        if (Form.StayOnTopChosen()) Form.SetStayOnTop(true);
    }
};

}  // namespace

void TForm1::ShowStatus(const QString& Text) {
    FDisplay.Path = Text;
    SetStatusText(Text);
}

void TForm1::OpenChecksumFile() {
    std::optional<QByteArray> Path;
    {
        TDialogScope Scope(*this);
        Path = AskUser(this, TChecksumFileQuestion{});
    }
    if (Path && !Path->isEmpty()) VerifyChecksumFile(*Path);
}

void TForm1::VerifyChecksumFile(const QByteArray& Path) {
    Guarded([&] {
        // The checksum file is read now, whole: a queue of them holds no file open.
        FQueue.push_back({{}, {}, std::make_unique<TVerifyList>(ReadVerifyList(Path))});
        RunQueue();
    });
}

void TForm1::RunVerify(const TVerifyList& List) {
    const QString Shown = DisplayPath(List.File);
    if (List.Entries.empty()) {
        QString Why;
        if (List.Error == EISDIR)
            Why = tr("无法读取校验文件：是文件夹");
        else if (List.Error == ENODEV)
            Why = tr("无法读取校验文件：不是普通文件");
        else if (List.Error != 0)
            Why = tr("无法读取校验文件：%1").arg(SystemText(List.Error));
        else if (List.MalformedCount > 0)
            Why = tr("不是校验文件：前 %1 行中没有一行是校验行").arg(List.MalformedCount);
        else
            Why = tr("不是校验文件：其中没有任何校验行");
        AppendNote(TNoteKind::Failed, Shown, Why);
        ShowStatus(Shown + QLatin1String("  ") + Why);
        web1->ScrollToEnd();
        return;
    }
    AppendNote(TNoteKind::Summary, tr("验证校验文件 %1").arg(Shown),
               tr("%1 个条目").arg(List.Entries.size()));
    for (const sums::Malformed& Line : List.Malformed)
        AppendNote(TNoteKind::Failed, tr("第 %1 行格式错误").arg(Line.line), MalformedText(Line));
    if (List.MalformedCount > List.Malformed.size())
        AppendNote(TNoteKind::Failed,
                   tr("另有 %1 行格式错误").arg(List.MalformedCount - List.Malformed.size()),
                   QString());
    if (List.Error != 0)
        AppendNote(TNoteKind::Failed, Shown,
                   tr("校验文件未能读完：%1").arg(SystemText(List.Error)));

    // The selector shows the algorithm of the file being checked, and the user's choice again
    // afterwards.
    const int Chosen = ComboBoxEx1->currentIndex();
    TVerifyChecks Checks(List, [this](int32_t Algorithm) {
        const int Index = ComboBoxEx1->findText(AlgorithmText(Algorithm));
        if (Index >= 0) ComboBoxEx1->setCurrentIndex(Index);
    });
    struct TRestore {
        QComboBox* Selector;
        int Index;
        ~TRestore() { Selector->setCurrentIndex(Index); }
    } Restore{ComboBoxEx1, Chosen};
    ::HashFileList(*this, List.Paths, {}, &Checks);
}

int TForm1::MarkBlocks(const QStringList& Numbers) {
    QVariant Count;
    web1->CallScript(QStringLiteral("mark"), {Numbers.join(u',')}, &Count);
    return Count.toInt();
}

int TForm1::MarkDigest(const TKnownDigest& Digest) {
    // The results are the page's blocks in their order: the page marks the blocks by number.
    QStringList Numbers;
    for (size_t I = 0; I < FResults.size(); ++I) {
        const TSavedResult& Result = FResults[I];
        if (Digest.Algorithm >= 0 && Result.Algorithm != Digest.Algorithm) continue;
        if (Result.Digest.size() == Digest.Hex.size() &&
            std::equal(Result.Digest.begin(), Result.Digest.end(), Digest.Hex.begin(),
                       [](char Upper, char Lower) { return hextext::Lower(Upper) == Lower; }))
            Numbers << QString::number(I);
    }
    return MarkBlocks(Numbers);
}

void TForm1::ShowCompareVerdict(TNoteKind Kind, const QString& Text, const QString& Detail) {
    ShowStatus(Detail.isEmpty() ? Text : Text + QLatin1String("  ") + Detail);
    AppendNote(Kind, Text, Detail);
    // A match leaves the view on the first marked block; any other verdict is shown.
    if (Kind != TNoteKind::Ok) web1->ScrollToEnd();
}

namespace {

QString AlgorithmNames(const std::vector<int32_t>& Algorithms) {
    QStringList Names;
    for (int32_t Id : Algorithms)
        Names << AlgorithmText(Id);
    return Names.join(TForm1::tr("、"));
}

bool AllHexDigits(const QString& Text) {
    return !Text.isEmpty() && std::all_of(Text.begin(), Text.end(), [](QChar C) {
        return (C >= u'0' && C <= u'9') || (C >= u'a' && C <= u'f') || (C >= u'A' && C <= u'F');
    });
}

}  // namespace

// The digest's length names the algorithms it can be of. Results under one of them are compared
// as they are; when there are none (the results are of another length), each file is read
// again once under all of them, and the verdict names the algorithm that matched.
void TForm1::CompareWithDigest() {
    std::optional<TKnownDigest> Digest = ParseKnownDigest(QGuiApplication::clipboard()->text());
    if (!Digest) {
        std::optional<QString> Text;
        {
            TDialogScope Scope(*this);
            Text = AskUser(this, TDigestQuestion{});
        }
        if (!Text) return;
        Digest = ParseKnownDigest(*Text);
        if (!Digest) {
            const QString Typed = Text->trimmed();
            if (AllHexDigits(Typed))
                ShowCompareVerdict(TNoteKind::Failed, tr("不是任何算法的校验值：%1").arg(Typed));
            else
                ShowStatus(tr("不是校验值：%1").arg(Typed));
            return;
        }
    }
    const QString Hex = QString::fromStdString(Digest->Hex);
    const std::vector<int32_t> Possible = DigestCandidates(*Digest).tried;
    const bool Comparable = std::any_of(FResults.begin(), FResults.end(), [&](const auto& R) {
        return std::find(Possible.begin(), Possible.end(), R.Algorithm) != Possible.end();
    });
    if (FResults.empty()) {
        ShowStatus(tr("没有结果与校验值一致：%1").arg(Hex));
        return;
    }
    if (Comparable) {
        const int Count = MarkDigest(*Digest);
        if (Count > 0)
            ShowCompareVerdict(TNoteKind::Ok, tr("%1 个结果与校验值一致：%2").arg(Count).arg(Hex));
        else
            ShowCompareVerdict(TNoteKind::Mismatch, tr("没有结果与校验值一致：%1").arg(Hex));
        return;
    }
    // Files are read here only outside a batch; a batch is not held up by a compare.
    if (FBatchRunning) {
        ShowCompareVerdict(TNoteKind::Skipped, tr("结果中没有 %1 的校验值，批处理结束后再比较：%2")
                                                   .arg(AlgorithmNames(Possible), Hex));
        return;
    }
    // While the files are read, a new intake waits for the compare and Stop ends it.
    struct TComparing {
        TForm1& Form;
        explicit TComparing(TForm1& F) : Form(F) {
            Form.FBatchRunning = true;
            Form.SetSelectorEnabled(false);
            // The first chunk looks at the queue at once, however recently it was looked at:
            // a Stop clicked before the reads began ends them there.
            Form.FSincePump.invalidate();
        }
        ~TComparing() {
            Form.FBatchRunning = false;
            Form.SetSelectorEnabled(true);
            Form.ShowProgress();
            if (Form.FClosePending)
                QTimer::singleShot(0, &Form, &QWidget::close);
            else if (!Form.FQueue.empty())
                // What arrived meanwhile waits in the queue.
                QTimer::singleShot(0, &Form, [F = &Form] { Guarded([F] { F->RunQueue(); }); });
        }
    };
    std::vector<QByteArray> Paths;
    for (const TSavedResult& Result : FResults)
        if (std::find(Paths.begin(), Paths.end(), Result.Path) == Paths.end())
            Paths.push_back(Result.Path);
    QStringList Numbers, Matched;
    std::vector<int32_t> MatchedWith, Tried;
    bool Stopped = false;
    {
        TComparing Comparing(*this);
        for (const QByteArray& Path : Paths) {
            const sums::Candidates Each = DigestCandidates(*Digest, RegularFileSize(Path));
            for (int32_t Id : Each.tried)
                if (std::find(Tried.begin(), Tried.end(), Id) == Tried.end()) Tried.push_back(Id);
            const TMultiDigest Read = HashOnce(*this, Path, Each.tried);
            if (Read.Error.kind == engine::Failure::Stopped) {
                Stopped = true;
                break;
            }
            const int32_t Found = MatchingAlgorithm(*Digest, Each.tried, Read.Digests);
            if (Found < 0) continue;
            Matched << DisplayPath(Path);
            MatchedWith.push_back(Found);
            for (size_t I = 0; I < FResults.size(); ++I)
                if (FResults[I].Path == Path) Numbers << QString::number(I);
        }
    }
    MarkBlocks(Numbers);
    QString Text;
    if (!Matched.isEmpty()) {
        std::sort(MatchedWith.begin(), MatchedWith.end());
        MatchedWith.erase(std::unique(MatchedWith.begin(), MatchedWith.end()), MatchedWith.end());
        ShowCompareVerdict(TNoteKind::Ok,
                           tr("%1 个文件与校验值一致（%2）：%3")
                               .arg(Matched.size())
                               .arg(AlgorithmNames(MatchedWith), Hex),
                           Matched.join(u'\n'));
    } else {
        ShowCompareVerdict(
            TNoteKind::Mismatch,
            Stopped ? tr("已终止，未比较完：%1").arg(Hex) : tr("没有文件与校验值一致：%1").arg(Hex),
            tr("已按 %1 计算").arg(AlgorithmNames(Tried)));
    }
}

std::optional<TKnownDigest> TForm1::ClipboardDigest() const {
    const QString Text = QGuiApplication::clipboard()->text();
    if (!FCopiedText.isEmpty() && Text == FCopiedText) return std::nullopt;
    return ParseKnownDigest(Text);
}

void TForm1::CompareWithClipboard(const TSavedResult& Result, const TDigestEvidence* Evidence) {
    if (!Evidence || !Evidence->Compared) return;
    const TKnownDigest& Digest = Evidence->Digest;
    const QString Base = StatusPanel3->text();
    QString Verdict;
    if (Evidence->Found >= 0) {
        // The file's block under that algorithm when the page has one, else its first block.
        QStringList Numbers;
        for (size_t I = 0; I < FResults.size(); ++I)
            if (FResults[I].Path == Result.Path && FResults[I].Algorithm == Evidence->Found)
                Numbers << QString::number(I);
        if (Numbers.isEmpty())
            for (size_t I = 0; I < FResults.size(); ++I)
                if (FResults[I].Path == Result.Path) Numbers << QString::number(I);
        MarkBlocks(Numbers);
        Verdict = tr("与剪贴板中的校验值一致（%1）").arg(AlgorithmText(Evidence->Found));
        AppendNote(TNoteKind::Ok, Verdict, QString::fromStdString(Digest.Hex));
    } else {
        Verdict = tr("与剪贴板中的校验值不符");
        AppendNote(
            TNoteKind::Mismatch, Verdict,
            tr("%1\n已按 %2 计算")
                .arg(QString::fromStdString(Digest.Hex), AlgorithmNames(Evidence->Tried.tried)));
    }
    ShowStatus(tr("%1；%2").arg(Base, Verdict));
    web1->ScrollToEnd();
}

void TForm1::SaveResults() {
    if (FResults.empty()) {
        ShowStatus(tr("没有可保存的结果"));
        return;
    }
    const int32_t Algorithm = FResults.front().Algorithm;
    const bool OneAlgorithm = std::all_of(FResults.begin(), FResults.end(),
                                          [&](const auto& R) { return R.Algorithm == Algorithm; });
    // GNU lines do not say their algorithm: results of several need BSD tag lines.
    QList<sums::Form> Forms;
    if (OneAlgorithm) Forms << sums::Form::Gnu;
    Forms << sums::Form::Bsd;
    if (OneAlgorithm && Algorithm == AlgorithmCrc32) Forms << sums::Form::Sfv;

    // Proposed: X.md5 beside a single file X, else a file named after the common folder.
    QByteArray Folder = FolderOf(FResults.front().Path);
    for (const TSavedResult& Result : FResults)
        while (!Result.Path.startsWith(Folder))
            Folder = FolderOf(Folder.chopped(1));
    const QByteArray Extension =
        OneAlgorithm ? QByteArray(sums::AlgorithmName(Algorithm).data()) : QByteArray("sums");
    QByteArray Base = FResults.size() == 1 ? FResults.front().Path.mid(Folder.size())
                                           : Folder.chopped(1).mid(Folder.lastIndexOf('/', -2) + 1);
    if (Base.isEmpty()) Base = "checksums";

    std::optional<TSaveResultsQuestion::TAnswer> Chosen;
    {
        TDialogScope Scope(*this);
        Chosen = AskUser(this, TSaveResultsQuestion{Folder + Base + '.' + Extension, Forms});
    }
    if (!Chosen || Chosen->Path.isEmpty()) return;
    const QByteArray& Path = Chosen->Path;
    const sums::Form Form = Chosen->Form;
    QByteArray BadName;
    const std::optional<std::string> Text =
        ChecksumFileText(FResults, Form, FolderOf(Path), &BadName);
    if (!Text) {
        ReportError(tr("无法保存 %1：SFV 文件只能记录 crc32 结果，且文件名中不能有换行（%2）")
                        .arg(DisplayPath(Path), DisplayPath(BadName)));
        return;
    }
    if (const int Error = sums::WriteAtomically(Path.toStdString(), *Text); Error != 0) {
        ReportError(tr("无法保存 %1：%2").arg(DisplayPath(Path), SystemText(Error)));
        return;
    }
    ShowStatus(tr("已将 %1 个结果保存到 %2").arg(FResults.size()).arg(DisplayPath(Path)));
}

void TForm1::CopyResultLines() {
    if (FResults.empty()) {
        ShowStatus(tr("没有可复制的结果"));
        return;
    }
    // GNU lines do not say their algorithm: results of several are copied as BSD tag lines.
    const int32_t Algorithm = FResults.front().Algorithm;
    const bool OneAlgorithm = std::all_of(FResults.begin(), FResults.end(),
                                          [&](const auto& R) { return R.Algorithm == Algorithm; });
    const sums::Form Form = OneAlgorithm ? sums::Form::Gnu : sums::Form::Bsd;
    // The exact bytes, as Save writes them, and the same lines as UTF-8 text, which is what
    // programs pasting text ask for. A name that is not UTF-8 cannot be carried by that text:
    // its other bytes are escaped \xHH there, on a line that md5sum refuses instead of checking
    // another name, and the exact lines stay on the clipboard as ExactLinesFormat.
    const std::optional<std::string> Exact = ChecksumFileText(FResults, Form, {});
    const std::optional<std::string> Text =
        ChecksumFileText(FResults, Form, {}, nullptr, sums::LineStyle{.text = true});
    if (!Exact || !Text) return;
    // The automatic compare knows the window's own copy by this text.
    FCopiedText = QString::fromStdString(*Text);
    const auto Data = new QMimeData;
    Data->setText(FCopiedText);
    Data->setData(QLatin1String(ExactLinesFormat), QByteArray::fromStdString(*Exact));
    QGuiApplication::clipboard()->setMimeData(Data);
    const auto NotUtf8 = std::count_if(FResults.begin(), FResults.end(), [](const auto& Result) {
        return !QByteArrayView(Result.Path).isValidUtf8();
    });
    if (NotUtf8 == 0)
        ShowStatus(tr("已复制 %1 行校验行").arg(FResults.size()));
    else
        ShowStatus(tr("已复制 %1 行校验行；%2 个非 UTF-8 的文件名在文本中写作 \\xHH，md5sum "
                      "读不回；原样的字节见剪贴板的 %3 格式")
                       .arg(FResults.size())
                       .arg(NotUtf8)
                       .arg(QLatin1String(ExactLinesFormat)));
}

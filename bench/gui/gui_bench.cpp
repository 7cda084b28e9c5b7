// Times a batch in the real main window (offscreen) over one large file and over many small
// files, next to HashFile alone, md5sum and quernsum over the same files in the page cache.
// Usage: quernix_gui_bench [work-dir] [large-file-MiB] [small-file-count]
#include <fcntl.h>
#include <unistd.h>

#include <QComboBox>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <vector>

#include "Application.h"
#include "ResultView.h"
#include "Unit1.h"
#include "VerifyRun.h"
#include "hashhead.h"

namespace {

constexpr int Repeats = 3;

void NoProgress(int64_t, int64_t, int32_t*) {}

// Writes Size bytes of varied content unless the file already has that size.
void MakeFile(const QByteArray& Path, qint64 Size, uint32_t Seed) {
    QFile File(QString::fromUtf8(Path));
    if (File.exists() && File.size() == Size) return;
    if (!File.open(QIODevice::WriteOnly | QIODevice::Truncate)) {
        std::fprintf(stderr, "cannot write %s\n", Path.constData());
        std::exit(1);
    }
    std::vector<uint32_t> Block(1 << 18);
    uint32_t State = Seed * 2654435761u + 1;
    for (qint64 Done = 0; Done < Size;) {
        for (uint32_t& Word : Block)
            Word = State = State * 1664525u + 1013904223u;
        const qint64 Count = std::min<qint64>(Size - Done, qint64(Block.size() * 4));
        File.write(reinterpret_cast<const char*>(Block.data()), Count);
        Done += Count;
    }
}

// Reads the file whole, so that it is in the page cache.
void Warm(const QByteArray& Path) {
    const int Fd = ::open(Path.constData(), O_RDONLY);
    if (Fd < 0) return;
    static char Buffer[1 << 20];
    while (::read(Fd, Buffer, sizeof Buffer) > 0) {
    }
    ::close(Fd);
}

double BestOf(const std::function<void()>& Run, const std::function<void()>& Prepare = {}) {
    double Best = 1e30;
    for (int I = 0; I < Repeats; ++I) {
        if (Prepare) Prepare();
        QElapsedTimer Clock;
        Clock.start();
        Run();
        Best = std::min(Best, Clock.nsecsElapsed() / 1e9);
    }
    return Best;
}

// A window that shows nothing, for timing the checks alone.
class TNoWindow : public TBatchWindow {
public:
    void SetOverallMaximum(int) override {}
    void SetOverallPosition(int) override {}
    void SetFileMaximum(int) override {}
    void SetFilePosition(int) override {}
    void SetPercentText(const QString&) override {}
    void SetPathText(const QString&) override {}
    void PumpMessages() override {}
    int SelectorCount() override { return 0; }
    int SelectorIndex() override { return -1; }
    QString SelectorText(int) override { return QString(); }
    void SetSelectorEnabled(bool) override {}
    void AppendResult(const TResultRecord&) override {}
    void AppendNote(TNoteKind, const QString&, const QString&) override {}
    void ScrollToEnd() override {}
};

double TimeCommand(const QByteArray& Command) {
    return BestOf([&] {
        if (std::system(Command.constData()) != 0)
            std::fprintf(stderr, "failed: %s\n", Command.constData());
    });
}

QByteArray Quoted(const QByteArray& Path) {
    return '\'' + Path + '\'';
}

}  // namespace

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    if (qEnvironmentVariableIsEmpty("QTWEBENGINE_CHROMIUM_FLAGS"))
        qputenv("QTWEBENGINE_CHROMIUM_FLAGS", "--disable-gpu");
    PrepareBrowserEnvironment();
    TApplication Application(argc, argv);
    const QByteArray Dir = argc > 1 ? QByteArray(argv[1]) : QByteArray("/tmp/quernix_gui_bench");
    const qint64 LargeMiB = argc > 2 ? std::atoll(argv[2]) : 1024;
    const int SmallCount = argc > 3 ? std::atoi(argv[3]) : 10000;

    QDir().mkpath(QString::fromUtf8(Dir + "/small"));
    const QByteArray Large = Dir + "/large.bin";
    std::fprintf(stderr, "preparing %s ...\n", Dir.constData());
    MakeFile(Large, LargeMiB << 20, 1);
    QList<QByteArray> Small;
    for (int I = 0; I < SmallCount; ++I) {
        Small.append(Dir + "/small/" + QByteArray::number(I).rightJustified(5, '0') + ".dat");
        MakeFile(Small.back(), 4096, I + 2);
    }
    Warm(Large);
    for (const QByteArray& Path : Small)
        Warm(Path);

    TForm1 Window;
    Window.show();
    Window.ComboBoxEx1->setCurrentText(QStringLiteral("md5"));
    const int32_t Md5 = AlgorithmIdFromName("md5");
    char Text[MaxHashTextLength];
    int32_t Length = 0;

    // Two times for each batch: until HashFileList returns (the window is free again), and until
    // the page has run every result call as well. Every run starts on a fresh page.
    struct TGuiTimes {
        double Batch = 1e30, Page = 1e30;
    };
    // Several set-ups of one batch, run in turns, in reverse order every other round: a batch
    // right after another one runs slower (the page is still busy), and none should gain from
    // its place.
    auto GuiBatches = [&](const QList<QByteArray>& Paths,
                          const std::vector<std::function<void()>>& Setups) {
        Window.ReplaceFileList(Paths);
        std::vector<TGuiTimes> Best(Setups.size());
        // Several set-ups take each place equally often.
        const int Rounds = Setups.size() > 1 ? (Repeats + 1) / 2 * 2 : Repeats;
        for (int I = 0; I < Rounds; ++I)
            for (size_t Turn = 0; Turn < Setups.size(); ++Turn) {
                const size_t S = I % 2 ? Setups.size() - 1 - Turn : Turn;
                Setups[S]();
                Window.O2Click();
                QElapsedTimer Clock;
                Clock.start();
                Window.HashFileList();
                Best[S].Batch = std::min(Best[S].Batch, Clock.nsecsElapsed() / 1e9);
                Window.web1->WaitForScripts();
                Best[S].Page = std::min(Best[S].Page, Clock.nsecsElapsed() / 1e9);
            }
        return Best;
    };

    const double EngineLarge =
        BestOf([&] { HashFile(Large.constData(), Md5, NoProgress, Text, &Length); });
    const TGuiTimes GuiLarge = GuiBatches({Large}, {[] {}})[0];
    // The evidence's algorithm in the same read: md5 shown and a .sha256 beside the file,
    // against the batch with sha256 alone (and no checksum file beside it).
    const int32_t Sha256 = AlgorithmIdFromName("sha256");
    const QByteArray Sidecar = Large + ".sha256", SidecarAside = Large + ".sha256.aside";
    {
        HashFile(Large.constData(), Sha256, NoProgress, Text, &Length);
        QFile Out(QString::fromUtf8(SidecarAside));
        if (!Out.open(QIODevice::WriteOnly)) {
            std::fprintf(stderr, "cannot write %s\n", SidecarAside.constData());
            return 1;
        }
        Out.write(QByteArray(Text, Length).toLower() + "  large.bin\n");
    }
    const std::vector<TGuiTimes> EvidenceRuns = GuiBatches(
        {Large}, {[&] {
                      Window.ComboBoxEx1->setCurrentText(QStringLiteral("md5"));
                      QFile::rename(QString::fromUtf8(SidecarAside), QString::fromUtf8(Sidecar));
                  },
                  [&] {
                      Window.ComboBoxEx1->setCurrentText(QStringLiteral("sha256"));
                      QFile::rename(QString::fromUtf8(Sidecar), QString::fromUtf8(SidecarAside));
                  }});
    QFile::remove(QString::fromUtf8(Sidecar));
    QFile::remove(QString::fromUtf8(SidecarAside));
    const double EngineSha256 =
        BestOf([&] { HashFile(Large.constData(), Sha256, NoProgress, Text, &Length); });
    Window.ComboBoxEx1->setCurrentText(QStringLiteral("md5"));
    const double EngineSmall = BestOf([&] {
        for (const QByteArray& Path : Small)
            HashFile(Path.constData(), Md5, NoProgress, Text, &Length);
    });
    // The look for checksum files beside each file: as it runs where there are none, switched
    // off, and with an MD5SUMS in the folder that lists every file (each file then gets a verdict
    // line on the page as well).
    const QByteArray SumsFile = Dir + "/small/MD5SUMS", SumsAside = Dir + "/MD5SUMS.aside";
    {
        QFile Sums(QString::fromUtf8(SumsAside));
        if (!Sums.open(QIODevice::WriteOnly)) {
            std::fprintf(stderr, "cannot write %s\n", SumsAside.constData());
            return 1;
        }
        for (const QByteArray& Path : Small) {
            HashFile(Path.constData(), Md5, NoProgress, Text, &Length);
            Sums.write(QByteArray(Text, Length).toLower() + "  " +
                       Path.mid(Path.lastIndexOf('/') + 1) + "\n");
        }
    }
    auto Listed = [&](bool In) {
        if (In)
            QFile::rename(QString::fromUtf8(SumsAside), QString::fromUtf8(SumsFile));
        else
            QFile::rename(QString::fromUtf8(SumsFile), QString::fromUtf8(SumsAside));
    };
    // The run with 10,000 verdict lines comes after the two that are compared.
    const std::vector<TGuiTimes> SmallRuns = GuiBatches(
        Small, {[&] { Window.CheckBeside = true; }, [&] { Window.CheckBeside = false; }});
    Window.CheckBeside = true;
    Listed(true);
    const TGuiTimes GuiSmallListed = GuiBatches(Small, {[] {}})[0];
    // The look alone, as the batch makes it for each file: its share of the batch's time.
    auto LookAlone = [&](bool In) {
        Listed(In);
        TNoWindow NoWindow;
        engine::Result Digest;
        Digest.digest = std::string(32, '0');
        return BestOf([&] {
            TBesideChecks Checks({Md5});
            for (const QByteArray& Path : Small) {
                Checks.Wants(0, Path);
                Checks.Check(NoWindow, 0, Path, Digest, [&](int32_t) { return Digest; });
            }
        });
    };
    const double LookNone = LookAlone(false), LookListed = LookAlone(true);
    Listed(false);
    QFile::remove(QString::fromUtf8(SumsAside));
    const TGuiTimes &GuiSmall = SmallRuns[0], &GuiSmallUnchecked = SmallRuns[1];
    const double Md5sumLarge = TimeCommand("md5sum " + Quoted(Large) + " > /dev/null");
    const double Md5sumSmall =
        TimeCommand("cd " + Quoted(Dir + "/small") + " && md5sum -- *.dat > /dev/null");
#ifdef QUERNSUM_PATH
    const double QuernsumLarge =
        TimeCommand(QByteArray(QUERNSUM_PATH) + " -a md5 " + Quoted(Large) + " > /dev/null");
    const double QuernsumSmall =
        TimeCommand("cd " + Quoted(Dir + "/small") + " && " + QByteArray(QUERNSUM_PATH) +
                    " -a md5 -- *.dat > /dev/null");
#else
    const double QuernsumLarge = 0, QuernsumSmall = 0;
#endif

    std::printf("best of %d runs, md5, files in the page cache, seconds\n", Repeats);
    std::printf("%-22s %8s %8s %8s %8s %8s  %s\n", "case", "batch", "+page", "HashFile", "md5sum",
                "quernsum", "batch/HashFile batch/md5sum +page/md5sum");
    auto Row = [](const QString& Case, const TGuiTimes& Gui, double Engine, double Md5sum,
                  double Quernsum) {
        std::printf("%-22s %8.3f %8.3f %8.3f %8.3f %8.3f  %14.3f %13.3f %12.3f\n", qPrintable(Case),
                    Gui.Batch, Gui.Page, Engine, Md5sum, Quernsum, Gui.Batch / Engine,
                    Gui.Batch / Md5sum, Gui.Page / Md5sum);
    };
    Row(QStringLiteral("1 file of %1 MiB").arg(LargeMiB), GuiLarge, EngineLarge, Md5sumLarge,
        QuernsumLarge);
    Row(QStringLiteral("%1 files of 4 KiB").arg(SmallCount), GuiSmall, EngineSmall, Md5sumSmall,
        QuernsumSmall);
    // md5 is read in any case: where md5 is slower than sha256 (sha256 in hardware), md5's own
    // batch is the floor of the first figure, so that is shown beside it.
    std::printf(
        "1 file of %lld MiB, md5 shown and a .sha256 beside it, against sha256 alone:\n"
        "  md5+sha256 check %8.3f  sha256 alone %8.3f  %.3fx  (md5 alone %8.3f: %.3fx;"
        " HashFile sha256 %8.3f)\n",
        static_cast<long long>(LargeMiB), EvidenceRuns[0].Batch, EvidenceRuns[1].Batch,
        EvidenceRuns[0].Batch / EvidenceRuns[1].Batch, GuiLarge.Batch,
        EvidenceRuns[0].Batch / GuiLarge.Batch, EngineSha256);
    std::printf(
        "checksum files beside each file, batch (+page) against the batch without the look:\n");
    std::printf("  none there      %8.3f (%.3f)  %8.3f (%.3f)  %.3fx (%.3fx)\n", GuiSmall.Batch,
                GuiSmall.Page, GuiSmallUnchecked.Batch, GuiSmallUnchecked.Page,
                GuiSmall.Batch / GuiSmallUnchecked.Batch, GuiSmall.Page / GuiSmallUnchecked.Page);
    std::printf("  the look alone  %8.4f where there are none (%.3fx), %.4f with MD5SUMS (%.3fx)\n",
                LookNone, (GuiSmallUnchecked.Batch + LookNone) / GuiSmallUnchecked.Batch,
                LookListed, (GuiSmallUnchecked.Batch + LookListed) / GuiSmallUnchecked.Batch);
    std::printf("  MD5SUMS lists all %6.3f (%.3f)  %8.3f (%.3f)  %.3fx (%.3fx)\n",
                GuiSmallListed.Batch, GuiSmallListed.Page, GuiSmallUnchecked.Batch,
                GuiSmallUnchecked.Page, GuiSmallListed.Batch / GuiSmallUnchecked.Batch,
                GuiSmallListed.Page / GuiSmallUnchecked.Page);
    return 0;
}

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
    auto GuiBatch = [&](const QList<QByteArray>& Paths) {
        Window.ReplaceFileList(Paths);
        TGuiTimes Best;
        for (int I = 0; I < Repeats; ++I) {
            Window.O2Click();
            QElapsedTimer Clock;
            Clock.start();
            Window.HashFileList();
            Best.Batch = std::min(Best.Batch, Clock.nsecsElapsed() / 1e9);
            Window.web1->WaitForScripts();
            Best.Page = std::min(Best.Page, Clock.nsecsElapsed() / 1e9);
        }
        return Best;
    };

    const double EngineLarge =
        BestOf([&] { HashFile(Large.constData(), Md5, NoProgress, Text, &Length); });
    const TGuiTimes GuiLarge = GuiBatch({Large});
    const double EngineSmall = BestOf([&] {
        for (const QByteArray& Path : Small)
            HashFile(Path.constData(), Md5, NoProgress, Text, &Length);
    });
    const TGuiTimes GuiSmall = GuiBatch(Small);
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
    return 0;
}

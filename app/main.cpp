// Program start: the application with an empty title, the main window, the message loop.
// Paths on the command line are hashed in one batch once the loop runs; --verify verifies a
// checksum file.
#include <QDir>
#include <QFile>
#include <QTimer>
#include <cstdio>
#include <cstring>
#include <memory>

#include "Application.h"
#include "CommandLine.h"
#include "Language.h"
#include "Unit1.h"

#ifndef QUERNIX_VERSION
#define QUERNIX_VERSION "0"
#endif

int main(int argc, char** argv) {
    // Help and version need no display, so they are answered before the toolkit starts.
    for (int I = 1; I < argc && std::strcmp(argv[I], "--") != 0; ++I) {
        if (!std::strcmp(argv[I], "-h") || !std::strcmp(argv[I], "--help")) {
            std::fputs(qPrintable(CommandLineUsage()), stdout);
            return 0;
        }
        if (!std::strcmp(argv[I], "--version")) {
            std::printf("quernix (Quernix) %s\n", QUERNIX_VERSION);
            return 0;
        }
    }
    PrepareBrowserEnvironment();
    TApplication Application(argc, argv);
    // The toolkit has taken its own options (-platform, -style, ...) out of argv.
    QList<QByteArray> Args;
    for (int I = 1; I < argc; ++I)
        Args.append(QByteArray(argv[I]));
    const TCommandLine Line = ParseCommandLine(Args);
    if (!Line.Error.isEmpty()) {
        std::fprintf(stderr, "quernix: %s\nTry 'quernix --help' for more information.\n",
                     qPrintable(Line.Error));
        return 2;
    }
    InstallTranslations(UiLanguageFromEnvironment());
    auto MainWindow = std::make_unique<TForm1>();
    MainWindow->show();
    if (!Line.Paths.isEmpty())
        QTimer::singleShot(0, MainWindow.get(),
                           [&] { Guarded([&] { MainWindow->OpenCommandLinePaths(Line.Paths); }); });
    // The checksum file's listed names are taken from its folder, wherever the program started.
    if (!Line.VerifyFile.isEmpty())
        QTimer::singleShot(0, MainWindow.get(), [&] {
            MainWindow->VerifyChecksumFile(
                AbsolutePath(Line.VerifyFile, QFile::encodeName(QDir::currentPath())));
        });
    return Application.exec();
}

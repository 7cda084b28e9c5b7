// Starts the main window as the program does, hashes the files named on the command line with
// the algorithm in QUERNIX_SHOT_ALGORITHM (default md5), or verifies the checksum file named by
// QUERNIX_SHOT_VERIFY, and saves a picture of the whole window to QUERNIX_SHOT_OUTPUT. Run by
// scripts/screenshot.sh under a virtual X server.
#include <QComboBox>
#include <QFile>
#include <QGuiApplication>
#include <QPixmap>
#include <QScreen>
#include <QTimer>
#include <cstdio>
#include <memory>

#include "Application.h"
#include "Language.h"
#include "ResultView.h"
#include "Unit1.h"

int main(int argc, char** argv) {
    PrepareBrowserEnvironment();
    TApplication Application(argc, argv);
    InstallTranslations(UiLanguageFromEnvironment());
    const QString Output = qEnvironmentVariable("QUERNIX_SHOT_OUTPUT", "screenshot.png");
    const QString Algorithm = qEnvironmentVariable("QUERNIX_SHOT_ALGORITHM", "md5");
    QList<QByteArray> Paths;
    for (int I = 1; I < argc; ++I)
        Paths.append(QByteArray(argv[I]));

    auto MainWindow = std::make_unique<TForm1>();
    MainWindow->show();
    int Code = 1;
    QTimer::singleShot(500, [&] {
        MainWindow->ComboBoxEx1->setCurrentText(Algorithm);
        if (!qEnvironmentVariableIsEmpty("QUERNIX_SHOT_VERIFY")) {
            MainWindow->VerifyChecksumFile(qgetenv("QUERNIX_SHOT_VERIFY"));
        } else {
            MainWindow->ReplaceFileList(Paths);
            MainWindow->HashFileList();
        }
        MainWindow->web1->WaitForScripts();
        // Leaves the browser time to paint the last blocks.
        QTimer::singleShot(1500, [&] {
            const QPixmap Picture = MainWindow->screen()->grabWindow(
                0, MainWindow->frameGeometry().x(), MainWindow->frameGeometry().y(),
                MainWindow->frameGeometry().width(), MainWindow->frameGeometry().height());
            Code = Picture.save(Output) ? 0 : 1;
            if (Code) std::fprintf(stderr, "could not save %s\n", qPrintable(Output));
            QCoreApplication::exit(Code);
        });
    });
    Application.exec();
    return Code;
}

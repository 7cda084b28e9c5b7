// Program start: the application with an empty title, the main window, the message loop.
#include <memory>

#include "Application.h"
#include "Language.h"
#include "Unit1.h"

int main(int argc, char** argv) {
    PrepareBrowserEnvironment();
    TApplication Application(argc, argv);
    InstallTranslations(UiLanguageFromEnvironment());
    auto MainWindow = std::make_unique<TForm1>();
    MainWindow->show();
    return Application.exec();
}

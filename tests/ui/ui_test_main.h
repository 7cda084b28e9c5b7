// main() for the window tests: the application is set up as the program sets it up.
#pragma once

#include <QTest>

#include "Application.h"

#define QUERNIX_UI_TEST_MAIN(TestObject)              \
    int main(int argc, char** argv) {                 \
        PrepareBrowserEnvironment();                  \
        TApplication Application(argc, argv);         \
        Application.setQuitOnLastWindowClosed(false); \
        TestObject Test;                              \
        QTEST_SET_MAIN_SOURCE_PATH                    \
        return QTest::qExec(&Test, argc, argv);       \
    }

#pragma once

#include "platform/app_setup.h"
#include "support/fake_dialogs.h"

#include <QApplication>
#include <QtTest>

// main() of a test program: the program's own set-up (fonts, translations),
// and scripted message boxes installed before the first test runs.
#define SANSU_TEST_MAIN(TestClass)                                                                 \
    int main(int argc, char **argv)                                                                \
    {                                                                                              \
        QApplication app(argc, argv);                                                              \
        AppSetup::configure(app);                                                                  \
        FakeDialogs::installed();                                                                  \
        TestClass test;                                                                            \
        return QTest::qExec(&test, argc, argv);                                                    \
    }

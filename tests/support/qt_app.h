// One QApplication for all tests of a test program, made by the first test
// that needs it.
#pragma once

#include <QApplication>

namespace kestro::test {

inline QApplication& TestApp() {
    static int argc = 1;
    static char name[] = "kestro_app_tests";
    static char* argv[] = {name, nullptr};
    // Never destroyed: at process exit Qt's own globals may already be gone.
    static QApplication* app = new QApplication(argc, argv);
    return *app;
}

}  // namespace kestro::test

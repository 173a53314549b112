#pragma once
// The one QApplication of a widget test program, made on first use so that
// GoogleTest's own main() can stay.

#include <QApplication>

inline bool App() {
    static int argc = 1;
    static char arg0[] = "vna_widget_test";
    static char* argv[] = {arg0, nullptr};
    static QApplication* app = new QApplication(argc, argv);
    return app != nullptr;
}

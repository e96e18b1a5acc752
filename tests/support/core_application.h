#pragma once

#include <QCoreApplication>

namespace tavrik::test {

// One application object for the whole test program, for socket notifiers and processes.
inline QCoreApplication& CoreApplication()
{
    static int argc = 1;
    static char name[] = "tests";
    static char* argv[] = {name, nullptr};
    static QCoreApplication* app = QCoreApplication::instance() ? QCoreApplication::instance()
                                                                : new QCoreApplication(argc, argv);
    return *app;
}

} // namespace tavrik::test

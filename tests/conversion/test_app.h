#pragma once

#include <QApplication>

namespace tavrik::test {

// The one application object widgets need; made on first use.
inline QApplication& App()
{
    static int argc = 1;
    static char name[] = "conversion_tests";
    static char* argv[] = {name, nullptr};
    static QApplication app(argc, argv);
    return app;
}

} // namespace tavrik::test

#pragma once

#include <QApplication>

namespace tavrik::test {

// One QApplication for the whole test program, made on first use.
class QtApplication {
public:
    QtApplication()
    {
        if (QApplication::instance() == nullptr) {
            static int argc = 1;
            static char name[] = "tavrik-tests";
            static char* argv[] = {name, nullptr};
            static QApplication app(argc, argv);
        }
    }
};

} // namespace tavrik::test

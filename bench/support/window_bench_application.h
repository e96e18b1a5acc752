#pragma once

#include <QApplication>

namespace tavrik::bench {

namespace detail {
// Set before QApplication reads it, hence a base of its own.
struct OffscreenUnlessChosen {
    OffscreenUnlessChosen()
    {
        if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
            qputenv("QT_QPA_PLATFORM", "offscreen");
    }
};
} // namespace detail

// The application of a bench that drives real windows: offscreen unless the caller chose a
// platform, so it runs without a display and measures the window, not a compositor.
class WindowBenchApplication : private detail::OffscreenUnlessChosen, public QApplication {
public:
    WindowBenchApplication(int& argc, char** argv) : QApplication(argc, argv) {}
};

} // namespace tavrik::bench

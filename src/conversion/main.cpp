#include "conversion/qt_conversion_dialogs.h"
#include "conversion/convert_window.h"
#include "platform/clock.h"

#include <QApplication>

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Conversion"));
    tavrik::conversion::QtConversionDialogs dialogs;
    tavrik::MonotonicClock clock;
    tavrik::conversion::Convert window(dialogs, clock, QCoreApplication::applicationDirPath());
    dialogs.setParent(&window);
    window.show();
    return app.exec();
}

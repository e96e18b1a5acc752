#include "notecart/frm_convert_notes.h"
#include "notecart/isam_library.h"
#include "notecart/qt_notecart_dialogs.h"
#include "platform/clock.h"

#include <QApplication>
#include <QDir>
#include <QMessageBox>

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("notecart"));
    using namespace tavrik::notecart;
    // The library lies beside the program, as on the system it comes from.
    const QString libraryPath =
        QDir(QCoreApplication::applicationDirPath()).filePath(QLatin1String(IsamLibrary::kFileName));
    QString error;
    const std::unique_ptr<IsamLibrary> library = IsamLibrary::load(libraryPath, error);
    if (!library) {
        QMessageBox::critical(nullptr, QStringLiteral("Convert Vorbel Notes to Vorbel32"),
                              QStringLiteral("The ISAM library cannot be loaded:\n%1").arg(error));
        return 1;
    }
    QtNotecartDialogs dialogs;
    tavrik::MonotonicClock clock;
    frmConvertNotes window(*library, dialogs, clock);
    dialogs.setParent(&window);
    window.show();
    return app.exec();
}

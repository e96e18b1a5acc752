#include "notecart/frm_convert_notes.h"
#include "notecart/isam_library.h"
#include "notecart/qt_notecart_dialogs.h"
#include "platform/clock.h"

#include <QApplication>
#include <QDir>

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("notecart"));
    using namespace tavrik;
    using namespace tavrik::notecart;
    // The library lies beside the program, as on the system it comes from.
    const QString libraryPath =
        QDir(QCoreApplication::applicationDirPath()).filePath(QLatin1String(IsamLibrary::kFileName));
    QtNotecartDialogs dialogs;
    QString error;
    const std::unique_ptr<IsamLibrary> library = IsamLibrary::load(libraryPath, error);
    if (!library) {
        dialogs.showMessage(DialogTitle(QStringLiteral("Convert Vorbel Notes to Vorbel32")),
                            QStringLiteral("The ISAM library cannot be loaded:\n%1").arg(error), MessageIcon::Critical);
        return 1;
    }
    tavrik::MonotonicClock clock;
    frmConvertNotes window(*library, dialogs, clock);
    dialogs.setParent(&window);
    window.show();
    return app.exec();
}

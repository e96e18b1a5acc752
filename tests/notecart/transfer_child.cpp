// Runs one notecart transfer offscreen and prints how many notes are done, as they are done,
// so a test can kill it in the middle. Arguments: library, notes file, logbook (no ".ISD").
#include "notecart/frm_convert_notes.h"
#include "notecart/notecart_dialogs.h"
#include "platform/clock.h"

#include <QApplication>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTimer>

#include <cstdio>

namespace {

class NoDialogs final : public tavrik::notecart::NotecartDialogs {
public:
    QString chooseFile(const tavrik::DialogTitle&, const QString&, const QString&) override { return {}; }
    void showMessage(const tavrik::DialogTitle&, const QString& text, tavrik::MessageIcon) override
    {
        std::printf("message %s\n", qPrintable(text));
    }
};

} // namespace

int main(int argc, char** argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    const QStringList arguments = QCoreApplication::arguments();
    if (arguments.size() != 4)
        return 2;
    QString error;
    auto library = tavrik::notecart::IsamLibrary::load(arguments[1], error);
    if (!library)
        return 3;
    NoDialogs dialogs;
    tavrik::MonotonicClock clock;
    tavrik::notecart::frmConvertNotes window(*library, dialogs, clock);
    window.show();
    window.txtNotesFile->setText(arguments[2]);
    window.txtLogbook->setText(arguments[3]);

    QTimer report;
    QObject::connect(&report, &QTimer::timeout, [&] {
        std::printf("done %d\n", window.lblProgress->text().section(u' ', 0, 0).toInt());
        std::fflush(stdout);
    });
    report.start(0);
    window.cmdStart->click();
    std::printf("finished\n");
    return 0;
}

// Tavrik: the CW keyer's main window, started with an optional settings profile name.
#include "operator/frm_tavrik.h"
#include "operator/operator_dialogs.h"
#include "platform/clock.h"
#include "platform/parallel_port.h"
#include "platform/priority.h"
#include "platform/serial_line.h"

#include <QApplication>
#include <QFont>
#include <QStringList>

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Tavrik"));
    // Stored fonts name the old system face; draw them with the desktop's own sans serif.
    QFont::insertSubstitution(QStringLiteral("MS Sans Serif"), QStringLiteral("DejaVu Sans"));

    tavrik::MonotonicClock clock;
    tavrik::SchedulerPriority priority;
    tavrik::ParallelPortIo parallelPort;
    tavrik::QtOperatorDialogs dialogs;
    tavrik::FrmTavrik window({clock, priority, parallelPort, tavrik::SystemModemLines(), dialogs});
    dialogs.setParent(&window);

    QStringList arguments = QCoreApplication::arguments();
    arguments.removeFirst();
    window.formLoad({QCoreApplication::applicationDirPath(), arguments.join(u' ')});
    // The logging program may have asked for the close before the window was ever shown.
    if (window.hasShutDown())
        return 0;
    window.show();
    return QApplication::exec();
}

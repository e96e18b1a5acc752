#pragma once

#include <QObject>
#include <QPointer>

class QAction;
class QDialog;
class QMainWindow;

namespace tavrik {

class StationModel;
struct TavrikMenus;

// The main window's side of rig control: the keyer entry "Rig" beside "WinKey" and
// "Software", and the "Rig control" dialog. The radio's keyer and its settings live in the
// station.
class RigBridge final : public QObject {
public:
    RigBridge(QMainWindow& window, const TavrikMenus& menus, StationModel& station);

    void showChosen(bool rig);
    void openDialog();

private:
    void addMenuEntries(const TavrikMenus& menus);

    QMainWindow& window_;
    StationModel& station_;
    QAction* mnuRigKeyer_ = nullptr;
    QPointer<QDialog> dialog_;
};

} // namespace tavrik

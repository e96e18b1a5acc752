#pragma once

#include "common/colour.h"
#include "operator/contact_field.h"

#include <QFrame>

class QComboBox;
class QLabel;

namespace tavrik {

class Lamp;

// sBar, the strip above the typing box: the keying speed, the KEY and PTT lamps, the
// callsigns logged last, the contact fields and where the WinKey stands.
class StationToolBar final : public QFrame {
    Q_OBJECT
public:
    StationToolBar(ContactFieldEvents& fieldEvents, QWidget* parent = nullptr);

    QLabel& speedLabel() { return *speedLabel_; }
    void setSpeedColour(Colour colour);
    Lamp& keyLamp() { return *keyBox_; }
    Lamp& pttLamp() { return *pttBox_; }
    QComboBox& history() { return *cmbPrevious_; }
    ContactFieldEdit& callsignField() { return *callsign_; }
    ContactFieldEdit& nameField() { return *name_; }
    ContactFieldEdit& srxField() { return *srx_; }
    ContactFieldEdit& field(ContactField field);
    // The callsign goes to the top of the history, at most eight deep, and is picked again.
    void addCallsignToHistory();
    // The WinKey's state, shown only while it is the keyer.
    void showWinKeyState(const QString& state, bool shown);
    void hideWinKeyState();

signals:
    // The received exchange as shown: never empty, "###" until something is received.
    void srxEdited(const QString& text);

private:
    void srxChanged(const QString& text);
    void historyPicked(int row);

    QLabel* speedLabel_ = nullptr;
    Lamp* keyBox_ = nullptr;
    Lamp* pttBox_ = nullptr;
    QComboBox* cmbPrevious_ = nullptr;
    ContactFieldEdit* callsign_ = nullptr;
    ContactFieldEdit* srx_ = nullptr;
    ContactFieldEdit* name_ = nullptr;
    QLabel* winKeyStateLabel_ = nullptr;
};

} // namespace tavrik

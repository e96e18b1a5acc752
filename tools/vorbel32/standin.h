#pragma once

#include "block_file.h"
#include "radio_lines.h"
#include "window_socket.h"

#include <QObject>
#include <QString>

#include <cstdio>
#include <memory>

namespace tavrik::standin {

// The logging program as Tavrik sees it: the block "TAVRIK", the window "Vorbel32" taking the
// message "TAVRIK", and the radio's serial port for the shared-serial requests.
class StandIn final : public QObject {
    Q_OBJECT
public:
    explicit StandIn(std::FILE* out, QObject* parent = nullptr);

    // Creates the runtime directory, the block and the window socket; the serial device may
    // be empty. False with the reason in error.
    bool start(const QString& serialDevice, QString& error);
    // One console command; see HelpText().
    void runCommand(const QString& line);

    static QString HelpText();

signals:
    void quitRequested();

private:
    std::int32_t onMessage(const WindowMessage& message, int connection);
    void carryOut(int code, int connection);
    // A connection ended: the lines it switched on go off; lines another keyer holds stay.
    void releaseLinesOf(int connection);
    void writeSlot(int slot, const QString& text);
    QString slotValue(int slot);
    void show();
    void print(const QString& line);

    std::FILE* out_;
    BlockFile block_;
    std::unique_ptr<WindowSocket> window_;
    RadioLines radio_;
    // The connection that switched each line on; 0 while the line is off.
    int keyHolder_ = 0;
    int pttHolder_ = 0;
    bool warnedNoModemLines_ = false;
};

} // namespace tavrik::standin

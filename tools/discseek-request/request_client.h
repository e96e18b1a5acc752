#pragma once

#include <QByteArray>
#include <QString>

#include <chrono>
#include <cstdint>

// The requesting side of Discseek's socket, as a logging program has it: one connection, the
// request records in order, then the wait until Discseek ends and closes it.
class DiscseekConnection {
public:
    using Deadline = std::chrono::steady_clock::time_point;

    DiscseekConnection() = default;
    ~DiscseekConnection();
    DiscseekConnection(const DiscseekConnection&) = delete;
    DiscseekConnection& operator=(const DiscseekConnection&) = delete;

    // False when no Discseek listens there.
    bool connectTo(const QString& socketPath);
    // One record, named "Discseek" unless told; waits for room until the deadline.
    bool post(std::int32_t wParam, std::int32_t lParam, Deadline deadline, const QByteArray& name = "Discseek");
    // True once Discseek has ended (its side of the connection closed).
    bool waitForEnd(Deadline deadline);
    // The working directory of the Discseek at the other end, where it writes Discseek.dat;
    // empty when it cannot be told.
    QString peerWorkingDirectory() const;

private:
    int fd_ = -1;
};

// The records of one lookup: the drive, each callsign character, then the callbook's number.
struct LookupRecords {
    std::int32_t driveCode = 0;
    QByteArray callsign; // single-byte
    std::int32_t callbook = 0;
};

#pragma once

#include <QByteArray>

#include <cstdint>
#include <optional>

namespace discseek {

enum class Callbook { Rac = 0, HamCall = 1, Qrz = 2 };

// What the request records have said so far: the drive, the callsign gathered one character a
// record, and which callbook to ask. Text is single-byte, as the libraries take it.
class RequestTable {
public:
    // No real callsign comes near this; a flood of records cannot grow it further.
    static constexpr qsizetype kMaxCallLength = 32;

    // Takes one record's (wParam, lParam); returns the callbook when the record asks for a lookup.
    std::optional<Callbook> take(std::int32_t wParam, std::int32_t lParam);

    // A letter and a colon, or empty until a drive record came.
    const QByteArray& cdDrive() const { return cdDrive_; }
    const QByteArray& lookupCall() const { return lookupCall_; }

private:
    QByteArray cdDrive_;
    QByteArray lookupCall_;
};

} // namespace discseek

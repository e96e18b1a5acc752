#pragma once

#include <QByteArray>
#include <QString>

#include <optional>

namespace tavrik::netkeyer {

// A text request as the typing box holds it: speed steps as the box's own markers, prosigns
// as joined letters ("A^R"), half spaces as "~"; what the box would read as a mark of its own
// is dropped, so a client keys nothing it did not ask for.
struct BoxText {
    QString text;
    // A "^" ends the text and asks for it back once it has been keyed.
    std::optional<QByteArray> echo;
};

BoxText ToBoxText(const QByteArray& request);

// ESC 2 at its place in the box.
QString SpeedMarkText(int wpm);

} // namespace tavrik::netkeyer

#pragma once

#include <QString>

#include <utility>

namespace tavrik {

enum class MessageIcon { None, Exclamation, Information, Critical };

// The title of a box or a dialog. A type of its own: with the title and the text both plain
// strings, a call that gave them the wrong way round would compile and show the text as the
// title.
class DialogTitle {
public:
    explicit DialogTitle(QString text) : text_(std::move(text)) {}
    const QString& text() const { return text_; }

private:
    QString text_;
};

// The message boxes of a program, behind one interface so that tests can answer them.
// Each program's own dialogs (files, colours, fonts, questions) extend it.
class MessageDialogs {
public:
    virtual ~MessageDialogs() = default;
    // A box with an OK button. Whether the call waits for OK is the program's choice.
    virtual void showMessage(const DialogTitle& title, const QString& text, MessageIcon icon) = 0;
};

} // namespace tavrik

#pragma once

#include "operator/typing_box.h"

#include <QTextEdit>

namespace tavrik {

// What the typing box's key and mouse events are handed to.
class TypingBoxEvents {
public:
    virtual ~TypingBoxEvents() = default;
    virtual void typingBoxKeyDown(int& keyCode, int& shift) = 0;
    virtual void typingBoxKeyPress(int& keyAscii) = 0;
    virtual void typingBoxChanged() = 0;
    virtual void typingBoxMouseDown() = 0;
    virtual void typingBoxMouseUp(Qt::MouseButton button) = 0;
    virtual void typingBoxFocused() = 0;
    // Alt+letter keys a macro button claims must reach the box before the menu bar sees them.
    virtual bool claimsAltKey(int keyCode) const = 0;
};

// CWTextBox: the transmit queue on screen, in three colours.
class CwTextBox final : public QTextEdit, public TypingBox {
public:
    explicit CwTextBox(QWidget* parent = nullptr);
    void setEvents(TypingBoxEvents* events) { events_ = events; }

    // TransmitQueue
    qsizetype length() const override;
    QChar charAt(qsizetype position) const override;
    void removeCharAt(qsizetype position) override;
    void suspendRedraw() override;
    void resumeRedraw() override;
    void colourRange(qsizetype first, qsizetype count, Colour colour) override;
    void moveCaretToEnd() override;
    void setTypingColour(Colour colour) override;
    void keepFrom(qsizetype position) override;
    void clear() override;

    // TypingBox
    QString text() const override;
    void insertAtEnd(const QString& text) override;
    void removeLastChar() override;
    void replaceRange(qsizetype first, qsizetype count, const QString& text) override;
    void setBackground(Colour colour) override;

    // The right-button paste: the clipboard's text at the end, line breaks as blanks.
    // Returns whether anything was inserted.
    bool pasteClipboardAtEnd();

    // A port or sound error in place of the box's text. It is shown, never queued: sending
    // it would put the error on the air. The operator's next text replaces it.
    void showNotice(const QString& text) override;
    // The notice goes when it starts with `start`: what it reported has been mended.
    void withdrawNotice(const QString& start) override;
    void clearNotice() override { setPlaceholderText(QString()); }
    QString notice() const override { return placeholderText(); }

protected:
    bool event(QEvent* e) override;
    void keyPressEvent(QKeyEvent* e) override;
    void inputMethodEvent(QInputMethodEvent* e) override;
    void mousePressEvent(QMouseEvent* e) override;
    void mouseReleaseEvent(QMouseEvent* e) override;
    void mouseMoveEvent(QMouseEvent* e) override;
    void mouseDoubleClickEvent(QMouseEvent* e) override;
    void focusInEvent(QFocusEvent* e) override;
    void insertFromMimeData(const QMimeData* source) override;
    bool canInsertFromMimeData(const QMimeData* source) const override;

private:
    // A typed character: the key-press handling may change or swallow it.
    void pressCharacter(int keyAscii);
    void colourChars(qsizetype first, qsizetype count, Colour colour);
    // Characters up to this count are known to carry `prefixColour_`: sent-text colouring
    // then touches only what is new, however long the transmission grows.
    void forgetColouredPrefixFrom(qsizetype position);

    TypingBoxEvents* events_ = nullptr;
    Colour typingColour_ = 16711680;
    Colour prefixColour_ = 0;
    qsizetype colouredPrefix_ = 0;
    int redrawSuspensions_ = 0;
};

} // namespace tavrik

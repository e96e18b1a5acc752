#include "operator/cw_text_box.h"

#include "operator/virtual_keys.h"

#include <QApplication>
#include <QClipboard>
#include <QInputMethodEvent>
#include <QKeyEvent>
#include <QMimeData>
#include <QTextBlock>
#include <QTextCursor>

namespace tavrik {
namespace {

QString OneLine(QString text)
{
    text.replace(QStringLiteral("\r\n"), QStringLiteral(" "));
    text.replace(u'\r', u' ');
    text.replace(u'\n', u' ');
    text.replace(QChar(QChar::ParagraphSeparator), u' ');
    text.replace(QChar(QChar::LineSeparator), u' ');
    return text;
}

} // namespace

CwTextBox::CwTextBox(QWidget* parent) : QTextEdit(parent)
{
    setObjectName(QStringLiteral("CWTextBox"));
    setAcceptRichText(false);
    setContextMenuPolicy(Qt::NoContextMenu);
    setTabChangesFocus(true);
    setUndoRedoEnabled(false);
    setWordWrapMode(QTextOption::WrapAtWordBoundaryOrAnywhere);
}

qsizetype CwTextBox::length() const
{
    return document()->characterCount() - 1;
}

QChar CwTextBox::charAt(qsizetype position) const
{
    return document()->characterAt(static_cast<int>(position - 1));
}

QString CwTextBox::text() const
{
    return toPlainText();
}

void CwTextBox::removeCharAt(qsizetype position)
{
    QTextCursor cursor(document());
    cursor.setPosition(static_cast<int>(position - 1));
    cursor.setPosition(static_cast<int>(position), QTextCursor::KeepAnchor);
    cursor.removeSelectedText();
    forgetColouredPrefixFrom(position);
}

void CwTextBox::suspendRedraw()
{
    if (redrawSuspensions_++ == 0)
        viewport()->setUpdatesEnabled(false);
}

void CwTextBox::resumeRedraw()
{
    if (redrawSuspensions_ > 0 && --redrawSuspensions_ == 0) {
        viewport()->setUpdatesEnabled(true);
        viewport()->update();
    }
}

void CwTextBox::colourChars(qsizetype first, qsizetype count, Colour colour)
{
    const qsizetype last = std::min(first + count - 1, length());
    if (count <= 0 || first > last)
        return;
    QTextCursor cursor(document());
    cursor.setPosition(static_cast<int>(first - 1));
    cursor.setPosition(static_cast<int>(last), QTextCursor::KeepAnchor);
    QTextCharFormat format;
    format.setForeground(ToQColor(colour));
    cursor.mergeCharFormat(format);
}

void CwTextBox::colourRange(qsizetype first, qsizetype count, Colour colour)
{
    if (first == 1 && colour == prefixColour_ && count >= colouredPrefix_) {
        colourChars(colouredPrefix_ + 1, count - colouredPrefix_, colour);
        colouredPrefix_ = std::min(count, length());
        return;
    }
    colourChars(first, count, colour);
    if (first == 1) {
        prefixColour_ = colour;
        colouredPrefix_ = std::min(count, length());
    } else {
        forgetColouredPrefixFrom(first);
    }
}

void CwTextBox::forgetColouredPrefixFrom(qsizetype position)
{
    colouredPrefix_ = std::min(colouredPrefix_, position - 1);
}

void CwTextBox::moveCaretToEnd()
{
    moveCursor(QTextCursor::End);
}

void CwTextBox::setTypingColour(Colour colour)
{
    typingColour_ = colour;
    setTextColor(ToQColor(colour));
}

void CwTextBox::keepFrom(qsizetype position)
{
    if (position <= 1)
        return;
    QTextCursor cursor(document());
    cursor.setPosition(0);
    cursor.setPosition(static_cast<int>(std::min(position - 1, length())), QTextCursor::KeepAnchor);
    cursor.removeSelectedText();
    colouredPrefix_ = 0;
}

void CwTextBox::clear()
{
    QTextEdit::clear();
    colouredPrefix_ = 0;
    setTextColor(ToQColor(typingColour_));
}

void CwTextBox::showNotice(const QString& text)
{
    clear();
    setPlaceholderText(text);
}

void CwTextBox::withdrawNotice(const QString& start)
{
    if (!placeholderText().isEmpty() && placeholderText().startsWith(start))
        setPlaceholderText(QString());
}

void CwTextBox::insertAtEnd(const QString& more)
{
    if (!placeholderText().isEmpty())
        setPlaceholderText(QString());
    QTextCursor cursor(document());
    cursor.movePosition(QTextCursor::End);
    QTextCharFormat format;
    format.setForeground(ToQColor(typingColour_));
    cursor.insertText(OneLine(more), format);
    moveCaretToEnd();
}

void CwTextBox::removeLastChar()
{
    if (length() > 0)
        removeCharAt(length());
}

void CwTextBox::replaceRange(qsizetype first, qsizetype count, const QString& with)
{
    const qsizetype start = std::min(first - 1, length());
    QTextCursor cursor(document());
    cursor.setPosition(static_cast<int>(start));
    cursor.setPosition(static_cast<int>(std::min(start + count, length())), QTextCursor::KeepAnchor);
    QTextCharFormat format;
    format.setForeground(ToQColor(typingColour_));
    cursor.insertText(OneLine(with), format);
    forgetColouredPrefixFrom(first);
}

void CwTextBox::setBackground(Colour colour)
{
    QPalette p = palette();
    p.setColor(QPalette::Base, ToQColor(colour));
    setPalette(p);
}

bool CwTextBox::pasteClipboardAtEnd()
{
    const QString clip = QApplication::clipboard()->text();
    const qsizetype before = length();
    moveCaretToEnd();
    if (!clip.isEmpty())
        insertAtEnd(clip);
    moveCaretToEnd();
    return length() != before;
}

bool CwTextBox::event(QEvent* e)
{
    if (e->type() == QEvent::ShortcutOverride && events_ != nullptr) {
        const auto* key = static_cast<QKeyEvent*>(e);
        const VirtualKey vk = VirtualKeyFromEvent(*key);
        if (vk.shift == ShiftMask::kAlt && events_->claimsAltKey(vk.keyCode)) {
            e->accept();
            return true;
        }
    }
    return QTextEdit::event(e);
}

void CwTextBox::keyPressEvent(QKeyEvent* e)
{
    if (events_ == nullptr) {
        QTextEdit::keyPressEvent(e);
        return;
    }
    VirtualKey vk = VirtualKeyFromEvent(*e);
    if (vk.keyCode != 0) {
        events_->typingBoxKeyDown(vk.keyCode, vk.shift);
        if (vk.keyCode == 0)
            return;
    }
    const QString typed = e->text();
    const bool character = typed.size() == 1 && !(e->modifiers() & (Qt::ControlModifier | Qt::AltModifier));
    if (vk.keyCode == Vk::kBackspace || (character && typed.at(0).unicode() >= 32) || vk.keyCode == Vk::kEnter) {
        const qsizetype before = length();
        pressCharacter(vk.keyCode == Vk::kBackspace ? Vk::kBackspace
                       : vk.keyCode == Vk::kEnter   ? Vk::kEnter
                                                    : typed.at(0).unicode());
        if (length() != before)
            events_->typingBoxChanged();
        return;
    }
    // Alt with a key is a command, never text.
    if (e->modifiers() & Qt::AltModifier)
        return;
    // Caret movement and the like; a key that edits (Delete) still counts as a change.
    const QString before = toPlainText();
    QTextEdit::keyPressEvent(e);
    if (toPlainText() != before) {
        forgetColouredPrefixFrom(1);
        events_->typingBoxChanged();
    }
}

void CwTextBox::pressCharacter(int keyAscii)
{
    events_->typingBoxKeyPress(keyAscii);
    if (keyAscii != 0)
        insertAtEnd(QString(QChar(static_cast<char16_t>(keyAscii))));
}

void CwTextBox::inputMethodEvent(QInputMethodEvent* e)
{
    if (events_ == nullptr) {
        QTextEdit::inputMethodEvent(e);
        return;
    }
    // Text an input method commits (dead keys, compose, many European layouts) is typed
    // text: each character is handled as its key press would be.
    const qsizetype before = length();
    for (const QChar c : e->commitString()) {
        if (c.unicode() >= 32)
            pressCharacter(c.unicode());
    }
    // What is still being composed shows where typed text goes; it is not queued yet.
    moveCaretToEnd();
    QInputMethodEvent composing(e->preeditString(), e->attributes());
    QTextEdit::inputMethodEvent(&composing);
    e->accept();
    if (length() != before)
        events_->typingBoxChanged();
}

void CwTextBox::mousePressEvent(QMouseEvent* e)
{
    // No drag selection: the caret stays where the keyer expects it.
    if (events_ != nullptr)
        events_->typingBoxMouseDown();
    setFocus(Qt::MouseFocusReason);
    e->accept();
}

void CwTextBox::mouseReleaseEvent(QMouseEvent* e)
{
    if (events_ != nullptr)
        events_->typingBoxMouseUp(e->button());
    e->accept();
}

void CwTextBox::mouseMoveEvent(QMouseEvent* e)
{
    e->accept();
}

void CwTextBox::mouseDoubleClickEvent(QMouseEvent* e)
{
    e->accept();
}

void CwTextBox::focusInEvent(QFocusEvent* e)
{
    QTextEdit::focusInEvent(e);
    if (events_ != nullptr)
        events_->typingBoxFocused();
}

bool CwTextBox::canInsertFromMimeData(const QMimeData*) const
{
    return false;
}

void CwTextBox::insertFromMimeData(const QMimeData*)
{
    // Text reaches the queue only by typing, macros and the right-button paste.
}

} // namespace tavrik

#include "operator/contact_field.h"

#include "operator/virtual_keys.h"

#include <QInputMethodEvent>
#include <QKeyEvent>

namespace tavrik {

ContactFieldEdit::ContactFieldEdit(ContactField field, const QString& objectName, QWidget* parent)
    : QLineEdit(parent), field_(field)
{
    setObjectName(objectName);
    // A slot carries 63 characters and its terminator.
    setMaxLength(63);
    setContextMenuPolicy(Qt::NoContextMenu);
}

bool ContactFieldEdit::event(QEvent* e)
{
    if (events_ != nullptr && e->type() == QEvent::ShortcutOverride) {
        const VirtualKey vk = VirtualKeyFromEvent(*static_cast<QKeyEvent*>(e));
        if (vk.shift == ShiftMask::kAlt && events_->claimsAltKey(vk.keyCode)) {
            e->accept();
            return true;
        }
    }
    // Tab walks the fields by their own rule, not the focus chain.
    if (events_ != nullptr && e->type() == QEvent::KeyPress) {
        auto* key = static_cast<QKeyEvent*>(e);
        if (key->key() == Qt::Key_Tab || key->key() == Qt::Key_Backtab) {
            keyPressEvent(key);
            return true;
        }
    }
    return QLineEdit::event(e);
}

void ContactFieldEdit::keyPressEvent(QKeyEvent* e)
{
    if (events_ == nullptr) {
        QLineEdit::keyPressEvent(e);
        return;
    }
    VirtualKey vk = VirtualKeyFromEvent(*e);
    if (vk.keyCode != 0) {
        events_->fieldKeyDown(field_, vk.keyCode, vk.shift);
        if (vk.keyCode == 0)
            return;
    }
    const QString typed = e->text();
    const bool character = typed.size() == 1 && typed.at(0).unicode() >= 32
                           && !(e->modifiers() & (Qt::ControlModifier | Qt::AltModifier));
    // Enter and Backspace raise a key press as characters do.
    const bool control = vk.keyCode == Vk::kEnter || vk.keyCode == Vk::kBackspace;
    if (character || control) {
        int keyAscii = control ? vk.keyCode : typed.at(0).unicode();
        const int original = keyAscii;
        events_->fieldKeyPress(field_, keyAscii);
        if (keyAscii == 0)
            return;
        if (keyAscii != original) {
            insert(QString(QChar(static_cast<char16_t>(keyAscii))));
            return;
        }
    }
    // Alt with a key is a command, never text.
    if (!(e->modifiers() & Qt::AltModifier))
        QLineEdit::keyPressEvent(e);
}

void ContactFieldEdit::inputMethodEvent(QInputMethodEvent* e)
{
    if (events_ == nullptr || e->commitString().isEmpty()) {
        QLineEdit::inputMethodEvent(e);
        return;
    }
    // Text an input method commits is typed text: a callsign's letters become capitals.
    QString committed;
    for (const QChar c : e->commitString()) {
        int keyAscii = c.unicode();
        if (keyAscii < 32)
            continue;
        events_->fieldKeyPress(field_, keyAscii);
        if (keyAscii != 0)
            committed += QChar(static_cast<char16_t>(keyAscii));
    }
    QInputMethodEvent typed(e->preeditString(), e->attributes());
    typed.setCommitString(committed, e->replacementStart(), e->replacementLength());
    QLineEdit::inputMethodEvent(&typed);
    e->accept();
}

void ContactFieldEdit::mousePressEvent(QMouseEvent* e)
{
    if (events_ != nullptr)
        events_->fieldMouseDown(field_);
    QLineEdit::mousePressEvent(e);
}

void ContactFieldEdit::mouseMoveEvent(QMouseEvent* e)
{
    // The press only places the caret in the callsign: no drag selection.
    if (field_ == ContactField::Callsign && (e->buttons() & Qt::LeftButton)) {
        e->accept();
        return;
    }
    QLineEdit::mouseMoveEvent(e);
}

void ContactFieldEdit::focusInEvent(QFocusEvent* e)
{
    QLineEdit::focusInEvent(e);
    if (events_ != nullptr)
        events_->fieldFocused(field_);
}

} // namespace tavrik

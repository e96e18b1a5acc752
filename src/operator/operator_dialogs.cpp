#include "operator/operator_dialogs.h"

#include "common/qt_message_box.h"
#include "common/vb_numbers.h"
#include "operator/windows_fonts.h"

#include <QApplication>
#include <QBoxLayout>
#include <QColorDialog>
#include <QDialogButtonBox>
#include <QFontDialog>
#include <QLabel>
#include <QMessageBox>
#include <QPushButton>
#include <QScreen>

namespace tavrik {
namespace {

// A plain patch rather than a disabled button, which would draw the colour faded.
void PaintSwatch(QLabel& swatch, Colour colour)
{
    swatch.setStyleSheet(QStringLiteral("QLabel { background: %1; border: 1px solid palette(dark); min-width: 48px; }")
                             .arg(ToQColor(colour).name()));
}

// At the centre of the window `owner` belongs to, and above it.
void PlaceOver(QWidget& dialog, const QWidget* owner)
{
    if (owner == nullptr)
        return;
    // Above a window that stays on top, not hidden under it.
    if (owner->window()->windowFlags().testFlag(Qt::WindowStaysOnTopHint))
        dialog.setWindowFlag(Qt::WindowStaysOnTopHint);
    dialog.adjustSize();
    // A window not shown yet (the start-up's boxes) has no place to go by: the screen's centre.
    const QScreen* screen = owner->screen() != nullptr ? owner->screen() : QGuiApplication::primaryScreen();
    const QRect over = owner->window()->isVisible() || screen == nullptr ? owner->window()->frameGeometry()
                                                                         : screen->availableGeometry();
    const QSize size = dialog.frameGeometry().size();
    dialog.move(over.center().x() - size.width() / 2, over.center().y() - size.height() / 2);
}

} // namespace

bool BelongsTo(const QWidget* widget, const QWidget* owner)
{
    for (const QWidget* w = widget; w != nullptr; w = w->parentWidget()) {
        if (w == owner)
            return true;
    }
    return false;
}

QWidget* QtOperatorDialogs::owner() const
{
    // The window the operator is working in: a dialog's box and pickers sit over that dialog,
    // and above it when it stays on top.
    QWidget* active = QApplication::activeWindow();
    return active != nullptr && BelongsTo(active, parent_) ? active : parent_;
}

// No event loop of its own: opened inside the send loop's wait it would hold the key line.
void QtOperatorDialogs::showMessage(const DialogTitle& title, const QString& text, MessageIcon icon)
{
    QWidget* over = owner();
    QMessageBox* box = MakeMessageBox(title, text, icon, over).release();
    box->setAttribute(Qt::WA_DeleteOnClose);
    PlaceOver(*box, over);
    box->open();
    // The box takes its final size as it is shown.
    PlaceOver(*box, over);
}

std::optional<Colour> QtOperatorDialogs::chooseColour(Colour initial)
{
    QWidget* over = owner();
    QColorDialog dialog(ToQColor(initial), over);
    PlaceOver(dialog, over);
    if (dialog.exec() != QDialog::Accepted)
        return std::nullopt;
    const QColor chosen = dialog.selectedColor();
    if (!chosen.isValid())
        return std::nullopt;
    return FromQColor(chosen);
}

// Qt's font dialog has no text colour: it is embedded with a colour button beside it.
std::optional<FontChoice> QtOperatorDialogs::chooseFont(const FontChoice& initial)
{
    QWidget* over = owner();
    QDialog dialog(over);
    dialog.setWindowTitle(QStringLiteral("Font"));
    auto* column = new QVBoxLayout(&dialog);
    auto* fonts = new QFontDialog(&dialog);
    fonts->setWindowFlags(Qt::Widget);
    fonts->setOptions(QFontDialog::NoButtons);
    QFont font = ScreenFont(initial.name, initial.size, QFont());
    font.setBold(initial.bold);
    font.setItalic(initial.italic);
    font.setStyleName(StyleNameFor(font.family(), initial.bold, initial.italic));
    fonts->setCurrentFont(font);
    column->addWidget(fonts);

    Colour colour = initial.colour;
    auto* row = new QHBoxLayout;
    auto* colourButton = new QPushButton(QStringLiteral("Color..."), &dialog);
    auto* swatch = new QLabel(&dialog);
    PaintSwatch(*swatch, colour);
    QObject::connect(colourButton, &QPushButton::clicked, &dialog, [&] {
        QColorDialog picker(ToQColor(colour), &dialog);
        PlaceOver(picker, &dialog);
        const QColor chosen = picker.exec() == QDialog::Accepted ? picker.selectedColor() : QColor();
        if (chosen.isValid()) {
            colour = FromQColor(chosen);
            PaintSwatch(*swatch, colour);
        }
    });
    row->addWidget(colourButton);
    row->addWidget(swatch);
    row->addStretch(1);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, &dialog);
    QObject::connect(buttons, &QDialogButtonBox::accepted, &dialog, &QDialog::accept);
    QObject::connect(buttons, &QDialogButtonBox::rejected, &dialog, &QDialog::reject);
    row->addWidget(buttons);
    column->addLayout(row);
    PlaceOver(dialog, over);
    if (dialog.exec() != QDialog::Accepted)
        return std::nullopt;

    const QFont chosen = fonts->currentFont();
    // The family this machine shows for a stored name it lacks keeps that name, so a file
    // from the other machine is not rewritten just by pressing OK.
    const QString name = chosen.family() == font.family() ? initial.name : chosen.family();
    return FontChoice{name, static_cast<int>(RoundHalfEven(chosen.pointSizeF())), chosen.bold(), chosen.italic(),
                      colour};
}

} // namespace tavrik

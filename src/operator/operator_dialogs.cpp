#include "operator/operator_dialogs.h"

#include "common/vb_numbers.h"
#include "operator/windows_fonts.h"

#include <QBoxLayout>
#include <QColorDialog>
#include <QDialogButtonBox>
#include <QFontDialog>
#include <QLabel>
#include <QMessageBox>
#include <QPushButton>

namespace tavrik {
namespace {

// A plain patch rather than a disabled button, which would draw the colour faded.
void PaintSwatch(QLabel& swatch, Colour colour)
{
    swatch.setStyleSheet(QStringLiteral("QLabel { background: %1; border: 1px solid palette(dark); min-width: 48px; }")
                             .arg(ToQColor(colour).name()));
}

} // namespace

void QtOperatorDialogs::showMessage(const QString& title, const QString& text, MessageIcon icon)
{
    QMessageBox box(parent_);
    box.setWindowTitle(title);
    box.setText(text);
    switch (icon) {
    case MessageIcon::None: box.setIcon(QMessageBox::NoIcon); break;
    case MessageIcon::Exclamation: box.setIcon(QMessageBox::Warning); break;
    case MessageIcon::Information: box.setIcon(QMessageBox::Information); break;
    case MessageIcon::Critical: box.setIcon(QMessageBox::Critical); break;
    }
    box.setStandardButtons(QMessageBox::Ok);
    box.exec();
}

std::optional<Colour> QtOperatorDialogs::chooseColour(Colour initial)
{
    const QColor chosen = QColorDialog::getColor(ToQColor(initial), parent_);
    if (!chosen.isValid())
        return std::nullopt;
    return FromQColor(chosen);
}

// Qt's font dialog has no text colour: it is embedded with a colour button beside it.
std::optional<FontChoice> QtOperatorDialogs::chooseFont(const FontChoice& initial)
{
    QDialog dialog(parent_);
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
        const QColor chosen = QColorDialog::getColor(ToQColor(colour), &dialog);
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

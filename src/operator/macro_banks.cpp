#include "operator/macro_banks.h"

#include <QBoxLayout>
#include <QWidget>

namespace tavrik {
namespace {

// Container names of the three banks, top to bottom: F, Alt+F and Ctrl+F keys.
constexpr const char* kBankNames[3] = {"ElasticOne3", "ElasticOne2", "ElasticOne1"};

} // namespace

MacroBanks::MacroBanks(QBoxLayout& column, QObject* parent) : QObject(parent)
{
    for (int bank = 0; bank < 3; ++bank)
        column.addWidget(buildBank(bank));
}

QWidget* MacroBanks::buildBank(int bank)
{
    auto* container = new QWidget;
    container->setObjectName(QLatin1String(kBankNames[bank]));
    auto* row = new QHBoxLayout(container);
    row->setContentsMargins(0, 0, 0, 0);
    row->setSpacing(3);
    for (int i = 1; i <= 12; ++i) {
        const int index = bank * 12 + i;
        auto* b = new MacroButton(index, container);
        btnf_[static_cast<std::size_t>(index)] = b;
        connect(b, &QAbstractButton::clicked, this, [this, index] { emit pressed(index); });
        connect(b, &MacroButton::mouseDown, this, &MacroBanks::mouseDown);
        connect(b, &MacroButton::rightClicked, this, &MacroBanks::rightClicked);
        row->addWidget(b);
        // A small gap after every fourth key, as on the keyboard.
        if (i % 4 == 0 && i < 12)
            row->addSpacing(6);
    }
    banks_[static_cast<std::size_t>(bank)] = container;
    return container;
}

void MacroBanks::setBankShown(int bank, bool shown)
{
    banks_.at(static_cast<std::size_t>(bank))->setVisible(shown);
}

int MacroBanks::shownHeight() const
{
    int height = 0;
    for (const QWidget* bank : banks_) {
        if (!bank->isHidden())
            height += bank->sizeHint().height();
    }
    return height;
}

void MacroBanks::repaint(int index, const MacroSlot& slot)
{
    MacroButton& b = button(index);
    b.setCaption(slot.caption);
    b.setAppearance(NormalLook(slot), MouseOverLook(slot));
}

} // namespace tavrik

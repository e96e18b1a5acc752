#pragma once

#include "macros/macro_store.h"
#include "operator/macro_button.h"

#include <QObject>

#include <array>

class QBoxLayout;
class QWidget;

namespace tavrik {

// The three rows of twelve macro buttons, top to bottom the F, Alt+F and Ctrl+F keys.
class MacroBanks final : public QObject {
    Q_OBJECT
public:
    // Each row goes into `column` as a widget of its own.
    MacroBanks(QBoxLayout& column, QObject* parent = nullptr);

    MacroButton& button(int index) { return *btnf_.at(static_cast<std::size_t>(index)); }
    void setBankShown(int bank, bool shown);
    // The height the rows shown take.
    int shownHeight() const;
    // Paints button n from its slot: caption, normal and mouse-over look.
    void repaint(int index, const MacroSlot& slot);

signals:
    void pressed(int index);
    void mouseDown();
    void rightClicked(int index);

private:
    QWidget* buildBank(int bank);

    std::array<QWidget*, 3> banks_{};
    std::array<MacroButton*, 37> btnf_{};
};

} // namespace tavrik

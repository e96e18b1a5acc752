// Config > Appearance and View > Always on top: colours, the typing box's font, topmost.
#include "operator/frm_tavrik.h"

#include "operator/operator_dialogs.h"
#include "operator/tavrik_menus.h"
#include "operator/windows_fonts.h"
#include "settings/setting_table.h"

#include <QAction>
#include <QLabel>

namespace tavrik {
void FrmTavrik::connectAppearanceMenus()
{
    TavrikMenus& m = *menus_;
    connect(m.mnuOnTop, &QAction::triggered, this, &FrmTavrik::toggleOnTop);
    connect(m.mnuWPMColor, &QAction::triggered, this, [this] {
        chooseColourSetting(setting::kWpmTextColor, station_.settings().wpmTextColor);
        sBar_->setSpeedColour(station_.settings().wpmTextColor);
    });
    connect(m.mnutextbackcolor, &QAction::triggered, this, [this] {
        chooseColourSetting(setting::kTextBoxBackColor, station_.settings().textBoxBackColor);
        box_->setBackground(station_.settings().textBoxBackColor);
        applyBoxColours();
    });
    connect(m.mnutxtextcolor, &QAction::triggered, this, [this] {
        chooseColourSetting(setting::kTransmittedTextColor, station_.settings().transmittedTextColor);
        applyBoxColours();
    });
    connect(m.mnutxingtextcolor, &QAction::triggered, this, [this] {
        chooseColourSetting(setting::kTransmittingTextColor, station_.settings().transmittingTextColor);
        applyBoxColours();
    });
    connect(m.mnuLoopingBackColor, &QAction::triggered, this, [this] {
        chooseColourSetting(setting::kLoopingBackColor, station_.settings().loopingBackColor);
        applyBoxColours();
    });
    connect(m.mnutextfont, &QAction::triggered, this, &FrmTavrik::chooseTextFont);
    // The caption carries the version; the box adds where this run keeps its settings.
    connect(m.mnuVersion, &QAction::triggered, this, [this] {
        SettingsFile* file = station_.settingsFile();
        station_.dialogs().showMessage(DialogTitle(QStringLiteral("Tavrik")),
                                       QStringLiteral("Tavrik ") + QStringLiteral(TAVRIK_VERSION)
                                           + QStringLiteral("\nSettings: ") + (file ? file->path() : QString()),
                                       MessageIcon::Information);
    });
}

void FrmTavrik::toggleOnTop()
{
    const bool onTop = menus_->mnuOnTop->isChecked();
    station_.settings().onTop = onTop;
    station_.write(Stored(setting::kOnTop, onTop));
    // Changing the flag re-creates the native window: keep where it was and show it again,
    // minimised if it was, without taking the focus.
    const QRect placed = geometry();
    const bool minimised = isMinimized();
    setAttribute(Qt::WA_ShowWithoutActivating, true);
    setWindowFlag(Qt::WindowStaysOnTopHint, onTop);
    setGeometry(placed);
    if (minimised)
        showMinimized();
    else
        show();
    setAttribute(Qt::WA_ShowWithoutActivating, false);
}

// A cancelled dialog leaves the colour and the file as they were.
void FrmTavrik::chooseColourSetting(const Setting<TavrikSettings, Colour>& row, Colour& colour)
{
    const std::optional<Colour> chosen = station_.dialogs().chooseColour(colour);
    if (!chosen)
        return;
    colour = *chosen;
    station_.write(Stored(row, colour));
}

// The sent-text colours act from the next colouring; the backgrounds from the next change
// between looping and not.
void FrmTavrik::applyBoxColours()
{
    const TavrikSettings& s = station_.settings();
    KeyerOptions& o = station_.keyer().options();
    o.transmittedTextColor = s.transmittedTextColor;
    o.transmittingTextColor = s.transmittingTextColor;
    o.textBoxForeColor = s.textBoxForeColor;
    station_.transmit().setColours(s.textBoxBackColor, s.loopingBackColor);
}

void FrmTavrik::applyTextFont()
{
    const TavrikSettings& s = station_.settings();
    QFont font = ScreenFont(s.textBoxFontName, s.textBoxFontSize, box_->font());
    font.setBold(s.textBoxFontBold);
    font.setItalic(s.textBoxFontItalic);
    box_->setFont(font);
}

void FrmTavrik::chooseTextFont()
{
    TavrikSettings& s = station_.settings();
    const std::optional<FontChoice> chosen = station_.dialogs().chooseFont(
        {s.textBoxFontName, s.textBoxFontSize, s.textBoxFontBold, s.textBoxFontItalic, s.textBoxForeColor});
    if (!chosen)
        return;
    s.textBoxFontName = chosen->name;
    s.textBoxFontSize = static_cast<std::int16_t>(chosen->size);
    s.textBoxFontBold = chosen->bold;
    s.textBoxFontItalic = chosen->italic;
    s.textBoxForeColor = chosen->colour;
    applyTextFont();
    for (const SettingWrite& value : {Stored(setting::kTextBoxFontName, s.textBoxFontName),
                                      Stored(setting::kTextBoxFontSize, s.textBoxFontSize),
                                      Stored(setting::kTextBoxFontBold, s.textBoxFontBold),
                                      Stored(setting::kTextBoxFontItalic, s.textBoxFontItalic),
                                      Stored(setting::kTextBoxForeColor, s.textBoxForeColor)})
        station_.write(value);
    applyBoxColours();
    box_->setTypingColour(s.textBoxForeColor);
}

} // namespace tavrik

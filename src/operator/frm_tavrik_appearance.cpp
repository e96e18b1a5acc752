// Config > Appearance and View > Always on top: colours, the typing box's font, topmost.
#include "operator/frm_tavrik.h"

#include "operator/operator_dialogs.h"
#include "operator/tavrik_menus.h"
#include "operator/windows_fonts.h"

#include <QAction>
#include <QLabel>

namespace tavrik {
namespace {

const QString kMainSection = QStringLiteral("frmTavrik Settings");

QString Flag(bool value)
{
    return value ? QStringLiteral("True") : QStringLiteral("False");
}

} // namespace

void FrmTavrik::connectAppearanceMenus()
{
    TavrikMenus& m = *menus_;
    connect(m.mnuOnTop, &QAction::triggered, this, &FrmTavrik::toggleOnTop);
    connect(m.mnuWPMColor, &QAction::triggered, this, [this] {
        chooseColourSetting("WPM Text Color", settings_.wpmTextColor);
        QPalette palette = speedLabel_->palette();
        palette.setColor(QPalette::WindowText, ToQColor(settings_.wpmTextColor));
        speedLabel_->setPalette(palette);
    });
    connect(m.mnutextbackcolor, &QAction::triggered, this, [this] {
        chooseColourSetting("TextBox Backcolor", settings_.textBoxBackColor);
        box_->setBackground(settings_.textBoxBackColor);
        applyBoxColours();
    });
    connect(m.mnutxtextcolor, &QAction::triggered, this, [this] {
        chooseColourSetting("Transmitted Text Color", settings_.transmittedTextColor);
        applyBoxColours();
    });
    connect(m.mnutxingtextcolor, &QAction::triggered, this, [this] {
        chooseColourSetting("Transmitting Text Color", settings_.transmittingTextColor);
        applyBoxColours();
    });
    connect(m.mnuLoopingBackColor, &QAction::triggered, this, [this] {
        chooseColourSetting("Text BackColor (looping)", settings_.loopingBackColor);
        applyBoxColours();
    });
    connect(m.mnutextfont, &QAction::triggered, this, &FrmTavrik::chooseTextFont);
    // The caption carries the version; the box adds where this run keeps its settings.
    connect(m.mnuVersion, &QAction::triggered, this, [this] {
        devices_.dialogs.showMessage(DialogTitle(QStringLiteral("Tavrik")),
                                     QStringLiteral("Tavrik ") + QStringLiteral(TAVRIK_VERSION)
                                         + QStringLiteral("\nSettings: ")
                                         + (settingsFile_ ? settingsFile_->path() : QString()),
                                     MessageIcon::Information);
    });
}

void FrmTavrik::toggleOnTop()
{
    const bool onTop = menus_->mnuOnTop->isChecked();
    settings_.onTop = onTop;
    writeSetting(kMainSection, QStringLiteral("On Top"), onTop ? QStringLiteral("1") : QStringLiteral("0"));
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
void FrmTavrik::chooseColourSetting(const char* key, Colour& colour)
{
    const std::optional<Colour> chosen = devices_.dialogs.chooseColour(colour);
    if (!chosen)
        return;
    colour = *chosen;
    writeSetting(kMainSection, QLatin1String(key), QString::number(colour));
}

// The sent-text colours act from the next colouring; the backgrounds from the next change
// between looping and not.
void FrmTavrik::applyBoxColours()
{
    KeyerOptions& o = keyer_.options();
    o.transmittedTextColor = settings_.transmittedTextColor;
    o.transmittingTextColor = settings_.transmittingTextColor;
    o.textBoxForeColor = settings_.textBoxForeColor;
    transmit_.setColours(settings_.textBoxBackColor, settings_.loopingBackColor);
}

void FrmTavrik::chooseTextFont()
{
    TavrikSettings& s = settings_;
    const std::optional<FontChoice> chosen = devices_.dialogs.chooseFont(
        {s.textBoxFontName, s.textBoxFontSize, s.textBoxFontBold, s.textBoxFontItalic, s.textBoxForeColor});
    if (!chosen)
        return;
    s.textBoxFontName = chosen->name;
    s.textBoxFontSize = static_cast<std::int16_t>(chosen->size);
    s.textBoxFontBold = chosen->bold;
    s.textBoxFontItalic = chosen->italic;
    s.textBoxForeColor = chosen->colour;
    QFont font = ScreenFont(s.textBoxFontName, s.textBoxFontSize, box_->font());
    font.setBold(s.textBoxFontBold);
    font.setItalic(s.textBoxFontItalic);
    box_->setFont(font);
    writeSetting(kMainSection, QStringLiteral("TextBox Font Name"), s.textBoxFontName);
    writeSetting(kMainSection, QStringLiteral("TextBox Font Size"), QString::number(s.textBoxFontSize));
    writeSetting(kMainSection, QStringLiteral("TextBox Font Bold"), Flag(s.textBoxFontBold));
    writeSetting(kMainSection, QStringLiteral("TextBox Font Italic"), Flag(s.textBoxFontItalic));
    writeSetting(kMainSection, QStringLiteral("TextBox Forecolor"), QString::number(s.textBoxForeColor));
    applyBoxColours();
    box_->setTypingColour(s.textBoxForeColor);
}

} // namespace tavrik

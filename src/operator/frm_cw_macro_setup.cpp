#include "operator/frm_cw_macro_setup.h"

#include "common/center_form.h"
#include "macros/macro_store.h"
#include "operator/macro_button.h"
#include "operator/operator_dialogs.h"
#include "settings/ini_document.h"

#include <QBoxLayout>
#include <QGridLayout>
#include <QGroupBox>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMimeData>
#include <QPointer>
#include <QPushButton>

namespace tavrik {
namespace {

constexpr Colour kLightGrey = 14671839;
const QString kDefaultFont = QStringLiteral("MS Sans Serif");

QString WithoutTilde(QString text)
{
    return text.remove(u'~');
}

} // namespace

void MacroTextEdit::keyPressEvent(QKeyEvent* event)
{
    if (event->text().contains(u'~')) {
        event->accept();
        return;
    }
    QPlainTextEdit::keyPressEvent(event);
}

void MacroTextEdit::inputMethodEvent(QInputMethodEvent* event)
{
    if (event->commitString().contains(u'~')) {
        QInputMethodEvent filtered(event->preeditString(), event->attributes());
        filtered.setCommitString(WithoutTilde(event->commitString()), event->replacementStart(),
                                 event->replacementLength());
        QPlainTextEdit::inputMethodEvent(&filtered);
        return;
    }
    QPlainTextEdit::inputMethodEvent(event);
}

void MacroTextEdit::insertFromMimeData(const QMimeData* source)
{
    if (source->hasText())
        insertPlainText(WithoutTilde(source->text()));
}

FrmCwMacroSetup::FrmCwMacroSetup(int index, Host host, QWidget* owner)
    : QDialog(owner, Qt::Dialog | Qt::WindowStaysOnTopHint), index_(index), host_(std::move(host))
{
    setObjectName(QStringLiteral("frmCWMacroSetup"));
    setAttribute(Qt::WA_DeleteOnClose);
    setModal(false);
    buildWindow();

    setWindowTitle(MacroSetupCaption(index_));
    const MacroSlot& slot = host_.store.slot(index_);
    macroText_->setPlainText(slot.text);
    captionText_->setText(slot.caption);
    host_.store.copyAppearance(0, index_);
    paintPreview();

    adjustSize();
    CenterForm(*this);
}

void FrmCwMacroSetup::buildWindow()
{
    auto* column = new QVBoxLayout(this);
    column->setSpacing(8);

    macroText_ = new MacroTextEdit(this);
    macroText_->setObjectName(QStringLiteral("MacroText"));
    macroText_->setTabChangesFocus(true);
    macroText_->setMinimumSize(420, 110);
    column->addWidget(macroText_, 1);

    auto* captionRow = new QHBoxLayout;
    auto* label = new QLabel(QStringLiteral("Button Caption"), this);
    label->setObjectName(QStringLiteral("Label2"));
    captionText_ = new QLineEdit(this);
    captionText_->setObjectName(QStringLiteral("CaptionText"));
    label->setBuddy(captionText_);
    captionRow->addWidget(label);
    captionRow->addWidget(captionText_, 1);
    column->addLayout(captionRow);

    auto* frame = new QGroupBox(QStringLiteral(" Setup Macro button appearance "), this);
    frame->setObjectName(QStringLiteral("Frame1"));
    auto* grid = new QGridLayout(frame);
    preview_ = new MacroButton(index_, frame);
    preview_->setObjectName(QStringLiteral("Hbutton1"));
    preview_->setToolTip(QStringLiteral("How the button looks; point at it to see its mouse-over look"));
    grid->addWidget(preview_, 0, 0, 1, 2);
    const auto button = [&](const char* name, const QString& caption, int row, int column) {
        auto* b = new QPushButton(caption, frame);
        b->setObjectName(QLatin1String(name));
        b->setAutoDefault(false);
        grid->addWidget(b, row, column);
        return b;
    };
    QPushButton* back = button("BackColorButton", QStringLiteral("Backcolor"), 1, 0);
    QPushButton* fore = button("Hbutton2", QStringLiteral("Forecolor"), 1, 1);
    QPushButton* overBack = button("Hbutton3", QStringLiteral("Mouseover Backcolor"), 2, 0);
    QPushButton* overFore = button("Hbutton4", QStringLiteral("Mouseover Forecolor"), 2, 1);
    QPushButton* resetBack = button("ARButton1", QStringLiteral("Reset Backcolors"), 3, 0);
    column->addWidget(frame);

    auto* bottom = new QHBoxLayout;
    auto* resetAll = new QPushButton(QStringLiteral("Reset/Cancel all settings"), this);
    resetAll->setObjectName(QStringLiteral("Hbutton7"));
    resetAll->setAutoDefault(false);
    auto* ok = new QPushButton(QStringLiteral("OK"), this);
    ok->setObjectName(QStringLiteral("Hbutton5"));
    ok->setAutoDefault(false);
    auto* cancel = new QPushButton(QStringLiteral("Cancel"), this);
    cancel->setObjectName(QStringLiteral("Hbutton6"));
    cancel->setAutoDefault(false);
    bottom->addWidget(resetAll);
    bottom->addStretch(1);
    bottom->addWidget(ok);
    bottom->addWidget(cancel);
    column->addLayout(bottom);

    connect(captionText_, &QLineEdit::textChanged, preview_, &MacroButton::setCaption);
    const auto picker = [this](void (FrmCwMacroSetup::*choose)(bool), bool mouseOver) {
        return [this, choose, mouseOver] {
            host_.endTransmissionThen([editor = QPointer<FrmCwMacroSetup>(this), choose, mouseOver] {
                if (editor)
                    (editor->*choose)(mouseOver);
            });
        };
    };
    connect(back, &QPushButton::clicked, this, picker(&FrmCwMacroSetup::chooseBackColor, false));
    connect(overBack, &QPushButton::clicked, this, picker(&FrmCwMacroSetup::chooseBackColor, true));
    connect(fore, &QPushButton::clicked, this, picker(&FrmCwMacroSetup::chooseFont, false));
    connect(overFore, &QPushButton::clicked, this, picker(&FrmCwMacroSetup::chooseFont, true));
    connect(resetBack, &QPushButton::clicked, this, &FrmCwMacroSetup::resetBackColors);
    connect(resetAll, &QPushButton::clicked, this, &FrmCwMacroSetup::resetAll);
    connect(ok, &QPushButton::clicked, this, &FrmCwMacroSetup::accept);
    connect(cancel, &QPushButton::clicked, this, &FrmCwMacroSetup::reject);
}

void FrmCwMacroSetup::paintPreview()
{
    const MacroSlot& work = host_.store.slot(0);
    preview_->setCaption(captionText_->text());
    preview_->setAppearance(NormalLook(work), MouseOverLook(work));
}

void FrmCwMacroSetup::chooseBackColor(bool mouseOver)
{
    MacroSlot& work = host_.store.slot(0);
    Colour& colour = mouseOver ? work.mouseOverBackColor : work.backColor;
    if (const std::optional<Colour> chosen = host_.dialogs.chooseColour(colour)) {
        colour = *chosen;
        paintPreview();
    }
}

void FrmCwMacroSetup::chooseFont(bool mouseOver)
{
    MacroSlot& w = host_.store.slot(0);
    QString& name = mouseOver ? w.mouseOverFontName : w.fontName;
    std::int32_t& size = mouseOver ? w.mouseOverFontSize : w.fontSize;
    bool& bold = mouseOver ? w.mouseOverFontBold : w.fontBold;
    bool& italic = mouseOver ? w.mouseOverFontItalic : w.fontItalic;
    Colour& colour = mouseOver ? w.mouseOverForeColor : w.foreColor;
    if (const std::optional<FontChoice> chosen = host_.dialogs.chooseFont({name, size, bold, italic, colour})) {
        name = chosen->name;
        size = chosen->size;
        bold = chosen->bold;
        italic = chosen->italic;
        colour = chosen->colour;
        paintPreview();
    }
}

void FrmCwMacroSetup::resetBackColors()
{
    MacroSlot& work = host_.store.slot(0);
    work.backColor = kLightGrey;
    work.mouseOverBackColor = kLightGrey;
    paintPreview();
}

void FrmCwMacroSetup::resetAll()
{
    macroText_->clear();
    captionText_->clear();
    MacroSlot& work = host_.store.slot(0);
    work.foreColor = 0;
    work.mouseOverForeColor = 0;
    work.fontName = kDefaultFont;
    work.mouseOverFontName = kDefaultFont;
    work.fontSize = 8;
    work.mouseOverFontSize = 8;
    work.fontBold = false;
    work.mouseOverFontBold = false;
    work.fontItalic = false;
    work.mouseOverFontItalic = false;
    resetBackColors();
}

void FrmCwMacroSetup::accept()
{
    const QString typed = macroText_->toPlainText();
    const QString stored = StoredMacroText(typed);
    if (stored.size() > kLongestStoredMacro) {
        host_.dialogs.showMessage(DialogTitle(QStringLiteral("Too verbose")), TooVerboseText(stored.size()),
                                  MessageIcon::None);
        return;
    }
    const QString caption = ButtonCaptionFrom(captionText_->text());
    // Refused here, not found missing after a restart: the file keeps one line per key.
    if (!IniDocument::IsStorable(QString::fromLatin1(setting::kMainSection), KeyOf(setting::kMacroCaption, index_), caption)) {
        host_.dialogs.showMessage(DialogTitle(QStringLiteral("Caption")),
                                  QStringLiteral("A caption cannot be a line break or Chr$(0): the settings file "
                                                 "could not keep it. Type another caption."),
                                  MessageIcon::None);
        captionText_->setFocus();
        captionText_->selectAll();
        return;
    }
    captionText_->setText(caption);

    MacroSlot& slot = host_.store.slot(index_);
    slot.caption = captionText_->text();
    slot.text = typed;
    host_.store.copyAppearance(index_, 0);
    host_.repaintButton(index_);
    for (const SettingWrite& write : MacroSlotWrites(index_, stored, slot.caption, slot))
        host_.writeSetting(write.key, write.value);
    QDialog::accept();
}

} // namespace tavrik

#include "operator/tavrik_menus.h"

#include <QMenu>
#include <QMenuBar>

namespace tavrik {
namespace {

class Builder {
public:
    explicit Builder(QList<QAction*>& order) : order_(order) {}

    QMenu* menu(QWidget* parent, const char* name, const QString& caption)
    {
        auto* m = new QMenu(caption, parent);
        m->setObjectName(QLatin1String(name));
        m->menuAction()->setObjectName(QLatin1String(name));
        order_.append(m->menuAction());
        return m;
    }
    QAction* entry(QMenu* parent, const char* name, const QString& caption, bool checkable = false)
    {
        QAction* a = parent->addAction(caption);
        a->setObjectName(QLatin1String(name));
        a->setCheckable(checkable);
        order_.append(a);
        return a;
    }
    void separator(QMenu* parent, const char* name)
    {
        QAction* a = parent->addSeparator();
        a->setObjectName(QLatin1String(name));
        order_.append(a);
    }

private:
    QList<QAction*>& order_;
};

} // namespace

TavrikMenus::TavrikMenus(QMenuBar* bar)
{
    Builder b(entriesInOrder);
    mnuConfig = b.menu(bar, "mnuConfig", QStringLiteral("Config"));
    bar->addMenu(mnuConfig);
    mnuWinKey = b.entry(mnuConfig, "mnuWinKey", QStringLiteral("WinKey"), true);
    mnuSoftwareKeyer = b.entry(mnuConfig, "mnuSoftwareKeyer", QStringLiteral("Software"), true);
    b.separator(mnuConfig, "mnuNothing12");
    mnuPort = b.entry(mnuConfig, "mnuPort", QStringLiteral("Keyer setup"));
    mnuAppearance = b.menu(mnuConfig, "mnuAppearance", QStringLiteral("Appearance"));
    mnuConfig->addMenu(mnuAppearance);
    mnuWPMColor = b.entry(mnuAppearance, "mnuWPMColor", QStringLiteral("WPM Color"));
    mnutextfont = b.entry(mnuAppearance, "mnutextfont", QStringLiteral("Text font/color"));
    mnutextbackcolor = b.entry(mnuAppearance, "mnutextbackcolor", QStringLiteral("Text background color"));
    mnutxtextcolor = b.entry(mnuAppearance, "mnutxtextcolor", QStringLiteral("Transmitted text color"));
    mnutxingtextcolor = b.entry(mnuAppearance, "mnutxingtextcolor", QStringLiteral("Transmitting text color"));
    mnuLoopingBackColor = b.entry(mnuAppearance, "mnuLoopingBackColor", QStringLiteral("Text background color (looping)"));
    b.separator(mnuAppearance, "mnuNothing10");
    mnuInsKey = b.entry(mnuAppearance, "mnuInsKey", QStringLiteral("Assign INS key"));
    mnuSerialNumPreferences = b.menu(mnuConfig, "mnuSerialNumPreferences", QStringLiteral("Serial # preferences"));
    mnuConfig->addMenu(mnuSerialNumPreferences);
    mnuSend0as0 = b.entry(mnuSerialNumPreferences, "mnuSend0as0", QStringLiteral("Send 0 as 0"), true);
    mnuSend0asT = b.entry(mnuSerialNumPreferences, "mnuSend0asT", QStringLiteral("Send 0 as T"), true);
    mnuSend0asO = b.entry(mnuSerialNumPreferences, "mnuSend0asO", QStringLiteral("Send 0 as O"), true);

    mnuView = b.menu(bar, "mnuView", QStringLiteral("View"));
    bar->addMenu(mnuView);
    mFkeys = b.entry(mnuView, "mFkeys", QStringLiteral("Show F keys"), true);
    mSFkeys = b.entry(mnuView, "mSFkeys", QStringLiteral("Show ALT_F keys"), true);
    mAFkeys = b.entry(mnuView, "mAFkeys", QStringLiteral("Show CTL_F keys"), true);
    b.separator(mnuView, "mnuNothing11");
    mnuOnTop = b.entry(mnuView, "mnuOnTop", QStringLiteral("Always on top"), true);
    b.separator(mnuView, "nothing22");
    mnuShowCallsign = b.entry(mnuView, "mnuShowCallsign", QStringLiteral("Show tool bar"), true);
    mnuShowSRX = b.entry(mnuView, "mnuShowSRX", QStringLiteral("Show SRX field"), true);

    mnuKeying = b.menu(bar, "mnuKeying", QStringLiteral("Keying"));
    bar->addMenu(mnuKeying);
    mnuVOX = b.entry(mnuKeying, "mnuVOX", QStringLiteral("Auto TX (VOX)"), true);
    mnuMOX = b.entry(mnuKeying, "mnuMOX", QStringLiteral("Manual TX (MOX)"), true);
    b.separator(mnuKeying, "mnuNothing20");
    mnuDedicatedSerialPort = b.entry(mnuKeying, "mnuDedicatedSerialPort", QStringLiteral("Dedicated serial port open"), true);

    const auto command = [&](const char* name, const QString& caption) {
        QAction* a = bar->addAction(caption);
        a->setObjectName(QLatin1String(name));
        entriesInOrder.append(a);
        return a;
    };
    mnuTX = command("mnuTX", QStringLiteral("&TX"));
    mnuAbort = command("mnuAbort", QStringLiteral("&Abort"));
    mnuTune = command("mnuTune", QStringLiteral("Tune"));

    mnuVer = b.menu(bar, "mnuVer", QStringLiteral("Ver"));
    bar->addMenu(mnuVer);
    mnuVersion = b.entry(mnuVer, "mnuVersion", QStringLiteral("Version"));
}

void TavrikMenus::showKeying(KeyingMode keying) const
{
    mnuVOX->setChecked(keying == KeyingMode::Vox);
    mnuMOX->setChecked(keying == KeyingMode::Mox);
}

void TavrikMenus::showSerialZero(SerialZero zero) const
{
    mnuSend0as0->setChecked(zero == SerialZero::Zero);
    mnuSend0asT->setChecked(zero == SerialZero::LetterT);
    mnuSend0asO->setChecked(zero == SerialZero::LetterO);
}

void TavrikMenus::showSending(bool sending) const
{
    mnuConfig->menuAction()->setEnabled(!sending);
    mnuTX->setEnabled(!sending);
    mnuAbort->setEnabled(sending);
    mnuView->menuAction()->setEnabled(!sending);
    mnuKeying->menuAction()->setEnabled(!sending);
}

} // namespace tavrik

#pragma once

#include "settings/tavrik_settings.h"

#include <QList>

class QAction;
class QMenu;
class QMenuBar;

namespace tavrik {

// The menu bar of the main window; every entry carries its control name as objectName.
struct TavrikMenus {
    explicit TavrikMenus(QMenuBar* bar);

    // The check marks and the enabled entries for what the station holds.
    void showKeying(KeyingMode keying) const;
    void showSerialZero(SerialZero zero) const;
    void showSending(bool sending) const;

    QMenu* mnuConfig;
    QAction* mnuWinKey;
    QAction* mnuSoftwareKeyer;
    QAction* mnuPort;
    QMenu* mnuAppearance;
    QAction* mnuWPMColor;
    QAction* mnutextfont;
    QAction* mnutextbackcolor;
    QAction* mnutxtextcolor;
    QAction* mnutxingtextcolor;
    QAction* mnuLoopingBackColor;
    QAction* mnuInsKey;
    QMenu* mnuSerialNumPreferences;
    QAction* mnuSend0as0;
    QAction* mnuSend0asT;
    QAction* mnuSend0asO;
    QMenu* mnuView;
    QAction* mFkeys;
    QAction* mSFkeys;
    QAction* mAFkeys;
    QAction* mnuOnTop;
    QAction* mnuShowCallsign;
    QAction* mnuShowSRX;
    QMenu* mnuKeying;
    QAction* mnuVOX;
    QAction* mnuMOX;
    QAction* mnuDedicatedSerialPort;
    QAction* mnuTX;
    QAction* mnuAbort;
    QAction* mnuTune;
    QMenu* mnuVer;
    QAction* mnuVersion;

    // Every entry, separators included, in the order of the tree: what a language file's
    // string 9501 + i translates.
    QList<QAction*> entriesInOrder;
};

} // namespace tavrik

#pragma once

#include "settings/tavrik_settings.h"

namespace tavrik::test {

// The WinKey settings a TAVRIK.INI without a "WinKey Settings" section loads.
inline WinKeySettings DefaultWinKeySettings()
{
    WinKeySettings s;
    s.keyMode = 0;
    s.tone = 752;
    s.pttLeadDelay = 100;
    s.pttLagDelay = 250;
    s.speedMax = 30;
    s.speedMin = 15;
    s.speedFarnsworth = 20;
    s.ditDahRatio = 50;
    s.ditDahWeight = 50;
    s.paddleSwitchpoint = 50;
    s.speed = 15;
    s.ptt = true;
    s.pin3 = true;
    s.autoSpace = true;
    s.paddleInsertCancelsMacro = true;
    return s;
}

} // namespace tavrik::test

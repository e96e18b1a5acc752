#pragma once

#include "rig/rigctld_client.h"

namespace tavrik {

class SettingsFile;

// Section "Rig Control" of TAVRIK.INI: where rigctld listens, and whether PTT goes through it.
struct RigControlSettings {
    RigEndpoint endpoint;
    bool ptt = false;
};

// Host "127.0.0.1", Port 4532, PTT "OFF" when missing; a port that is no number from 1 to
// 65535 is taken as 4532. Only "ON" switches PTT through the radio.
RigControlSettings LoadRigControlSettings(const SettingsFile& file);
void StoreRigControlSettings(const SettingsFile& file, const RigControlSettings& settings);

} // namespace tavrik

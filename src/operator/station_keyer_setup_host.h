#pragma once

#include "keyer/setup/keyer_setup_host.h"

namespace tavrik {

class KeyerSetupWindows;
class StationModel;

// The station as the Keyer setup dialog sees it.
class StationKeyerSetupHost final : public KeyerSetupHost {
public:
    explicit StationKeyerSetupHost(StationModel& station) : station_(station) {}
    // The windows this host serves, told when the sidetone cannot be made.
    void setWindows(KeyerSetupWindows& windows) { windows_ = &windows; }

    SoftwareKeyer& keyer() override;
    KeyerPortSettings& portSettings() override;
    bool sidetoneOn() const override;
    void setSidetoneOn(bool on) override;
    double sidetoneFrequency() const override;
    void setSidetoneFrequency(double hz) override;
    QString serialDevice(int portNumber) const override;
    void setSerialDevice(int portNumber, const QString& path) override;
    void writeSetting(const QString& section, const QString& key, const QString& value) override;
    std::optional<QString> initKeyerPort() override;
    bool createSidetone() override;
    std::int64_t counterFrequency() const override;
    void showSetupMessage(const QString& title, const QString& text) override;
    bool transmitting() const override;
    void queueTypedText(const QString& text) override;

private:
    StationModel& station_;
    KeyerSetupWindows* windows_ = nullptr;
};

} // namespace tavrik

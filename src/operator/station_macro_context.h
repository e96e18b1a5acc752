#pragma once

#include "macros/macro_context.h"

namespace tavrik {

class StationModel;

// What a macro reaches of the station: the contact fields, the keyers, the link, the settings
// file.
class StationMacroContext final : public MacroContext {
public:
    explicit StationMacroContext(StationModel& station) : station_(station) {}

    void pollLink() override;
    bool linkUp() const override;
    QString slotMirror(int slot) const override;
    QString myCallsign() const override;
    QString bandText() const override;
    QString serialFormat() const override;
    void writeSlot(int slot, const QString& text) override;
    void postNotice(int code, int argument) override;
    void logContact() override;

    QString nameText() const override;
    QString callsignText() const override;
    void setLogAfterSending() override;
    std::int32_t loopInterval() const override;
    void setLoopInterval(std::int32_t ms) override;
    bool isSending() const override;
    void clearTypingBoxAndCallsign() override;
    ZeroPreference zeroPreference() const override;

    bool winKeySelected() const override;
    std::int16_t keyingSpeed() const override;
    void setKeyingSpeed(std::int16_t wpm) override;
    void setSavedSpeedToCurrent() override;
    void resetParallelLines() override;
    std::int16_t winKeySpeed() const override;
    void setWinKeySpeed(std::int16_t wpm) override;
    bool winKeyAnalogSpeed() const override;
    void winKeySend(const QByteArray& bytes) override;

    void writeSetting(const QString& section, const QString& key, const QString& value) override;

private:
    StationModel& station_;
};

} // namespace tavrik

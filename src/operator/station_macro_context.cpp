#include "operator/station_macro_context.h"

#include "operator/station_model.h"

namespace tavrik {

void StationMacroContext::pollLink()
{
    station_.link().pollLink();
}

bool StationMacroContext::linkUp() const
{
    return station_.link().isUp();
}

QString StationMacroContext::slotMirror(int slot) const
{
    return station_.link().slotMirror(slot);
}

QString StationMacroContext::myCallsign() const
{
    return station_.link().myCallsign();
}

QString StationMacroContext::bandText() const
{
    return station_.link().bandText();
}

QString StationMacroContext::serialFormat() const
{
    return station_.link().serialFormat();
}

void StationMacroContext::writeSlot(int slot, const QString& text)
{
    station_.link().writeSlot(slot, text);
}

void StationMacroContext::postNotice(int code, int argument)
{
    station_.link().postLinkNotice(code, argument);
}

void StationMacroContext::logContact()
{
    station_.link().logContact();
}

QString StationMacroContext::nameText() const
{
    return station_.nameText();
}

QString StationMacroContext::callsignText() const
{
    return station_.callsignText();
}

void StationMacroContext::setLogAfterSending()
{
    station_.transmit().setLogAfterSending();
}

std::int32_t StationMacroContext::loopInterval() const
{
    return station_.transmit().loopInterval();
}

void StationMacroContext::setLoopInterval(std::int32_t ms)
{
    station_.transmit().setLoopInterval(ms);
}

bool StationMacroContext::isSending() const
{
    return station_.keyer().state().isSending;
}

void StationMacroContext::clearTypingBoxAndCallsign()
{
    station_.clearTypingBoxAndCallsign();
}

ZeroPreference StationMacroContext::zeroPreference() const
{
    return station_.zeroPreference();
}

bool StationMacroContext::winKeySelected() const
{
    return station_.winKeySelected();
}

std::int16_t StationMacroContext::keyingSpeed() const
{
    return station_.keyer().state().wpm;
}

void StationMacroContext::setKeyingSpeed(std::int16_t wpm)
{
    SoftwareKeyer& keyer = station_.keyer();
    keyer.showKeyingSpeed(wpm);
    keyer.state().dotMs = keyer.dotMsFromWpm(wpm);
}

void StationMacroContext::setSavedSpeedToCurrent()
{
    station_.keyer().state().savedWpm = station_.keyer().state().wpm;
}

void StationMacroContext::resetParallelLines()
{
    station_.keyerPort().resetParallelLines();
}

std::int16_t StationMacroContext::winKeySpeed() const
{
    return station_.winKey().settings().speed;
}

void StationMacroContext::setWinKeySpeed(std::int16_t wpm)
{
    station_.winKey().settings().speed = wpm;
}

bool StationMacroContext::winKeyAnalogSpeed() const
{
    return station_.winKey().settings().analogSpeed;
}

void StationMacroContext::winKeySend(const QByteArray& bytes)
{
    station_.winKey().send(bytes);
}

void StationMacroContext::writeSetting(const QString& section, const QString& key, const QString& value)
{
    station_.writeSetting(section, key, value);
}

} // namespace tavrik

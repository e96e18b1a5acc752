#include "operator/station_macro_context.h"

#include "operator/frm_tavrik.h"

namespace tavrik {

void StationMacroContext::pollLink()
{
    window_.link().pollLink();
}

bool StationMacroContext::linkUp() const
{
    return window_.link().isUp();
}

QString StationMacroContext::slotMirror(int slot) const
{
    return window_.link().slotMirror(slot);
}

QString StationMacroContext::myCallsign() const
{
    return window_.link().myCallsign();
}

QString StationMacroContext::bandText() const
{
    return window_.link().bandText();
}

QString StationMacroContext::serialFormat() const
{
    return window_.link().serialFormat();
}

void StationMacroContext::writeSlot(int slot, const QString& text)
{
    window_.link().writeSlot(slot, text);
}

void StationMacroContext::postNotice(int code, int argument)
{
    window_.link().postLinkNotice(code, argument);
}

void StationMacroContext::logContact()
{
    window_.link().logContact();
}

QString StationMacroContext::nameText() const
{
    return window_.nameField().text();
}

QString StationMacroContext::callsignText() const
{
    return window_.callsignField().text();
}

void StationMacroContext::setLogAfterSending()
{
    window_.transmit().setLogAfterSending();
}

std::int32_t StationMacroContext::loopInterval() const
{
    return window_.transmit().loopInterval();
}

void StationMacroContext::setLoopInterval(std::int32_t ms)
{
    window_.transmit().setLoopInterval(ms);
}

bool StationMacroContext::isSending() const
{
    return window_.keyer().state().isSending;
}

void StationMacroContext::clearTypingBoxAndCallsign()
{
    window_.clearTypingBoxAndCallsign();
}

ZeroPreference StationMacroContext::zeroPreference() const
{
    return window_.zeroPreference();
}

bool StationMacroContext::winKeySelected() const
{
    return window_.isWinKeySelected();
}

std::int16_t StationMacroContext::keyingSpeed() const
{
    return window_.keyer().state().wpm;
}

void StationMacroContext::setKeyingSpeed(std::int16_t wpm)
{
    SoftwareKeyer& keyer = window_.keyer();
    keyer.showKeyingSpeed(wpm);
    keyer.state().dotMs = keyer.dotMsFromWpm(wpm);
}

void StationMacroContext::setSavedSpeedToCurrent()
{
    window_.keyer().state().savedWpm = window_.keyer().state().wpm;
}

void StationMacroContext::resetParallelLines()
{
    window_.keyerPort().resetParallelLines();
}

std::int16_t StationMacroContext::winKeySpeed() const
{
    return window_.winKey().settings().speed;
}

void StationMacroContext::setWinKeySpeed(std::int16_t wpm)
{
    window_.winKey().settings().speed = wpm;
}

bool StationMacroContext::winKeyAnalogSpeed() const
{
    return window_.winKey().settings().analogSpeed;
}

void StationMacroContext::winKeySend(const QByteArray& bytes)
{
    window_.winKeySend(bytes);
}

void StationMacroContext::writeSetting(const QString& section, const QString& key, const QString& value)
{
    window_.writeSetting(section, key, value);
}

} // namespace tavrik

#include "keyer/sidetone.h"

#include "keyer/sidetone_table.h"
#include "platform/sound_output_choice.h"

#include <cstdio>

namespace tavrik {

Sidetone::Sidetone(QString outputSetting, Clock& clock) : outputSetting_(std::move(outputSetting)), clock_(clock) {}

Sidetone::~Sidetone()
{
    release();
}

void Sidetone::setOutputSetting(const QString& outputSetting)
{
    if (outputSetting == outputSetting_)
        return;
    release();
    outputSetting_ = outputSetting;
}

void Sidetone::setSidetoneOn(bool on)
{
    if (!on && on_ && playing_)
        output_->gateOff();
    on_ = on;
}

bool Sidetone::createSidetone(double frequency)
{
    if (!on_)
        return true;
    playing_ = false;
    if (ParseSoundOutputChoice(outputSetting_).kind == SoundOutputChoice::Kind::None) {
        // The operator chose silence: nothing failed and nothing is reported.
        deviceError_.clear();
        return true;
    }
    // The output object lives as long as the sidetone: a recording keeps one file across
    // pitch changes, and the sound card's stream is reopened by open().
    if (!output_)
        output_ = MakeSoundOutput(outputSetting_, clock_, deviceError_);
    if (output_ && output_->open(SidetoneTable(frequency))) {
        deviceError_.clear();
        playing_ = true;
        return true;
    }
    if (output_)
        deviceError_ = output_->errorText();
    on_ = false;
    // The sound libraries keep quiet; the terminal hears of a failing device once, from us.
    if (deviceError_ != reportedError_) {
        reportedError_ = deviceError_;
        std::fprintf(stderr, "Tavrik: no sidetone: %s\n", qPrintable(deviceError_));
    }
    return false;
}

void Sidetone::toneOn()
{
    if (on_ && playing_)
        output_->gateOn();
}

void Sidetone::toneOff()
{
    if (on_ && playing_)
        output_->gateOff();
}

void Sidetone::release()
{
    if (output_)
        output_->close();
    output_.reset();
    playing_ = false;
}

} // namespace tavrik

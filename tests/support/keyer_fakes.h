#pragma once

#include "keyer/keyer_ports.h"
#include "keyer/software_keyer.h"
#include "platform/priority.h"
#include "support/simulated_clock.h"

#include <QString>

#include <functional>
#include <string>
#include <vector>

namespace tavrik::test {

// Everything the keyer does to the world, stamped with the simulated time.
struct Edge {
    std::int64_t time;
    std::string what; // "key down", "ptt on", "tone off", "post 900 1", "poll", "events" ...
};

class EdgeLog {
public:
    explicit EdgeLog(SimulatedClock& clock) : clock_(clock) {}
    void add(std::string what) { edges.push_back({clock_.peek(), std::move(what)}); }
    std::vector<Edge> only(const std::vector<std::string>& kinds) const
    {
        std::vector<Edge> out;
        for (const Edge& e : edges) {
            for (const std::string& k : kinds) {
                if (e.what == k)
                    out.push_back(e);
            }
        }
        return out;
    }
    std::vector<std::string> names(const std::vector<std::string>& kinds) const
    {
        std::vector<std::string> out;
        for (const Edge& e : only(kinds))
            out.push_back(e.what);
        return out;
    }
    std::vector<Edge> edges;

private:
    SimulatedClock& clock_;
};

class RecordingLines final : public KeyLines {
public:
    explicit RecordingLines(EdgeLog& log) : log_(log) {}
    void keyDown() override { log_.add("key down"); }
    void keyUp() override { log_.add("key up"); }
    void pttOn() override { log_.add("ptt on"); }
    void pttOff() override { log_.add("ptt off"); }

private:
    EdgeLog& log_;
};

class RecordingTone final : public ToneSwitch {
public:
    explicit RecordingTone(EdgeLog& log) : log_(log) {}
    void toneOn() override { log_.add("tone on"); }
    void toneOff() override { log_.add("tone off"); }

private:
    EdgeLog& log_;
};

class RecordingLink final : public KeyerLink {
public:
    explicit RecordingLink(EdgeLog& log) : log_(log) {}
    void poll() override { log_.add("poll"); }
    void post(int code, int argument) override
    {
        log_.add("post " + std::to_string(code) + " " + std::to_string(argument));
    }

private:
    EdgeLog& log_;
};

class RecordingPriority final : public TimingPriority {
public:
    explicit RecordingPriority(EdgeLog& log) : log_(log) {}
    void raise() override { log_.add("priority raised"); }
    void restore() override { log_.add("priority restored"); }
    bool realtimeAvailable() const override { return realtime; }

    bool realtime = false;

private:
    EdgeLog& log_;
};

// A plain-text typing box that remembers the colour of every character.
class FakeQueue final : public TransmitQueue {
public:
    qsizetype length() const override { return text.size(); }
    QChar charAt(qsizetype position) const override { return text.at(position - 1); }
    void removeCharAt(qsizetype position) override
    {
        text.remove(position - 1, 1);
        if (trackColours)
            colours.erase(colours.begin() + (position - 1));
    }
    void suspendRedraw() override { ++suspended; }
    void resumeRedraw() override { --suspended; }
    void colourRange(qsizetype first, qsizetype count, Colour colour) override
    {
        if (!trackColours)
            return;
        sync();
        for (qsizetype i = first; i < first + count && i <= text.size(); ++i)
            colours[static_cast<std::size_t>(i - 1)] = colour;
    }
    void moveCaretToEnd() override {}
    void setTypingColour(Colour colour) override { typingColour = colour; }
    void keepFrom(qsizetype position) override
    {
        text = text.mid(position - 1);
        if (trackColours)
            colours.erase(colours.begin(), colours.begin() + (position - 1));
    }
    void clear() override
    {
        text.clear();
        colours.clear();
    }
    void append(const QString& more)
    {
        sync();
        text += more;
        sync();
    }
    void sync()
    {
        if (trackColours)
            colours.resize(static_cast<std::size_t>(text.size()), typingColour);
    }

    QString text;
    std::vector<Colour> colours;
    Colour typingColour = 16711680;
    int suspended = 0;
    bool trackColours = true;
};

class FakeKeyerWindow final : public KeyerWindow {
public:
    explicit FakeKeyerWindow(EdgeLog& log) : log_(log) {}
    void processPendingEvents() override
    {
        log_.add("events");
        ++eventRuns;
        if (onEvents)
            onEvents();
    }
    void setLinkTimerRunning(bool running) override { log_.add(running ? "timer on" : "timer off"); }
    void setSendingControls(bool sending) override { log_.add(sending ? "controls sending" : "controls idle"); }
    void showSpeedText(const QString& text) override { speedText = text; }
    void showKeyLamp(bool on) override { keyLamp = on; }
    void showPttLamp(bool on) override { pttLamp = on; }
    void armPendingLoop() override { log_.add("arm loop"); }
    void logContactIfRequested() override { log_.add("log contact"); }

    std::function<void()> onEvents;
    int eventRuns = 0;
    QString speedText;
    bool keyLamp = false;
    bool pttLamp = false;

private:
    EdgeLog& log_;
};

// What a send starter of the window does: queue the text and send from its first character.
inline void SendAsTheWindowDoes(SoftwareKeyer& keyer, FakeQueue& box, const QString& text)
{
    box.append(text);
    keyer.colourSentText(1);
    keyer.state().currentChar = box.text.left(1);
    keyer.sendLoop();
}

} // namespace tavrik::test

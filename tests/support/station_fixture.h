#pragma once

#include "operator/frm_tavrik.h"
#include "operator/operator_dialogs.h"
#include "platform/parallel_port.h"
#include "platform/serial_line.h"
#include "platform/windows1252.h"
#include "support/isolated_runtime_dir.h"
#include "support/keyer_fakes.h"
#include "support/window_fakes.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <algorithm>
#include <deque>
#include <memory>
#include <optional>
#include <vector>

namespace tavrik::test {

// A parallel port whose control register turns its key and PTT bits into logged edges.
class RecordingPortIo final : public PortIo {
public:
    explicit RecordingPortIo(EdgeLog& log) : log_(log) {}
    bool open(std::uint16_t baseAddress) override
    {
        control_ = static_cast<std::uint16_t>(baseAddress + 2);
        open_ = !failOpen;
        return open_;
    }
    void setDevicePath(const QString&) override {}
    void close() override { open_ = false; }
    bool isOpen() const override { return open_; }
    std::uint8_t inp(std::uint16_t address) override { return address == control_ ? register_ : 0; }
    void out(std::uint16_t address, std::uint8_t value) override
    {
        if (address != control_)
            return;
        // Bit 3 is inverted on its way to the pin: clear keys the transmitter.
        const bool keyed = (value & 0x08) == 0;
        const bool ptt = (value & 0x04) != 0;
        if (written_ && keyed != keyed_)
            log_.add(keyed ? "key down" : "key up");
        if (written_ && ptt != ptt_)
            log_.add(ptt ? "ptt on" : "ptt off");
        keyed_ = keyed;
        ptt_ = ptt;
        written_ = true;
        register_ = value;
    }
    QString lastError() const override { return failOpen ? QStringLiteral("no parallel port at this address") : QString(); }
    std::uint8_t controlRegister() const { return register_; }
    bool failOpen = false;

private:
    EdgeLog& log_;
    std::uint16_t control_ = 0;
    std::uint8_t register_ = 0;
    bool open_ = false;
    bool written_ = false;
    bool keyed_ = false;
    bool ptt_ = false;
};

class RecordingDialogs final : public OperatorDialogs {
public:
    void showMessage(const DialogTitle& title, const QString& text, MessageIcon icon) override
    {
        messages.push_back({title.text(), text, icon});
    }
    // Each dialog takes the next answer queued for it; none queued is Cancel.
    std::optional<Colour> chooseColour(Colour initial) override
    {
        colourAsked.push_back(initial);
        return Next(colourAnswers);
    }
    std::optional<FontChoice> chooseFont(const FontChoice& initial) override
    {
        fontAsked.push_back(initial);
        return Next(fontAnswers);
    }
    struct Shown {
        QString title;
        QString text;
        MessageIcon icon;
    };
    std::vector<Shown> messages;
    std::deque<std::optional<Colour>> colourAnswers;
    std::deque<std::optional<FontChoice>> fontAnswers;
    std::vector<Colour> colourAsked;
    std::vector<FontChoice> fontAsked;

private:
    template <typename T>
    static std::optional<T> Next(std::deque<std::optional<T>>& answers)
    {
        std::optional<T> answer;
        if (!answers.empty()) {
            answer.swap(answers.front());
            answers.pop_front();
        }
        return answer;
    }
};

// Tavrik's main window started as the program starts it, from a TAVRIK.INI the test writes,
// on a simulated clock and a recording parallel port, in a runtime directory of its own.
class Station {
public:
    // Quick settings for tests: no PTT lead-in, no slow-typing hold, automatic sending.
    static QString QuickMainSection()
    {
        return QStringLiteral("[frmTavrik Settings]\nPTT Delay=0\nSlow Typing=OFF\nKeying=VOX\n");
    }

    // Manual sending, and every button's macro names the button ("B7"): each press shows in
    // the box and nothing is sent.
    static QString NumberedMacros(const QString& more = QString())
    {
        QString ini = QStringLiteral("[frmTavrik Settings]\nKeying=MOX\nPTT Delay=0\nSlow Typing=OFF\n");
        for (int i = 1; i <= 36; ++i)
            ini += QStringLiteral("Macro #%1=B%1\n").arg(i);
        return ini + more;
    }

    // Boxes answered by the test, or Qt's own shown as the program shows them.
    enum class Boxes { Recorded, Real };

    // `prepare` may put more files into the program's folder before the start.
    explicit Station(const QString& ini = QuickMainSection(), const QString& argument = QString(),
                     const std::function<void(const QString& programDir)>& prepare = {},
                     Boxes boxes = Boxes::Recorded)
    {
        QFile file(QDir(programDir_.path()).filePath(QStringLiteral("TAVRIK.INI")));
        file.open(QIODevice::WriteOnly);
        // As an operator would have it: plain text, or UTF-8 marked as such.
        const bool ascii = std::all_of(ini.begin(), ini.end(), [](QChar c) { return c.unicode() < 0x80; });
        file.write(ascii ? ini.toLatin1() : "\xEF\xBB\xBF" + ini.toUtf8());
        file.close();
        if (prepare)
            prepare(programDir_.path());
        OperatorDialogs& shown = boxes == Boxes::Real ? static_cast<OperatorDialogs&>(qtDialogs) : dialogs;
        window_ = std::make_unique<FrmTavrik>(TavrikDevices{clock, priority, port, modemLines, shown});
        qtDialogs.setParent(window_.get());
        window_->formLoad({programDir_.path(), argument});
        if (!window_->hasShutDown())
            window_->show();
        QApplication::setActiveWindow(window_.get());
    }

    FrmTavrik& window() { return *window_; }
    QString programDir() const { return programDir_.path(); }
    QString iniText(const QString& name = QStringLiteral("TAVRIK.INI")) const
    {
        QFile file(QDir(programDir_.path()).filePath(name));
        file.open(QIODevice::ReadOnly);
        // Read by the settings file's own rule: UTF-8 when marked, else Windows-1252.
        const QByteArray bytes = file.readAll();
        return bytes.startsWith("\xEF\xBB\xBF") ? QString::fromUtf8(bytes.mid(3)) : FromWindows1252(bytes);
    }
    std::size_t keyDowns() const { return log.only({"key down"}).size(); }
    // Acts once the simulated clock passes `ms` from now, inside whatever wait runs then.
    void after(double ms, std::function<void()> action)
    {
        clock.at(clock.peek() + SimulatedClock::fromMs(ms), std::move(action));
    }

    IsolatedRuntimeDir runtime;
    SimulatedClock clock;
    EdgeLog log{clock};
    RecordingPriority priority{log};
    RecordingPortIo port{log};
    NoModemLines modemLines;
    RecordingDialogs dialogs;
    QtOperatorDialogs qtDialogs;

private:
    QTemporaryDir programDir_;
    std::unique_ptr<FrmTavrik> window_;
};

} // namespace tavrik::test

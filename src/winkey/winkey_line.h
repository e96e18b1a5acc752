#pragma once

#include <QByteArray>
#include <QString>

namespace tavrik {

class SerialLine;

// The part of the window's serial control the WinKey uses. The program passes the real
// control; tests a line that records what is written and plays the keyer's answers.
class WinKeyLine {
public:
    virtual ~WinKeyLine() = default;
    virtual bool portOpen() const = 0;
    virtual void setPortOpen(bool open) = 0;
    virtual void setPortNumber(int portNumber) = 0;
    virtual void setSettings(const QString& text) = 0;
    virtual void setDtr(bool on) = 0;
    virtual void setRts(bool on) = 0;
    virtual int inBufferCount() = 0;
    virtual QByteArray read() = 0;
    virtual void write(const QByteArray& bytes) = 0;
    virtual QString lastError() const = 0;
    virtual void clearError() = 0;
};

// The serial control itself.
class SerialWinKeyLine final : public WinKeyLine {
public:
    explicit SerialWinKeyLine(SerialLine& line) : line_(line) {}
    bool portOpen() const override;
    void setPortOpen(bool open) override;
    void setPortNumber(int portNumber) override;
    void setSettings(const QString& text) override;
    void setDtr(bool on) override;
    void setRts(bool on) override;
    int inBufferCount() override;
    QByteArray read() override;
    void write(const QByteArray& bytes) override;
    QString lastError() const override;
    void clearError() override;

private:
    SerialLine& line_;
};

} // namespace tavrik

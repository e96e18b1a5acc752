#pragma once

#include "link/link.h"

#include <QString>
#include <QStringList>

#include <functional>

namespace tavrik::test {

// The main window as the link sees it: three fields and a record of what it was asked to do.
class FakeLinkHost final : public LinkHost {
public:
    QString callsign, name, srx;
    QStringList calls;
    std::function<void()> onClose;
    std::function<void()> onKey;

    QString callsignText() const override { return callsign; }
    QString nameText() const override { return name; }
    QString srxText() const override { return srx; }
    void setCallsignText(const QString& text) override { callsign = text; calls << "callsign " + text; }
    void setNameText(const QString& text) override { name = text; calls << "name " + text; }
    void setSrxText(const QString& text) override { srx = text; calls << "srx " + text; }
    void closeMainWindow() override
    {
        calls << "close";
        if (onClose)
            onClose();
    }
    void restoreMainWindow() override { calls << "normal"; }
    void minimizeMainWindow() override { calls << "minimize"; }
    void pressKey(int keyCode, int shift) override
    {
        calls << QStringLiteral("key %1 %2").arg(keyCode).arg(shift);
        if (onKey)
            onKey();
    }
    void addCallsignToHistory() override { calls << "history " + callsign; }
    void selectRadioPin(int radio) override { calls << QStringLiteral("radio %1").arg(radio); }
    void showLinkProblem(const QString& problem) override { calls << "problem " + problem; }

    QStringList take() { return std::exchange(calls, {}); }
};

} // namespace tavrik::test

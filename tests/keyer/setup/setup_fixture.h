#pragma once

#include "keyer/setup/frm_port.h"
#include "operator/tavrik_menus.h"
#include "support/station_fixture.h"

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDeadlineTimer>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSlider>
#include <QTest>

namespace tavrik::test {

// The Keyer setup dialog opened from the Config menu of a started station.
class SetupDialog {
public:
    explicit SetupDialog(Station& station) : station_(station) { open(); }

    void open()
    {
        station_.window().menus().mnuPort->trigger();
        dialog_ = station_.window().keyerSetup().setupDialog();
        if (dialog_ != nullptr)
            QApplication::setActiveWindow(dialog_);
    }
    FrmPort* dialog() const { return dialog_; }
    bool isOpen() const { return station_.window().keyerSetup().setupDialog() != nullptr; }

    template <typename W = QWidget>
    W& control(const char* name) const
    {
        W* w = dialog_->findChild<W*>(QLatin1String(name));
        if (w == nullptr)
            throw std::runtime_error(std::string("no control ") + name);
        return *w;
    }
    QLineEdit& box(const char* name) const { return control<QLineEdit>(name); }
    QCheckBox& check(const char* name) const { return control<QCheckBox>(name); }
    QSlider& slider(const char* name) const { return control<QSlider>(name); }
    QComboBox& combo(const char* name) const { return control<QComboBox>(name); }
    void click(const char* name) const { QTest::mouseClick(&control<QAbstractButton>(name), Qt::LeftButton); }
    // Types over the whole box.
    void retype(const char* name, const QString& text) const
    {
        QLineEdit& b = box(name);
        b.setFocus(Qt::TabFocusReason);
        b.selectAll();
        QTest::keyClick(&b, Qt::Key_Backspace);
        QTest::keyClicks(&b, text);
    }
    void keys(const char* sliderName, Qt::Key key, int times) const
    {
        for (int i = 0; i < times; ++i)
            QTest::keyClick(&slider(sliderName), key);
    }
    // The port drop-down as the operator reads it.
    QString portText() const
    {
        const QComboBox& c = combo("cmbPort");
        return c.currentIndex() >= 0 ? c.currentText() : c.placeholderText();
    }

private:
    Station& station_;
    FrmPort* dialog_ = nullptr;
};

// Waits, processing events, until `done` holds or a generous deadline passes.
template <typename Condition>
bool WaitFor(Condition done, int deadlineMs = 60'000)
{
    QDeadlineTimer deadline(deadlineMs);
    while (!done() && !deadline.hasExpired())
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
    return done();
}

} // namespace tavrik::test

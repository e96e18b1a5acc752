#include "common/center_form.h"

#include <QGuiApplication>
#include <QScreen>
#include <QWidget>

#include <gtest/gtest.h>

namespace tavrik {
namespace {

// Run with two screens side by side (two_screens.json): a form on the second one lands at the
// centre of that screen, not at the first one's coordinates.
TEST(CenterFormTest, CentresOnTheFormsOwnScreen)
{
    const QList<QScreen*> screens = QGuiApplication::screens();
    ASSERT_EQ(screens.size(), 2) << "run with QT_QPA_PLATFORM=offscreen:configfile=two_screens.json";
    for (QScreen* screen : screens) {
        QWidget form;
        form.setScreen(screen);
        form.resize(300, 200);
        CenterForm(form);
        const QPoint centre = screen->availableGeometry().center();
        EXPECT_LE((form.frameGeometry().center() - centre).manhattanLength(), 2)
            << screen->name().toStdString() << ": at " << form.frameGeometry().center().x() << ","
            << form.frameGeometry().center().y();
    }
}

} // namespace
} // namespace tavrik

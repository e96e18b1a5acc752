#pragma once

#include <QAccessible>
#include <QAccessibleWidget>
#include <QWidget>

namespace tavrik {

// A main window built on a plain widget is announced as a window with its title: screen
// readers would take it for a filler. Dialogs and main windows have their roles already.
inline QAccessibleInterface* PlainWindowAsWindow(const QString& className, QObject* object)
{
    auto* widget = qobject_cast<QWidget*>(object);
    if (className != QLatin1String("QWidget") || widget == nullptr || widget->windowType() != Qt::Window)
        return nullptr;
    return new QAccessibleWidget(widget, QAccessible::Window);
}

// Once per program, before its first window is shown.
inline void AnnouncePlainWindowsAsWindows()
{
    static const bool installed = [] {
        QAccessible::installFactory(PlainWindowAsWindow);
        return true;
    }();
    (void)installed;
}

} // namespace tavrik

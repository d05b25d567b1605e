#include "ui/forms/screenwatch.h"

#include "document/project.h"
#include "ui/forms/msgform.h"
#include "ui/langstrings.h"

#include <QGuiApplication>
#include <QPointer>
#include <QScreen>
#include <QWidget>

namespace kav {

void ScreenResolutionChanged(QWidget* mainWindow)
{
    static bool asking = false;   // several screens report one change
    if (asking || !mainWindow)
        return;
    asking = true;
    QPointer<QWidget> window = mainWindow;
    MessageBox(QStringLiteral("Warning"), GetString(QStringLiteral("Warning.ChangeResolution"), QLatin1String(kProductName)),
               mbOk);
    if (window)
        window->close();
    asking = false;
}

void WatchScreenResolution(QWidget* mainWindow)
{
    QPointer<QWidget> window = mainWindow;
    auto watch = [window](QScreen* screen) {
        QObject::connect(screen, &QScreen::geometryChanged, window, [window] { ScreenResolutionChanged(window); });
    };
    for (QScreen* screen : QGuiApplication::screens())
        watch(screen);
    QObject::connect(qApp, &QGuiApplication::screenAdded, window, watch);
}

} // namespace kav

#pragma once

#include "../controllers/BenchSupport.h"
#include "app/ApplicationController.h"
#include "app/ApplicationIdentity.h"

#include <QEventLoop>
#include <QObject>
#include <QQmlApplicationEngine>
#include <QQuickWindow>
#include <QTimer>
#include <QUrl>

// Helpers of the window benchmarks: the real window, and waits that run its event loop.

// Loads the program's window over `controller` at 1440 x 900; null when it did not load.
inline QQuickWindow* loadMainWindow(QQmlApplicationEngine& engine,
                                    orvi::ui::controllers::ApplicationController& controller)
{
    engine.setInitialProperties(
        {{QStringLiteral("applicationController"), QVariant::fromValue(&controller)}});
    engine.addImportPath(orvi::app::ApplicationIdentity::qmlImportPath());
    engine.load(QUrl(orvi::app::ApplicationIdentity::mainQmlUrl()));
    auto* window = engine.rootObjects().isEmpty()
                       ? nullptr
                       : qobject_cast<QQuickWindow*>(engine.rootObjects().first());
    if (window)
        window->resize(1440, 900);
    return window;
}

inline void runFor(int milliseconds)
{
    QEventLoop loop;
    QTimer::singleShot(milliseconds, &loop, &QEventLoop::quit);
    loop.exec();
}

// The next frame the window presents.
inline bool waitForFrame(QQuickWindow* window, int timeoutMs)
{
    bool swapped = false;
    const auto connection =
        QObject::connect(window, &QQuickWindow::frameSwapped, [&swapped] { swapped = true; });
    window->update();
    const bool ok = runUntil([&] { return swapped; }, timeoutMs);
    QObject::disconnect(connection);
    return ok;
}

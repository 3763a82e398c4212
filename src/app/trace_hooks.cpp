// SPDX-License-Identifier: GPL-3.0-or-later
#include "trace_hooks.h"

#include "platform/trace.h"
#include "store/store.h"

#include <QEvent>
#include <QGuiApplication>
#include <QScreen>
#include <QTimer>
#include <QWidget>

namespace qm {

namespace {

class FirstPaint final : public QObject {
public:
    using QObject::QObject;

protected:
    bool eventFilter(QObject *watched, QEvent *event) override
    {
        if (event->type() == QEvent::Paint) {
            trace("first-paint");
            watched->removeEventFilter(this);
            deleteLater();
        }
        return false;
    }
};

} // namespace

void installTraceHooks(Store &store, QWidget *mainWindow)
{
    if (!traceEnabled())
        return;
    if (mainWindow)
        mainWindow->installEventFilter(new FirstPaint(mainWindow));
    // An edit has reached the store (an end-to-end check counts them before it quits).
    QObject::connect(&store, &Store::scriptsChanged, &store, [] { trace("scripts-changed"); });
    if (auto *gui = qobject_cast<QGuiApplication *>(QCoreApplication::instance()))
        QObject::connect(gui, &QGuiApplication::screenAdded, &store, [] { trace("screen-added"); });

    bool ok = false;
    const double delay = qEnvironmentVariable("QUILLMERE_TRACE_FONT_STEP").toDouble(&ok);
    if (!ok || delay < 0)
        return;
    QTimer::singleShot(qRound(delay * 1000), &store, [&store] {
        Settings settings = store.settings();
        settings.fontSize += 1;
        traceBegin("relayout-begin", "relayout-done");
        // Never saved: a measurement leaves the user's settings file as it was.
        store.setSettingsForThisRun(settings);
    });
}

} // namespace qm

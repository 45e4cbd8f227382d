#include "services/http/anti_freeze.h"

#include <QCoreApplication>
#include <QThread>
#include <atomic>

namespace {
// Counted rather than flagged, so that an overlapping pair of hooks keeps the effect until the
// last one goes.
std::atomic<int> g_liveHooks{0};
std::atomic<bool> g_quitting{false};
}  // namespace

AntiFreeze::AntiFreeze() {
    g_liveHooks.fetch_add(1);
    // The application says when it quits; heard once per application object.
    static QCoreApplication* heard = nullptr;
    QCoreApplication* app = QCoreApplication::instance();
    if (app != nullptr && app != heard) {
        heard = app;
        QObject::connect(app, &QCoreApplication::aboutToQuit, [] { SetQuitting(true); });
    }
}

AntiFreeze::~AntiFreeze() {
    g_liveHooks.fetch_sub(1);
}

bool AntiFreeze::InForce() {
    if (g_liveHooks.load() <= 0)
        return false;
    // Events may only be dispatched from the thread that owns the application's event loop.
    QCoreApplication* app = QCoreApplication::instance();
    return app != nullptr && QThread::currentThread() == app->thread();
}

void AntiFreeze::SetQuitting(bool quitting) {
    g_quitting.store(quitting);
}

bool AntiFreeze::Quitting() {
    return g_quitting.load() || QCoreApplication::closingDown();
}

#include "services/http/anti_freeze.h"

#include <QCoreApplication>
#include <QThread>
#include <atomic>

namespace {
// Counted rather than flagged, so that an overlapping pair of hooks keeps the effect until the
// last one goes.
std::atomic<int> g_liveHooks{0};
}  // namespace

AntiFreeze::AntiFreeze() {
    g_liveHooks.fetch_add(1);
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

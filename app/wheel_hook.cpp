#include "app/wheel_hook.h"

#include <QCoreApplication>
#include <QWheelEvent>
#include <algorithm>

int32_t WheelMessageWord(const QWheelEvent& event) {
    // A delta beyond what 16 bits hold is clamped rather than wrapped, so it keeps its sign.
    const int delta = std::clamp(event.angleDelta().y(), -32768, 32767);
    uint16_t flags = 0;
    const Qt::MouseButtons buttons = event.buttons();
    const Qt::KeyboardModifiers modifiers = event.modifiers();
    if (buttons & Qt::LeftButton)
        flags |= kWheelLeftButton;
    if (buttons & Qt::RightButton)
        flags |= kWheelRightButton;
    if (modifiers & Qt::ShiftModifier)
        flags |= kWheelShift;
    if (modifiers & Qt::ControlModifier)
        flags |= kWheelControl;
    if (buttons & Qt::MiddleButton)
        flags |= kWheelMiddleButton;
    if (buttons & Qt::XButton1)
        flags |= kWheelXButton1;
    if (buttons & Qt::XButton2)
        flags |= kWheelXButton2;
    const uint32_t word = (static_cast<uint32_t>(static_cast<uint16_t>(delta)) << 16) | flags;
    return static_cast<int32_t>(word);
}

bool IsVerticalWheelMessage(const QWheelEvent& event) {
    // A touchpad gesture opens and closes with events that carry no distance at all; they are
    // no turn of a wheel, and a zero word would read as one line down.
    return event.angleDelta().y() != 0;
}

TApplicationEvents::TApplicationEvents(QObject* parent) : QObject(parent) {
    setObjectName(QStringLiteral("ApplicationEvents1"));
    if (QCoreApplication* app = QCoreApplication::instance())
        app->installEventFilter(this);
}

TApplicationEvents::~TApplicationEvents() {
    if (QCoreApplication* app = QCoreApplication::instance())
        app->removeEventFilter(this);
}

bool TApplicationEvents::eventFilter(QObject* watched, QEvent* event) {
    // One event of the windowing system reaches the program once, at its window. Qt then hands
    // copies of it down to the widget under the pointer and up the widget's parents (and a
    // scroll area passes its own to its scroll bar); those are not new messages, so only the
    // window-level delivery is reported.
    if (OnMessage && watched->isWindowType()) {
        bool handled = false;
        OnMessage(event, handled);
        if (handled)
            return true;
    }
    return false;
}

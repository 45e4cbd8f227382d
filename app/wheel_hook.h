#pragma once
// The application-wide message hook: sees every event the windowing system delivers to any
// window of the program, before the window handles it.

#include <QObject>
#include <cstdint>
#include <functional>

class QEvent;
class QWheelEvent;

// Key and button flags of a wheel message's low word.
inline constexpr uint16_t kWheelLeftButton = 0x0001;
inline constexpr uint16_t kWheelRightButton = 0x0002;
inline constexpr uint16_t kWheelShift = 0x0004;
inline constexpr uint16_t kWheelControl = 0x0008;
inline constexpr uint16_t kWheelMiddleButton = 0x0010;
inline constexpr uint16_t kWheelXButton1 = 0x0020;
inline constexpr uint16_t kWheelXButton2 = 0x0040;

// The wheel message's first parameter: the signed vertical delta in the high 16 bits, the key
// and button flags in the low 16 bits, read as one signed 32-bit number.
int32_t WheelMessageWord(const QWheelEvent& event);
// True for the vertical wheel message; a wheel that only tilts sideways is another message, and
// an event without any distance (the start and end of a touchpad scroll) is none.
bool IsVerticalWheelMessage(const QWheelEvent& event);

class TApplicationEvents : public QObject {
    Q_OBJECT
public:
    // Installs itself on the application at once; removed again when destroyed.
    explicit TApplicationEvents(QObject* parent = nullptr);
    ~TApplicationEvents() override;

    // Called for every event delivered to a window of the program. Setting handled to true
    // would swallow the event; the program's own handler never does.
    std::function<void(QEvent* event, bool& handled)> OnMessage;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
};

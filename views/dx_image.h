#pragma once
// A picture box that tells when the pointer enters and leaves it; every image button is one.
// The owner keeps the normal and hover pictures and swaps them from the two events.

#include <functional>

#include "views/picture_box.h"

class TDxImage : public TImage {
    Q_OBJECT
public:
    using TEnterLeaveEvent = std::function<void(QObject* sender)>;

    explicit TDxImage(QWidget* parent = nullptr);

    // Called with the control itself as the sender; unset by default.
    TEnterLeaveEvent OnEnterEvent;
    TEnterLeaveEvent OnLeaveEvent;

protected:
    void enterEvent(QEnterEvent* event) override;
    void leaveEvent(QEvent* event) override;
};

// Makes button an image button at topLeft: sized to its normal picture, with the hand cursor,
// showing hover while the pointer is over it and normal otherwise. QImage shares its pixels, so
// the handlers hold the owner's decoded pictures, not copies of them.
void SetUpHoverButton(TDxImage* button, const char* objectName, QPoint topLeft,
                      const QImage& normal, const QImage& hover);

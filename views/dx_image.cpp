#include "views/dx_image.h"

TDxImage::TDxImage(QWidget* parent) : TImage(parent) {}

// The handlers are copied before the call: a handler may well assign a new one to the same
// event, which would otherwise destroy the function while it runs.
void TDxImage::enterEvent(QEnterEvent* event) {
    TImage::enterEvent(event);
    if (TEnterLeaveEvent handler = OnEnterEvent)
        handler(this);
}

void TDxImage::leaveEvent(QEvent* event) {
    TImage::leaveEvent(event);
    if (TEnterLeaveEvent handler = OnLeaveEvent)
        handler(this);
}

void SetUpHoverButton(TDxImage* button, const char* objectName, QPoint topLeft,
                      const QImage& normal, const QImage& hover) {
    button->setObjectName(QString::fromLatin1(objectName));
    button->move(topLeft);
    button->setAutoSize(true);
    button->setCursor(Qt::PointingHandCursor);
    button->setPicture(normal);
    button->OnEnterEvent = [button, hover](QObject*) { button->setPicture(hover); };
    button->OnLeaveEvent = [button, normal](QObject*) { button->setPicture(normal); };
}

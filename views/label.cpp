#include "views/label.h"

#include <QMouseEvent>

TLabel::TLabel(QWidget* parent) : QLabel(parent) {
    setContentsMargins(0, 0, 0, 0);
    setMargin(0);
    setIndent(0);
    setWordWrap(false);
    setTextFormat(Qt::PlainText);
    setAutoFillBackground(false);
}

void TLabel::setAutoSize(bool on) {
    m_autoSize = on;
    if (on)
        adjustSize();
}

void TLabel::setCaption(const QString& text) {
    ++m_captionWrites;
    setText(text);
    if (m_autoSize)
        adjustSize();
}

void TLabel::setTextColor(const QColor& colour) {
    QPalette p = palette();
    p.setColor(QPalette::WindowText, colour);
    p.setColor(QPalette::Text, colour);
    setPalette(p);
}

void TLabel::setBackgroundColor(const QColor& colour) {
    if (!colour.isValid()) {
        setAutoFillBackground(false);
        return;
    }
    QPalette p = palette();
    p.setColor(QPalette::Window, colour);
    setPalette(p);
    setAutoFillBackground(true);
}

void TLabel::mouseReleaseEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton && rect().contains(event->position().toPoint()))
        emit clicked();
    QLabel::mouseReleaseEvent(event);
}

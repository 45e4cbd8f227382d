#include "views/picture_box.h"

#include <QMouseEvent>
#include <QMovie>
#include <QPainter>

TImage::TImage(QWidget* parent) : QWidget(parent) {}

void TImage::setAutoSize(bool on) {
    m_autoSize = on;
    if (on && !m_picture.isNull())
        resize(m_picture.deviceIndependentSize().toSize());
}

void TImage::setPicture(const QImage& picture) {
    if (m_movie)
        disconnect(m_movie, nullptr, this, nullptr);
    m_movie = nullptr;
    m_picture = picture;
    if (m_autoSize && !picture.isNull())
        resize(picture.deviceIndependentSize().toSize());
    update();
}

void TImage::clear() {
    setPicture(QImage());
}

void TImage::setMovie(QMovie* movie, qreal devicePixelRatio) {
    if (m_movie)
        disconnect(m_movie, nullptr, this, nullptr);
    m_picture = QImage();
    m_movie = movie;
    m_movieRatio = devicePixelRatio;
    if (movie) {
        connect(movie, &QMovie::frameChanged, this, qOverload<>(&QWidget::update));
        if (m_autoSize) {
            QSize size = movie->frameRect().size();
            if (size.isEmpty())
                size = movie->currentImage().size();
            if (!size.isEmpty())
                resize((QSizeF(size) / m_movieRatio).toSize());
        }
    }
    update();
}

void TImage::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    if (m_movie) {
        QImage frame = m_movie->currentImage();
        frame.setDevicePixelRatio(m_movieRatio);
        painter.drawImage(QPoint(0, 0), frame);
    } else if (!m_picture.isNull()) {
        painter.drawImage(QPoint(0, 0), m_picture);
    }
}

void TImage::mousePressEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton)
        m_pressed = true;
    QWidget::mousePressEvent(event);
}

void TImage::mouseReleaseEvent(QMouseEvent* event) {
    const bool wasPressed = m_pressed;
    m_pressed = false;
    if (event->button() == Qt::LeftButton && wasPressed &&
        rect().contains(event->position().toPoint()))
        emit clicked();
    QWidget::mouseReleaseEvent(event);
}

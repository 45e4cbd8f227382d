#pragma once
// The picture box every window uses: draws its picture at natural size from its top-left
// corner, clipped at its edges, never stretched; paints nothing else, so whatever lies beneath
// shows through transparent pixels and an empty box. Shows either a still picture or a movie.

#include <QImage>
#include <QPointer>
#include <QWidget>

#include <QMovie>

class TImage : public QWidget {
    Q_OBJECT
public:
    explicit TImage(QWidget* parent = nullptr);

    // When on, the box takes the size of each picture it is given.
    void setAutoSize(bool on);
    bool autoSize() const { return m_autoSize; }

    void setPicture(const QImage& picture);
    const QImage& picture() const { return m_picture; }
    bool hasPicture() const { return !m_picture.isNull() || m_movie; }
    void clear();

    // Shows a running animation (not owned); its frames are drawn as they change. A movie drawn
    // for screens of device pixel ratio 2 gives ratio 2: its frames keep their 1x size here.
    void setMovie(QMovie* movie, qreal devicePixelRatio = 1.0);
    QMovie* movie() const { return m_movie; }

signals:
    void clicked();

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;

private:
    QImage m_picture;
    QPointer<QMovie> m_movie;
    qreal m_movieRatio = 1.0;
    bool m_autoSize = false;
    bool m_pressed = false;
};

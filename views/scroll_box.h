#pragma once
// The deal grid's scroll box. It never scrolls on the wheel by itself: the application-wide hook
// does that, one line per wheel message, wherever the pointer is. The arrow keys, Page Up,
// Page Down, Home and End scroll it (views/grid_keys.h).

#include <QScrollArea>

class TScrollBox : public QScrollArea {
    Q_OBJECT
public:
    explicit TScrollBox(QWidget* parent = nullptr);

    static constexpr int kLineStep = 8;

    // The widget that holds the tiles; its height is the bottom edge of the lowest tile.
    QWidget* content() const { return m_content; }
    // Puts a finished tile into the grid and extends the scroll range to cover it.
    void addTile(QWidget* tile);

protected:
    void wheelEvent(QWheelEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

private:
    QWidget* m_content;
};

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
    // Puts a finished tile into the grid and extends the scroll range to cover it. A tile made
    // as a child of content() from the start is only shown; any other is moved there first.
    void addTile(QWidget* tile);

    // While one exists, addTile leaves the content's size alone and the batch sets it once, when
    // it ends, to cover every tile added: resizing the content re-lays the scroll bars, and
    // doing that per tile costs more than the tiles themselves in a large grid.
    class TileBatch {
    public:
        explicit TileBatch(TScrollBox& box);
        ~TileBatch();
        TileBatch(const TileBatch&) = delete;
        TileBatch& operator=(const TileBatch&) = delete;

    private:
        TScrollBox& m_box;
    };

protected:
    void wheelEvent(QWheelEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

private:
    void fitContentTo(const QRect& edge);

    QWidget* m_content;
    int m_batches = 0;
    QRect m_pendingEdge;  // the tiles added during a batch
};

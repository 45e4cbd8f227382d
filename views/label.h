#pragma once
// A one-line text label. Transparent unless given a background colour; when auto-sized it takes
// the size of its text each time the text changes, keeping its left and top.

#include <QColor>
#include <QLabel>

class TLabel : public QLabel {
    Q_OBJECT
public:
    explicit TLabel(QWidget* parent = nullptr);

    void setAutoSize(bool on);
    bool autoSize() const { return m_autoSize; }

    void setCaption(const QString& text);
    QString caption() const { return text(); }

    void setTextColor(const QColor& colour);
    // An opaque background in this colour; an invalid colour makes the label transparent again.
    void setBackgroundColor(const QColor& colour);

    // Counts every setCaption call, whether the text changed or not: QLabel skips an unchanged
    // text itself, so this is how a caller's needless rewrites show.
    int captionWrites() const { return m_captionWrites; }

    // QLabel's size for the text, remembered per font and text for every label: a grid of
    // hundreds of tiles sizes the same captions and prices over and over, and laying out the
    // text is most of what a label costs to make.
    QSize sizeHint() const override;

signals:
    void clicked();

protected:
    void mouseReleaseEvent(QMouseEvent* event) override;

private:
    bool m_autoSize = true;
    int m_captionWrites = 0;
};

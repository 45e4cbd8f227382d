#pragma once
// A multi-line display box: plain text wrapped at word boundaries (anywhere in Chinese text),
// drawn in fixed-height lines inside a one-pixel frame. It shows only whole lines; what does not
// fit below them is not drawn. It takes no input, has no scroll bars and no selection.
//
// The line height is the box's own rather than the font's, because a stand-in face may carry a
// much taller line spacing than the face the layout was made for.

#include <QFrame>
#include <QString>

class TMemo : public QFrame {
    Q_OBJECT
public:
    explicit TMemo(QWidget* parent = nullptr);

    // Line breaks (LF) in the text start new lines.
    void setText(const QString& text);
    QString text() const { return m_text; }

    // Every line is lineHeight pixels tall, its baseline `baseline` pixels below its top.
    void setLineMetrics(int lineHeight, int baseline);
    int lineHeight() const { return m_lineHeight; }
    int baseline() const { return m_baseline; }

    // Space between the frame and the text: left and right, and above the first line.
    void setTextMargins(int side, int top);
    // Where the lines go: the inside of the frame less the margins.
    QRect textArea() const;

    // The lines the text takes at the current width, and how many of them are shown.
    int lineCount() const;
    int visibleLineCount() const;

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QString m_text;
    int m_lineHeight = 0;
    int m_baseline = 0;
    int m_sideMargin = 0;
    int m_topMargin = 0;
};

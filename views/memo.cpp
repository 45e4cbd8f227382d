#include "views/memo.h"

#include <QPainter>
#include <QTextLayout>
#include <QTextOption>
#include <functional>

namespace {

// Lays out every paragraph of text at the given width, one QTextLine per shown line, and calls
// visit(line, lineIndex) for each; stops when visit returns false.
void ForEachLine(const QString& text, const QFont& font, int width,
                 const std::function<bool(const QTextLine&, int)>& visit) {
    QTextOption option;
    option.setWrapMode(QTextOption::WrapAtWordBoundaryOrAnywhere);
    int index = 0;
    for (const QString& paragraph : text.split(QLatin1Char('\n'))) {
        QTextLayout layout(paragraph, font);
        layout.setTextOption(option);
        layout.beginLayout();
        for (QTextLine line = layout.createLine(); line.isValid(); line = layout.createLine())
            line.setLineWidth(width);
        layout.endLayout();
        for (int i = 0; i < layout.lineCount(); ++i)
            if (!visit(layout.lineAt(i), index++))
                return;
    }
}

}  // namespace

TMemo::TMemo(QWidget* parent) : QFrame(parent) {
    setFrameStyle(QFrame::Box | QFrame::Plain);
    setLineWidth(1);
    setBackgroundRole(QPalette::Base);
    setAutoFillBackground(true);
    setFocusPolicy(Qt::NoFocus);
    setContextMenuPolicy(Qt::NoContextMenu);
    m_lineHeight = fontMetrics().lineSpacing();
    m_baseline = fontMetrics().ascent();
}

void TMemo::setText(const QString& text) {
    if (text == m_text)
        return;
    m_text = text;
    update();
}

void TMemo::setLineMetrics(int lineHeight, int baseline) {
    m_lineHeight = lineHeight;
    m_baseline = baseline;
    update();
}

void TMemo::setTextMargins(int side, int top) {
    m_sideMargin = side;
    m_topMargin = top;
    update();
}

QRect TMemo::textArea() const {
    return contentsRect().adjusted(m_sideMargin, m_topMargin, -m_sideMargin, 0);
}

int TMemo::lineCount() const {
    int count = 0;
    ForEachLine(m_text, font(), textArea().width(), [&count](const QTextLine&, int) {
        ++count;
        return true;
    });
    return count;
}

int TMemo::visibleLineCount() const {
    return m_lineHeight > 0 ? std::min(lineCount(), textArea().height() / m_lineHeight) : 0;
}

void TMemo::paintEvent(QPaintEvent* event) {
    QFrame::paintEvent(event);  // the frame; the background is filled beneath it
    const QRect area = textArea();
    if (m_lineHeight <= 0)
        return;
    const int shown = area.height() / m_lineHeight;
    QPainter painter(this);
    painter.setClipRect(contentsRect());
    painter.setPen(palette().color(QPalette::Text));
    ForEachLine(m_text, font(), area.width(), [&](const QTextLine& line, int index) {
        if (index >= shown)
            return false;
        const qreal baseline = area.top() + index * m_lineHeight + m_baseline;
        line.draw(&painter, QPointF(area.left(), baseline - line.ascent() - line.y()));
        return true;
    });
}

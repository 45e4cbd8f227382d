#include "views/scroll_box.h"

#include <QKeyEvent>
#include <QPalette>
#include <QScrollBar>
#include <QWheelEvent>
#include <algorithm>

#include "views/grid_keys.h"

namespace {

// A scroll bar that leaves the wheel alone, so the grid moves one line per wheel message and
// only through the hook.
class TNoWheelScrollBar : public QScrollBar {
public:
    using QScrollBar::QScrollBar;

protected:
    void wheelEvent(QWheelEvent* event) override { event->ignore(); }
};

}  // namespace

TScrollBox::TScrollBox(QWidget* parent) : QScrollArea(parent), m_content(new QWidget) {
    setObjectName(QStringLiteral("ScrollBox1"));
    setFrameStyle(QFrame::Box | QFrame::Plain);
    setLineWidth(1);
    setVerticalScrollBar(new TNoWheelScrollBar(Qt::Vertical));
    setHorizontalScrollBar(new TNoWheelScrollBar(Qt::Horizontal));
    setHorizontalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    setVerticalScrollBarPolicy(Qt::ScrollBarAsNeeded);

    QPalette white = palette();
    white.setColor(QPalette::Window, Qt::white);
    white.setColor(QPalette::Base, Qt::white);
    viewport()->setPalette(white);
    viewport()->setAutoFillBackground(true);

    m_content->setObjectName(QStringLiteral("ScrollBox1Content"));
    m_content->setPalette(white);
    m_content->setAutoFillBackground(false);
    m_content->resize(0, 0);
    setWidgetResizable(false);
    setWidget(m_content);

    verticalScrollBar()->setSingleStep(kLineStep);
    horizontalScrollBar()->setSingleStep(kLineStep);
}

void TScrollBox::addTile(QWidget* tile) {
    if (tile->parentWidget() != m_content)
        tile->setParent(m_content);
    if (m_batches > 0)
        m_pendingEdge |= tile->geometry();
    else
        fitContentTo(tile->geometry());
    tile->show();
}

void TScrollBox::fitContentTo(const QRect& edge) {
    m_content->resize(std::max(m_content->width(), edge.x() + edge.width()),
                      std::max(m_content->height(), edge.y() + edge.height()));
    // QScrollArea resets the step from the content size; one line stays 8 pixels.
    verticalScrollBar()->setSingleStep(kLineStep);
    horizontalScrollBar()->setSingleStep(kLineStep);
}

TScrollBox::TileBatch::TileBatch(TScrollBox& box) : m_box(box) {
    ++m_box.m_batches;
}

TScrollBox::TileBatch::~TileBatch() {
    if (--m_box.m_batches > 0 || m_box.m_pendingEdge.isNull())
        return;
    m_box.fitContentTo(m_box.m_pendingEdge);
    m_box.m_pendingEdge = QRect();
}

void TScrollBox::wheelEvent(QWheelEvent* event) {
    event->ignore();
}

// The grid's keys are those of ScrollByKey alone (the scroll area's own would also take the
// arrows with Alt held); anything else goes on to the window.
void TScrollBox::keyPressEvent(QKeyEvent* event) {
    if (!ScrollByKey(*this, *event))
        QWidget::keyPressEvent(event);
}

#include "views/grid_keys.h"

#include <QAbstractScrollArea>
#include <QKeyEvent>
#include <QScrollBar>

namespace {

// Which bar a grid key moves, and how far.
struct GridKey {
    Qt::Key key;
    Qt::Orientation bar;
    QAbstractSlider::SliderAction action;
};

constexpr GridKey kGridKeys[] = {
    {Qt::Key_Up, Qt::Vertical, QAbstractSlider::SliderSingleStepSub},
    {Qt::Key_Down, Qt::Vertical, QAbstractSlider::SliderSingleStepAdd},
    {Qt::Key_Left, Qt::Horizontal, QAbstractSlider::SliderSingleStepSub},
    {Qt::Key_Right, Qt::Horizontal, QAbstractSlider::SliderSingleStepAdd},
    {Qt::Key_PageUp, Qt::Vertical, QAbstractSlider::SliderPageStepSub},
    {Qt::Key_PageDown, Qt::Vertical, QAbstractSlider::SliderPageStepAdd},
    {Qt::Key_Home, Qt::Vertical, QAbstractSlider::SliderToMinimum},
    {Qt::Key_End, Qt::Vertical, QAbstractSlider::SliderToMaximum},
};

}  // namespace

bool ScrollByKey(QAbstractScrollArea& area, const QKeyEvent& event) {
    if (event.modifiers() & (Qt::AltModifier | Qt::MetaModifier))
        return false;
    for (const GridKey& grid : kGridKeys) {
        if (event.key() != grid.key)
            continue;
        QScrollBar* bar =
            grid.bar == Qt::Vertical ? area.verticalScrollBar() : area.horizontalScrollBar();
        bar->triggerAction(grid.action);
        return true;
    }
    return false;
}

#include "views/grid_keys.h"

#include <QAbstractScrollArea>
#include <QKeyEvent>
#include <QScrollBar>

bool ScrollByKey(QAbstractScrollArea& area, const QKeyEvent& event) {
    if (event.modifiers() & (Qt::AltModifier | Qt::MetaModifier))
        return false;
    QScrollBar* vertical = area.verticalScrollBar();
    QScrollBar* horizontal = area.horizontalScrollBar();
    switch (event.key()) {
        case Qt::Key_Up:
            vertical->triggerAction(QAbstractSlider::SliderSingleStepSub);
            return true;
        case Qt::Key_Down:
            vertical->triggerAction(QAbstractSlider::SliderSingleStepAdd);
            return true;
        case Qt::Key_Left:
            horizontal->triggerAction(QAbstractSlider::SliderSingleStepSub);
            return true;
        case Qt::Key_Right:
            horizontal->triggerAction(QAbstractSlider::SliderSingleStepAdd);
            return true;
        case Qt::Key_PageUp:
            vertical->triggerAction(QAbstractSlider::SliderPageStepSub);
            return true;
        case Qt::Key_PageDown:
            vertical->triggerAction(QAbstractSlider::SliderPageStepAdd);
            return true;
        case Qt::Key_Home:
            vertical->triggerAction(QAbstractSlider::SliderToMinimum);
            return true;
        case Qt::Key_End:
            vertical->triggerAction(QAbstractSlider::SliderToMaximum);
            return true;
        default:
            return false;
    }
}

#include "views/window_centring.h"

#include <QWidget>

void CentreWindowIn(QWidget& window, const QRect& area) {
    window.move(area.x() + (area.width() - window.width()) / 2,
                area.y() + (area.height() - window.height()) / 2);
}

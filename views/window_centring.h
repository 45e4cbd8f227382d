#pragma once
// Placing a window in the middle of an area: the screen for the splash and the main window, the
// main window's outer frame for the details window.

#include <QRect>

class QWidget;

// Moves the window so that its size is centred in area (halves rounded towards the top left).
void CentreWindowIn(QWidget& window, const QRect& area);

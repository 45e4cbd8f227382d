#pragma once
// Opening the details window for a clicked tile: create it, hand over the deal in the fixed
// order, show it and give it the focus.

#include <QWidget>

#include "deals/deal_record.h"

// mainWindow owns the new window; clockTime is the main window's deal clock at the click.
void OpenDetailsWindow(QWidget* mainWindow, const DealRecord& deal, DateTime clockTime);

#include "app/details_opening.h"

// Filled in together with the details window.
void OpenDetailsWindow(QWidget*, const DealRecord&, DateTime) {}

#pragma once
// The keys that scroll the deal grid: the arrow keys by one line (as one wheel message does),
// Page Up and Page Down by the visible height, Home and End to the top and the bottom. With Alt
// or Meta held a key is left to others.

class QAbstractScrollArea;
class QKeyEvent;

// Scrolls the area as the key asks and returns true; returns false for any other key.
bool ScrollByKey(QAbstractScrollArea& area, const QKeyEvent& event);

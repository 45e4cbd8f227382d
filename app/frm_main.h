#pragma once
// The main window: the deal grid, the deal clock, the wheel hook and the feed client.

#include <QWidget>

class TfrmZORMain : public QWidget {
    Q_OBJECT
public:
    // Construction runs FormCreate: all loading happens here.
    explicit TfrmZORMain(QWidget* parent = nullptr);
};

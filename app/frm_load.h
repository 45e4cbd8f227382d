#pragma once
// The splash window: the splash picture with the version line, shown while the main window is
// being built. It has no behaviour of its own.

#include <QWidget>

class TImage;
class TLabel;

class TfrmLoad : public QWidget {
    Q_OBJECT
public:
    explicit TfrmLoad(QWidget* parent = nullptr);

    // The version line ("V:" and the service's text); the label grows to the right.
    void setVersionText(const QString& text);
    QString versionText() const;

    // Waits (briefly, bounded) until the window system has put the window on screen, then paints
    // it at once: nothing else gets a chance to paint it while the main window is being built.
    void paintNow();

    TImage* Image1 = nullptr;
    TLabel* Label1 = nullptr;

    static constexpr int kClientWidth = 380;
    static constexpr int kClientHeight = 150;
};

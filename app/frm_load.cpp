#include "app/frm_load.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QGuiApplication>
#include <QScreen>
#include <QWindow>

#include "pictures/packaged_pictures.h"
#include "views/fonts.h"
#include "views/label.h"
#include "views/picture_box.h"
#include "views/window_centring.h"

namespace {
// How long paintNow waits for the window manager to map the window. A splash that has not
// appeared by then is painted as soon as it is exposed.
constexpr int kMapWaitMs = 1000;
}  // namespace

TfrmLoad::TfrmLoad(QWidget* parent) : QWidget(parent, Qt::SplashScreen | Qt::FramelessWindowHint) {
    setObjectName(QStringLiteral("frmLoad"));
    setWindowTitle(QStringLiteral("frmLoad"));
    setAccessibleName(QStringLiteral("frmLoad"));
    setFixedSize(kClientWidth, kClientHeight);
    setFont(PixelFont(kSansFace, 11));
    setBackgroundRole(QPalette::Button);
    setAutoFillBackground(true);

    Image1 = new TImage(this);
    Image1->setObjectName(QStringLiteral("Image1"));
    Image1->setAccessibleName(QStringLiteral("Image1"));
    Image1->setGeometry(0, 0, kClientWidth, kClientHeight);
    Image1->setAutoSize(true);
    Image1->setPicture(PackagedImage(QStringLiteral("splash")));

    Label1 = new TLabel(this);
    Label1->setObjectName(QStringLiteral("Label1"));
    Label1->setFont(PixelFont(kSansFace, 13));
    Label1->move(24, 120);
    Label1->setAutoSize(true);
    Label1->setCaption(QStringLiteral("Label1"));
    Label1->setAccessibleName(Label1->caption());

    // No main window exists when the splash is shown, so the screen is what it centres on.
    if (QScreen* screen = QGuiApplication::primaryScreen())
        CentreWindowIn(*this, screen->geometry());
}

void TfrmLoad::setVersionText(const QString& text) {
    Label1->setCaption(text);
    Label1->setAccessibleName(text);
}

QString TfrmLoad::versionText() const {
    return Label1->caption();
}

void TfrmLoad::paintNow() {
    if (!isVisible())
        return;
    QWindow* window = windowHandle();
    QElapsedTimer waited;
    waited.start();
    while (window && !window->isExposed() && waited.elapsed() < kMapWaitMs)
        QApplication::processEvents(QEventLoop::AllEvents, 20);
    repaint();
    // Hand the painted pixels to the window system now rather than at the next event loop turn.
    QApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
    QApplication::sync();
}

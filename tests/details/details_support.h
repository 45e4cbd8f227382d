#pragma once
// What the details tests share: a main window stand-in owning one details window, the links it
// hands to the desktop recorded instead of opened, and small waiting helpers.

#include <gtest/gtest.h>

#include <QApplication>
#include <QElapsedTimer>
#include <QPointer>
#include <QTest>
#include <QTimer>
#include <functional>
#include <string>
#include <vector>

#include "pictures/packaged_pictures.h"
#include "services/date_time.h"
#include "services/desktop_opener.h"
#include "views/dx_image.h"
#include "views/frm_item.h"
#include "views/label.h"
#include "views/memo.h"
#include "views/picture_box.h"

namespace details_test {

// Runs queued deletions (deleteLater) now; outside an event loop nothing else would.
inline void FlushDeletions() {
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
}

// Dispatches events until the condition holds or the time is up; the result is the condition.
inline bool WaitUntil(const std::function<bool()>& condition, int timeoutMs = 3000) {
    QElapsedTimer clock;
    clock.start();
    while (!condition()) {
        if (clock.elapsed() > timeoutMs)
            return false;
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
        QTest::qSleep(2);
    }
    return true;
}

// Activates the window and waits until the application has taken note. (A popup counts as
// active for the platform while its owner is, so the platform's own test cannot tell them apart.)
inline bool ActivateAndWait(QWidget* window) {
    window->show();
    window->activateWindow();
    return WaitUntil([window] { return QApplication::activeWindow() == window; });
}

// A fixed moment of the present day, so that spans are computed as the program would.
inline DateTime Noon() {
    return EncodeDateTime(2026, 12, 10, 12, 0, 0, 0);
}

class DetailsWindowTest : public ::testing::Test {
protected:
    void SetUp() override {
        SetUrlOpenerForTesting([this](const std::string& url) { opened.push_back(url); });
        mainWindow.setObjectName(QStringLiteral("mainWindowStandIn"));
        mainWindow.setGeometry(100, 80, 818, 550);
        form = new TfrmItem(&mainWindow);
    }

    void TearDown() override {
        SetUrlOpenerForTesting({});
        delete form.data();
        FlushDeletions();
    }

    TLabel* label(const char* name) const { return form->findChild<TLabel*>(QLatin1String(name)); }
    TImage* picture(const char* name) const {
        return form->findChild<TImage*>(QLatin1String(name));
    }
    TDxImage* button(const char* name) const {
        return form->findChild<TDxImage*>(QLatin1String(name));
    }
    TMemo* memo() const { return form->findChild<TMemo*>("Memo1"); }
    QTimer* timer() const { return form->findChild<QTimer*>("Timer1"); }
    QString text(const char* labelName) const { return label(labelName)->caption(); }

    // Shows both windows and makes the details window the active one, as an opening does.
    void ShowActive() {
        ActivateAndWait(&mainWindow);
        form->show();
        ActivateAndWait(form);
    }

    // What the exit button leaves behind: the window closing and hidden, its countdown stopped,
    // nothing opened in the browser, and the window itself gone once the event is handled.
    void ExpectClosedAsByTheExitButton() {
        ASSERT_FALSE(form.isNull());
        EXPECT_TRUE(form->closing());
        EXPECT_TRUE(form->isHidden());
        EXPECT_FALSE(timer()->isActive());
        EXPECT_TRUE(opened.empty());
        EXPECT_TRUE(WaitUntil([&] { return form.isNull(); }));
    }

    QWidget mainWindow;
    QPointer<TfrmItem> form;
    std::vector<std::string> opened;
};

}  // namespace details_test

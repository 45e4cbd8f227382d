// Hovering, closing, and which changes of the active window close the popup.
#include <QEnterEvent>
#include <QWindow>

#include "deals/deal_clock.h"
#include "details_support.h"

namespace details_test {
namespace {

void Enter(QWidget* widget) {
    QEnterEvent event(QPointF(3, 3), QPointF(3, 3), QPointF(3, 3));
    QApplication::sendEvent(widget, &event);
}

void Leave(QWidget* widget) {
    QEvent event(QEvent::Leave);
    QApplication::sendEvent(widget, &event);
}

TEST_F(DetailsWindowTest, ButtonsShowTheirHoverPictureWhileThePointerIsOverThem) {
    struct Case {
        const char *name, *normal, *hover;
    };
    const Case cases[] = {{"ImageJoin", "c1", "c2"}, {"ImageExit", "d1", "d2"}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const QImage normal = PackagedImage(QString::fromLatin1(c.normal));
        const QImage hover = PackagedImage(QString::fromLatin1(c.hover));
        ASSERT_FALSE(normal.isNull());
        ASSERT_NE(normal, hover);
        TDxImage* shown = button(c.name);
        EXPECT_EQ(shown->picture(), normal);
        Enter(shown);
        EXPECT_EQ(shown->picture(), hover);
        Leave(shown);
        EXPECT_EQ(shown->picture(), normal);
        Enter(shown);
        Enter(shown);
        EXPECT_EQ(shown->picture(), hover);
        Leave(shown);
        EXPECT_EQ(shown->picture(), normal);
    }
}

TEST_F(DetailsWindowTest, ExitButtonClosesTheWindowWhichGoesOnceTheClickIsHandled) {
    form->setStopTime(AddMilliseconds(Noon(), 60000));
    form->setCurTime(Noon());
    ShowActive();
    ASSERT_TRUE(WaitUntil([&] { return text("Label13") != QStringLiteral("00"); }));

    QTest::mouseClick(button("ImageExit"), Qt::LeftButton, {}, QPoint(5, 5));
    ExpectClosedAsByTheExitButton();
    EXPECT_TRUE(mainWindow.findChildren<TfrmItem*>().isEmpty());
}

TEST_F(DetailsWindowTest, ASecondCloseOrALateClockChangesNothingBeforeTheDeletion) {
    form->setStopTime(AddMilliseconds(Noon(), 60000));
    form->setCurTime(Noon());
    ShowActive();
    ASSERT_TRUE(WaitUntil([&] { return text("Label13") != QStringLiteral("00"); }));

    EXPECT_TRUE(form->close());
    ASSERT_FALSE(form.isNull());
    EXPECT_FALSE(timer()->isActive());

    // Requests arriving before the deletion: none restarts the countdown or shows the window.
    EXPECT_TRUE(form->close());
    form->setCurTime(Noon());
    form->show();
    EXPECT_TRUE(form->closing());
    EXPECT_FALSE(timer()->isActive());
    EXPECT_TRUE(form->isHidden());

    EXPECT_TRUE(WaitUntil([&] { return form.isNull(); }));
}

TEST_F(DetailsWindowTest, ThePlatformsCloseCommandClosesLikeTheExitButton) {
    form->setCurTime(Noon());
    ShowActive();
    QCloseEvent request;
    QApplication::sendEvent(form, &request);
    EXPECT_TRUE(request.isAccepted());
    EXPECT_TRUE(form->closing());
    EXPECT_FALSE(timer()->isActive());
    EXPECT_FALSE(picture("Image5")->movie()->state() == QMovie::Running);
    FlushDeletions();
    EXPECT_TRUE(form.isNull());
}

TEST_F(DetailsWindowTest, EscapeClosesLikeTheExitButtonOtherKeysDoNot) {
    form->setStopTime(AddMilliseconds(Noon(), 60000));
    form->setCurTime(Noon());
    ShowActive();
    // Keys the window has no use for, and Escape with a modifier, leave it open.
    const std::pair<Qt::Key, Qt::KeyboardModifiers> ignored[] = {
        {Qt::Key_Return, Qt::NoModifier},
        {Qt::Key_Space, Qt::NoModifier},
        {Qt::Key_Q, Qt::NoModifier},
        {Qt::Key_Escape, Qt::ShiftModifier},
        {Qt::Key_Escape, Qt::ControlModifier}};
    for (const auto& [key, modifiers] : ignored) {
        QTest::keyClick(form, key, modifiers);
        ASSERT_FALSE(form.isNull());
        EXPECT_FALSE(form->closing()) << key;
        EXPECT_TRUE(form->isVisible()) << key;
    }
    EXPECT_TRUE(timer()->isActive());

    QTest::keyClick(form, Qt::Key_Escape);
    ExpectClosedAsByTheExitButton();
}

TEST_F(DetailsWindowTest, ActivatingTheMainWindowClosesThePopup) {
    ShowActive();
    ASSERT_TRUE(ActivateAndWait(&mainWindow));
    EXPECT_TRUE(form.isNull() || form->closing());
    EXPECT_TRUE(WaitUntil([&] { return form.isNull(); }));
}

TEST_F(DetailsWindowTest, LeavingForAnotherProgramKeepsThePopupUntilTheMainWindowComesBack) {
    ShowActive();
    // No window of the program is active any more: another program has the focus.
    QApplication::setActiveWindow(nullptr);
    EXPECT_EQ(QApplication::activeWindow(), nullptr);
    EXPECT_FALSE(form->closing());
    EXPECT_TRUE(form->isVisible());

    // The user comes back to the popup itself: still open.
    QApplication::setActiveWindow(form);
    ASSERT_EQ(QApplication::activeWindow(), form.data());
    QApplication::setActiveWindow(nullptr);
    EXPECT_FALSE(form->closing());

    // ... and later to the main window: now it goes.
    QApplication::setActiveWindow(&mainWindow);
    EXPECT_TRUE(form->closing());
}

// The opening focuses the window; from then on the window manager is told that it takes no
// focus, so that a click on it never activates it (it still gets the click).
TEST_F(DetailsWindowTest, OnceFocusedByTheOpeningTheWindowRefusesTheFocusFromClicks) {
    ActivateAndWait(&mainWindow);
    form->show();
    ASSERT_NE(form->windowHandle(), nullptr);
    EXPECT_FALSE(form->windowHandle()->flags() & Qt::WindowDoesNotAcceptFocus)
        << "the opening must still be able to focus it";
    ASSERT_TRUE(ActivateAndWait(form));
    EXPECT_TRUE(form->windowHandle()->flags() & Qt::WindowDoesNotAcceptFocus);
    EXPECT_TRUE(form->isVisible());
}

TEST_F(DetailsWindowTest, ClickingInsideThePopupKeepsItActiveAndOpen) {
    ShowActive();
    const char* const inside[] = {"Label1", "Label9", "Label11", "Memo1", "Image1"};
    for (const char* name : inside) {
        SCOPED_TRACE(name);
        QWidget* target = form->findChild<QWidget*>(QLatin1String(name));
        ASSERT_NE(target, nullptr);
        QTest::mouseClick(target, Qt::LeftButton, {}, QPoint(2, 2));
        EXPECT_FALSE(form->closing());
        EXPECT_EQ(QApplication::activeWindow(), form.data());
    }
    EXPECT_TRUE(opened.empty());
}

TEST_F(DetailsWindowTest, ANewerPopupTakingTheFocusClosesTheOlderOne) {
    ShowActive();
    QPointer<TfrmItem> newer = new TfrmItem(&mainWindow);
    ASSERT_TRUE(ActivateAndWait(newer));
    EXPECT_TRUE(form.isNull() || form->closing());
    EXPECT_FALSE(newer->closing());
    delete newer.data();
}

TEST_F(DetailsWindowTest, APopupStillBeingFilledIsNotClosedByActivations) {
    // Hidden, as while its picture downloads: the user may switch windows meanwhile.
    ASSERT_TRUE(ActivateAndWait(&mainWindow));
    QApplication::setActiveWindow(nullptr);
    QApplication::setActiveWindow(&mainWindow);
    EXPECT_FALSE(form->closing());
    form->setCurTime(Noon());
    EXPECT_TRUE(timer()->isActive());
}

}  // namespace
}  // namespace details_test

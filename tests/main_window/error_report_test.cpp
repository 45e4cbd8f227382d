// The default error report: an exception escaping an event handler is shown, and the program
// carries on.
#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QApplication>
#include <QEvent>
#include <QMessageBox>
#include <QTest>
#include <QTimer>
#include <functional>
#include <stdexcept>

#include "app/application.h"
#include "app/message_boxes.h"
#include "services/errors.h"

namespace {

TEST(ErrorReportText, PeriodAddedAfterCharactersThatSortAfterIt) {
    const struct {
        const char* message;
        const char* shown;
    } cases[] = {
        {"Socket Error", "Socket Error."},
        {"Connect timed out.", "Connect timed out."},
        {"JPEG error #53", "JPEG error #53."},
        {"Read Timeout!", "Read Timeout!"},  // '!' sorts before '.'
        {"ends with a dash -", "ends with a dash -"},
        {"ends with a comma,", "ends with a comma,"},
        {"ends with a slash/", "ends with a slash/."},  // '/' sorts after '.'
        {"ends with a colon:", "ends with a colon:."},
        {"ends with a digit 7", "ends with a digit 7."},
        {"trailing space ", "trailing space "},
        {"中文错误", "中文错误."},
        {"", ""},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(ZorviaApplication::ReportText(QString::fromUtf8(c.message)),
                  QString::fromUtf8(c.shown))
            << c.message;
    }
}

class Thrower : public QObject {
public:
    static constexpr QEvent::Type kThrow = QEvent::User;
    int handled = 0;

protected:
    bool event(QEvent* event) override {
        if (event->type() == kThrow) {
            ++handled;
            throw ArithmeticError("Floating point division by zero");
        }
        return QObject::event(event);
    }
};

class ErrorReport : public ::testing::Test {
protected:
    void SetUp() override {
        ZorviaApplication::SetErrorReporterForTesting(
            [this](const QString& text) { reports.push_back(text); });
    }
    void TearDown() override { ZorviaApplication::SetErrorReporterForTesting(nullptr); }
    std::vector<QString> reports;
};

TEST_F(ErrorReport, ExceptionFromAHandlerIsReportedAndTheProgramGoesOn) {
    Thrower target;
    QEvent first(Thrower::kThrow);
    QCoreApplication::sendEvent(&target, &first);
    ASSERT_EQ(reports.size(), 1u);
    EXPECT_EQ(reports[0], QStringLiteral("Floating point division by zero."));

    // The same object keeps working, through the event queue too.
    QCoreApplication::postEvent(&target, new QEvent(Thrower::kThrow));
    QCoreApplication::sendPostedEvents(&target);
    EXPECT_EQ(target.handled, 2);
    EXPECT_EQ(reports.size(), 2u);
}

TEST_F(ErrorReport, TimerHandlerThatThrowsDoesNotStopTheLoop) {
    bool laterTimerRan = false;
    QTimer::singleShot(10, [] { throw std::runtime_error("Timer failed"); });
    QTimer::singleShot(60, [&] { laterTimerRan = true; });
    for (int i = 0; i < 300 && !laterTimerRan; ++i)
        QTest::qWait(10);
    EXPECT_TRUE(laterTimerRan);
    ASSERT_EQ(reports.size(), 1u);
    EXPECT_EQ(reports[0], QStringLiteral("Timer failed."));
}

// What a shown message box held, read while it runs modally; then it is answered with OK.
struct SeenBox {
    QString caption, text;
    QMessageBox::Icon icon = QMessageBox::NoIcon;
    QList<QAbstractButton*>::size_type buttons = 0;
    bool okButton = false;
};

SeenBox AnswerNextMessageBox(const std::function<void()>& show) {
    SeenBox seen;
    QTimer poll;
    poll.setInterval(10);
    QObject::connect(&poll, &QTimer::timeout, [&] {
        auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
        if (!box)
            return;
        poll.stop();
        seen = {box->windowTitle(), box->text(), box->icon(), box->buttons().size(),
                box->button(QMessageBox::Ok) != nullptr};
        box->button(QMessageBox::Ok) ? box->button(QMessageBox::Ok)->click() : box->reject();
    });
    poll.start();
    show();
    return seen;
}

TEST(ErrorReportBox, IsACriticalBoxCaptionedWithTheApplicationTitleWithOneOkButton) {
    Thrower target;
    const SeenBox seen = AnswerNextMessageBox([&] {
        QEvent event(Thrower::kThrow);
        QCoreApplication::sendEvent(&target, &event);
    });
    EXPECT_EQ(target.handled, 1);
    EXPECT_EQ(seen.caption, QString::fromUtf8("ZorviaⅡ"));
    EXPECT_EQ(seen.text, QStringLiteral("Floating point division by zero."));
    EXPECT_EQ(seen.icon, QMessageBox::Critical);
    EXPECT_EQ(seen.buttons, 1);
    EXPECT_TRUE(seen.okButton);
}

TEST(UpdateNoticeBox, TellsOfTheNewVersionWithTheInformationIconAndOneOkButton) {
    const SeenBox seen = AnswerNextMessageBox([] { MakeUpdateNoticeBox()->exec(); });
    EXPECT_EQ(seen.caption, QString::fromUtf8("系统升级提示"));
    EXPECT_EQ(seen.text, QString::fromUtf8("发现新版本程序,需要升级."));
    EXPECT_EQ(seen.icon, QMessageBox::Information);
    EXPECT_EQ(seen.buttons, 1);
    EXPECT_TRUE(seen.okButton);
}

}  // namespace

#include "app/application.h"

#include <QMessageBox>
#include <exception>

#include "app/message_boxes.h"
#include "views/fonts.h"

namespace {
std::function<void(const QString&)>& ErrorReporter() {
    static std::function<void(const QString&)> reporter;
    return reporter;
}
}  // namespace

ZorviaApplication::ZorviaApplication(int& argc, char** argv) : QApplication(argc, argv) {
    RegisterFontSubstitutions();
}

bool ZorviaApplication::notify(QObject* receiver, QEvent* event) {
    try {
        return QApplication::notify(receiver, event);
    } catch (const std::exception& error) {
        ShowErrorReport(QString::fromUtf8(error.what()));
    } catch (...) {
        ShowErrorReport(QStringLiteral("Unknown error"));
    }
    return true;
}

QString ZorviaApplication::ReportText(const QString& message) {
    if (!message.isEmpty() && message.back() > QLatin1Char('.'))
        return message + QLatin1Char('.');
    return message;
}

void ZorviaApplication::ShowErrorReport(const QString& message) {
    const QString text = ReportText(message);
    if (ErrorReporter()) {
        ErrorReporter()(text);
        return;
    }
    MakeErrorReportBox(text)->exec();
}

void ZorviaApplication::SetErrorReporterForTesting(std::function<void(const QString&)> reporter) {
    ErrorReporter() = std::move(reporter);
}

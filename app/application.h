#pragma once
// The application object. An exception escaping any event handler ends up in the default error
// report: a critical message box titled with the application title; the program goes on.

#include <QApplication>
#include <functional>

class ZorviaApplication : public QApplication {
    Q_OBJECT
public:
    ZorviaApplication(int& argc, char** argv);

    bool notify(QObject* receiver, QEvent* event) override;

    // The text the report shows: the message, with "." appended when its last character sorts
    // after ".".
    static QString ReportText(const QString& message);
    // Shows the default error report for the message.
    static void ShowErrorReport(const QString& message);

    // Tests replace the message box to see what would have been shown.
    static void SetErrorReporterForTesting(std::function<void(const QString&)> reporter);
};

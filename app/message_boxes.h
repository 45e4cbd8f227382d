#pragma once
// The program's two message boxes, built in one place so that what they show can be checked
// without running them: the default error report and the notice before the update hand-off.

#include <QMessageBox>
#include <QString>
#include <memory>

// The application title, the caption of the main window and of the error report.
inline constexpr char kApplicationTitle[] = "ZorviaⅡ";

// A critical box captioned with the application title, showing text, with one OK button.
std::unique_ptr<QMessageBox> MakeErrorReportBox(const QString& text);

// The information box that tells the user an update is needed, with one OK button.
std::unique_ptr<QMessageBox> MakeUpdateNoticeBox();

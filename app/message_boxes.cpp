#include "app/message_boxes.h"

std::unique_ptr<QMessageBox> MakeErrorReportBox(const QString& text) {
    return std::make_unique<QMessageBox>(
        QMessageBox::Critical, QString::fromUtf8(kApplicationTitle), text, QMessageBox::Ok);
}

std::unique_ptr<QMessageBox> MakeUpdateNoticeBox() {
    return std::make_unique<QMessageBox>(
        QMessageBox::Information, QString::fromUtf8("系统升级提示"),
        QString::fromUtf8("发现新版本程序,需要升级."), QMessageBox::Ok);
}

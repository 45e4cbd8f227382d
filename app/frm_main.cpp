#include "app/frm_main.h"

TfrmZORMain::TfrmZORMain(QWidget* parent) : QWidget(parent) {
    setObjectName(QStringLiteral("frmZORMain"));
    setWindowTitle(QString::fromUtf8("ZorviaⅡ"));
    setFixedSize(818, 550);
}

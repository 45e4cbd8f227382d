#include "app/startup.h"

#include <QWidget>
#include <cstring>

#include "app/application.h"

bool NeedsUpdate(const std::string& serviceVersion) {
    return std::strcmp(serviceVersion.c_str(), kProgramVersion) > 0;
}

int RunZorvia(int argc, char** argv) {
    ZorviaApplication app(argc, argv);
    QWidget window;
    window.setWindowTitle(QString::fromUtf8("ZorviaⅡ"));
    window.show();
    app.exec();
    return 0;
}

#include "app/startup.h"

#include <QApplication>
#include <QGuiApplication>
#include <QIcon>
#include <QMessageBox>
#include <QPixmap>
#include <QProcess>
#include <cstring>
#include <memory>
#include <string_view>
#include <vector>

#include "app/application.h"
#include "app/frm_load.h"
#include "app/frm_main.h"
#include "app/message_boxes.h"
#include "app/platform_choice.h"
#include "app/start_budget.h"
#include "deals/vendor_service.h"
#include "pictures/packaged_pictures.h"
#include "services/single_instance.h"

static_assert(std::string_view(ZORVIA_VERSION_TEXT) == kProgramVersion,
              "the program's version and the project version must agree");

namespace {

void HandOverToUpdater() {
    const std::string folder = QCoreApplication::applicationDirPath().toStdString();
    MakeUpdateNoticeBox()->exec();

    // The updater may start the new program at once: it must find the lock free, or that start
    // would take this ending process for a running one and quietly end.
    ReleaseSingleInstanceLock();
    // Whether the updater could be started changes nothing: this program ends either way.
    QProcess::startDetached(QString::fromStdString(UpdaterProgramPath(folder)),
                            {QString::fromLatin1(kUpdaterArgument)});
}

void RunNormally(ZorviaApplication& app, const std::string& serviceVersion) {
    auto splash = std::make_unique<TfrmLoad>();
    splash->show();
    splash->setVersionText(QStringLiteral("V:") + QString::fromStdString(serviceVersion));
    splash->paintNow();

    QApplication::setApplicationDisplayName(QString::fromUtf8(kApplicationTitle));
    QGuiApplication::setDesktopFileName(QStringLiteral("zorvia"));
    const QImage icon = PackagedImage(QStringLiteral("icon"));
    if (!icon.isNull())
        QApplication::setWindowIcon(QIcon(QPixmap::fromImage(icon)));

    TfrmZORMain mainWindow;
    mainWindow.show();
    splash.reset();
    // Closing the main window ends the program, also when another window of it is open or a
    // click's request is still waiting (the window abandons that request as it closes).
    QObject::connect(&mainWindow, &TfrmZORMain::closed, &app, &QCoreApplication::quit,
                     Qt::QueuedConnection);
    app.exec();
}

}  // namespace

bool NeedsUpdate(const std::string& serviceVersion) {
    return std::strcmp(serviceVersion.c_str(), kProgramVersion) > 0;
}

std::string UpdaterProgramPath(const std::string& programFolder) {
    std::string path = programFolder;
    if (path.empty() || path.back() != '/')
        path += '/';
    return path + kUpdaterProgramName;
}

int RunZorvia(int argc, char** argv) {
    MarkLaunch();
    if (!TakeSingleInstanceLock(SingleInstanceLockFolder(), kMainWindowClassName))
        return 0;

    // The program takes no arguments, and the toolkit is given none but the window-system
    // platform: XWayland on a Wayland session, or the one the user named.
    std::vector<std::string> args(argv + (argc > 0 ? 1 : 0), argv + argc);
    std::string platform = ChoosePlatform(PlatformEnvironment::FromProcess(), args).value_or("");
    char programName[] = "zorvia";
    char platformOption[] = "-platform";
    char* appArgv[] = {argc > 0 ? argv[0] : programName, platformOption, platform.data(), nullptr};
    int appArgc = platform.empty() ? 1 : 3;
    if (platform.empty())
        appArgv[1] = nullptr;
    ZorviaApplication app(appArgc, appArgv);

    const std::string serviceVersion = FetchServiceVersion();
    if (NeedsUpdate(serviceVersion)) {
        HandOverToUpdater();
        return 0;
    }
    RunNormally(app, serviceVersion);
    return 0;
}

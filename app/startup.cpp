#include "app/startup.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QApplication>
#include <QGuiApplication>
#include <QIcon>
#include <QMessageBox>
#include <QPixmap>
#include <QProcess>
#include <QScreen>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <string_view>

#include "app/application.h"
#include "app/frm_load.h"
#include "app/frm_main.h"
#include "services/vendor_service.h"
#include "views/packaged_pictures.h"

static_assert(std::string_view(ZORVIA_VERSION_TEXT) == kProgramVersion,
              "the program's version and the project version must agree");

namespace {

int g_lockFd = -1;

bool isOwnFolder(const std::string& path) {
    struct stat info {};
    return ::lstat(path.c_str(), &info) == 0 && S_ISDIR(info.st_mode) && info.st_uid == ::getuid();
}

void centreOnScreen(QWidget& window) {
    QScreen* screen = QGuiApplication::primaryScreen();
    if (!screen)
        return;
    const QRect area = screen->availableGeometry();
    const QSize size = window.frameGeometry().size();
    window.move(area.x() + (area.width() - size.width()) / 2,
                area.y() + (area.height() - size.height()) / 2);
}

void handOverToUpdater() {
    const std::string folder = QCoreApplication::applicationDirPath().toStdString();
    // Kept as written down for anyone reading a trace of the hand-off; never given to a shell.
    const std::string command = BuildUpdateCommand(folder);
    (void)command;

    QMessageBox box(QMessageBox::Information, QString::fromUtf8("系统升级提示"),
                    QString::fromUtf8("发现新版本程序,需要升级."), QMessageBox::Ok);
    box.exec();

    // Whether the updater could be started changes nothing: this program ends either way.
    QProcess::startDetached(QString::fromStdString(UpdaterProgramPath(folder)),
                            {QString::fromLatin1(kUpdaterArgument)});
}

void runNormally(ZorviaApplication& app, const std::string& serviceVersion) {
    auto splash = std::make_unique<TfrmLoad>();
    splash->show();
    splash->setVersionText(QStringLiteral("V:") + QString::fromStdString(serviceVersion));
    splash->paintNow();

    QApplication::setApplicationDisplayName(QString::fromUtf8("ZorviaⅡ"));
    QGuiApplication::setDesktopFileName(QStringLiteral("zorvia"));
    const QImage icon = PackagedImage(QStringLiteral("icon"));
    if (!icon.isNull())
        QApplication::setWindowIcon(QIcon(QPixmap::fromImage(icon)));

    TfrmZORMain mainWindow;
    centreOnScreen(mainWindow);
    mainWindow.show();
    splash.reset();
    app.exec();
}

}  // namespace

bool NeedsUpdate(const std::string& serviceVersion) {
    return std::strcmp(serviceVersion.c_str(), kProgramVersion) > 0;
}

std::string BuildUpdateCommand(const std::string& programFolder) {
    std::string command = programFolder;
    if (command.empty() || command.back() != '/')
        command += '/';
    return command + kUpdaterProgramName + " " + kUpdaterArgument;
}

std::string UpdaterProgramPath(const std::string& programFolder) {
    std::string path = programFolder;
    if (path.empty() || path.back() != '/')
        path += '/';
    return path + kUpdaterProgramName;
}

std::string SingleInstanceLockFolder() {
    const char* runtime = std::getenv("XDG_RUNTIME_DIR");
    if (runtime && *runtime) {
        struct stat info {};
        if (::stat(runtime, &info) == 0 && S_ISDIR(info.st_mode))
            return runtime;
    }
    return "/tmp/zorvia-" + std::to_string(::getuid());
}

bool TakeSingleInstanceLock(const std::string& folder) {
    if (g_lockFd >= 0)
        return true;
    if (::mkdir(folder.c_str(), 0700) != 0 && errno != EEXIST)
        return true;
    // A folder someone else made under our name could be used to lock us out; do not use it,
    // and do not refuse to start either.
    if (!isOwnFolder(folder))
        return true;
    const std::string path = folder + "/" + kMainWindowClassName + ".lock";
    // Close-on-exec: the updater started at the hand-off must not inherit the lock, or the new
    // version it installs could not start while it runs.
    const int fd = ::open(path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW, 0600);
    if (fd < 0)
        return true;
    if (::flock(fd, LOCK_EX | LOCK_NB) != 0) {
        const bool heldByOther = errno == EWOULDBLOCK;
        ::close(fd);
        return !heldByOther;
    }
    g_lockFd = fd;
    return true;
}

void ReleaseSingleInstanceLock() {
    if (g_lockFd < 0)
        return;
    ::close(g_lockFd);
    g_lockFd = -1;
}

int RunZorvia(int argc, char** argv) {
    if (!TakeSingleInstanceLock(SingleInstanceLockFolder()))
        return 0;

    // The program takes no arguments; the toolkit is not given any either.
    int appArgc = argc > 0 ? 1 : 0;
    char* emptyArgv[] = {nullptr};
    char* appArgv[] = {argc > 0 ? argv[0] : nullptr, nullptr};
    ZorviaApplication app(appArgc, argc > 0 ? appArgv : emptyArgv);

    const std::string serviceVersion = FetchServiceVersion();
    if (NeedsUpdate(serviceVersion)) {
        handOverToUpdater();
        return 0;
    }
    runNormally(app, serviceVersion);
    return 0;
}

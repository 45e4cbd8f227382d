#include "services/desktop_opener.h"

#include <QProcess>
#include <QString>
#include <QStringList>

namespace {
std::function<void(const std::string&)>& urlOpener() {
    static std::function<void(const std::string&)> opener;
    return opener;
}
}  // namespace

void OpenUrlInBrowser(const std::string& url) {
    if (urlOpener()) {
        urlOpener()(url);
        return;
    }
    // Detached: the browser may outlive the program, and a missing xdg-open must stay silent.
    QProcess::startDetached(QStringLiteral("xdg-open"), QStringList{QString::fromStdString(url)});
}

void SetUrlOpenerForTesting(std::function<void(const std::string&)> opener) {
    urlOpener() = std::move(opener);
}

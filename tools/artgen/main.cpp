// zorvia-artgen: draws the program's packaged pictures into a folder.
//
//   zorvia-artgen OUTPUT_FOLDER [--icon FILE] [--contact-sheet FILE]
//
// The pictures are committed in assets/myimage/, so only someone changing the artwork runs this:
//   zorvia-artgen assets/myimage --icon assets/zorvia.png --contact-sheet docs/contact-sheet.png

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QStringList>

#include <cstdio>
#include <exception>

#include "artwork.h"
#include "contact_sheet.h"
#include "views/fonts.h"

namespace {

void Write(const QString& path, const QByteArray& bytes) {
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate) ||
        file.write(bytes) != bytes.size()) {
        throw std::runtime_error("cannot write " + path.toStdString());
    }
}

int Usage() {
    std::fprintf(stderr,
                 "usage: zorvia-artgen OUTPUT_FOLDER [--icon FILE] [--contact-sheet FILE]\n");
    return 2;
}

}  // namespace

int main(int argc, char** argv) {
    // Drawing needs fonts but no screen.
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) {
        qputenv("QT_QPA_PLATFORM", "offscreen");
    }
    QApplication app(argc, argv);
    // The contact sheet shows the real tile and details window in the program's own faces.
    RegisterFontSubstitutions();
    QStringList args = app.arguments();
    args.removeFirst();
    QString folder;
    QString iconPath;
    QString sheetPath;
    for (int i = 0; i < args.size(); ++i) {
        if (args[i] == QLatin1String("--icon") && i + 1 < args.size()) {
            iconPath = args[++i];
        } else if (args[i] == QLatin1String("--contact-sheet") && i + 1 < args.size()) {
            sheetPath = args[++i];
        } else if (!args[i].startsWith(QLatin1String("--")) && folder.isEmpty()) {
            folder = args[i];
        } else {
            return Usage();
        }
    }
    if (folder.isEmpty()) {
        return Usage();
    }
    try {
        if (!QDir().mkpath(folder)) {
            throw std::runtime_error("cannot create " + folder.toStdString());
        }
        for (const artgen::Artwork& art : artgen::DrawAllArtwork()) {
            Write(QDir(folder).filePath(art.name), art.bytes);
            if (art.name == QLatin1String("ICON") && !iconPath.isEmpty()) {
                Write(iconPath, art.bytes);
            }
            std::printf("%-13s %6lld bytes  %s\n", qPrintable(art.name),
                        static_cast<long long>(art.bytes.size()), qPrintable(art.caption));
        }
        if (!sheetPath.isEmpty()) {
            const QImage sheet = artgen::RenderContactSheet(folder);
            if (!sheet.save(sheetPath, "png")) {
                throw std::runtime_error("cannot write " + sheetPath.toStdString());
            }
            std::printf("contact sheet %dx%d -> %s\n", sheet.width(), sheet.height(),
                        qPrintable(sheetPath));
        }
    } catch (const std::exception& error) {
        std::fprintf(stderr, "zorvia-artgen: %s\n", error.what());
        return 1;
    }
    return 0;
}

// zorvia-artgen: draws the program's packaged pictures into a folder.
//
//   zorvia-artgen OUTPUT_FOLDER [--icons FOLDER] [--contact-sheet FILE]
//
// Every picture is written twice: NAME as drawn and NAME@2X at twice the pixels each way, for
// screens with a device pixel ratio of 2. --icons writes the application icon in the desktop
// icon theme's sizes (zorvia-48.png ...).
// The pictures are committed in assets/, so only someone changing the artwork runs this:
//   zorvia-artgen assets/myimage --icons assets/icons --contact-sheet docs/contact-sheet.png

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
                 "usage: zorvia-artgen OUTPUT_FOLDER [--icons FOLDER] [--contact-sheet FILE]\n");
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
    QString iconFolder;
    QString sheetPath;
    for (int i = 0; i < args.size(); ++i) {
        if (args[i] == QLatin1String("--icons") && i + 1 < args.size()) {
            iconFolder = args[++i];
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
        for (const int scale : {1, 2}) {
            for (const artgen::Artwork& art : artgen::DrawAllArtwork(scale)) {
                Write(QDir(folder).filePath(art.name), art.bytes);
                std::printf("%-16s %6lld bytes  %s\n", qPrintable(art.name),
                            static_cast<long long>(art.bytes.size()), qPrintable(art.caption));
            }
        }
        if (!iconFolder.isEmpty()) {
            if (!QDir().mkpath(iconFolder)) {
                throw std::runtime_error("cannot create " + iconFolder.toStdString());
            }
            for (const artgen::Artwork& icon : artgen::DrawDesktopIcons()) {
                Write(QDir(iconFolder).filePath(icon.name), icon.bytes);
                std::printf("%-16s %6lld bytes  %s\n", qPrintable(icon.name),
                            static_cast<long long>(icon.bytes.size()), qPrintable(icon.caption));
            }
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

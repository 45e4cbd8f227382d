#include "pictures/packaged_pictures.h"

#include <QDir>
#include <QFile>
#include <QHash>
#include <QMutex>
#include <QMutexLocker>

#include "pictures/jpeg_image.h"

// The pictures are compiled into the assets library. A static library's resources are
// registered by an initialiser that the linker may leave out of the final program; calling it
// from here ties it to every program that looks a picture up.
static void RegisterPackagedResources() {
    Q_INIT_RESOURCE(zorvia_myimage);
}

namespace {

const QString kFolder = QStringLiteral(":/myimage");

// Lower-case name -> resource path, listed once.
const QHash<QString, QString>& ResourcePaths() {
    static const QHash<QString, QString> paths = [] {
        RegisterPackagedResources();
        QHash<QString, QString> found;
        const QDir folder(kFolder);
        for (const QString& entry : folder.entryList(QDir::Files)) {
            found.insert(entry.toLower(), folder.filePath(entry));
        }
        return found;
    }();
    return paths;
}

bool IsJpeg(const QByteArray& bytes) {
    return bytes.startsWith("\xFF\xD8\xFF");
}

}  // namespace

QByteArray PackagedPictureBytes(const QString& name) {
    const auto& paths = ResourcePaths();
    const auto at = paths.constFind(name.toLower());
    if (at == paths.constEnd()) {
        return QByteArray();
    }
    QFile file(at.value());
    if (!file.open(QIODevice::ReadOnly)) {
        return QByteArray();
    }
    return file.readAll();
}

QImage PackagedImage(const QString& name) {
    static QMutex guard;
    static QHash<QString, QImage> decoded;
    const QString key = name.toLower();
    QMutexLocker lock(&guard);
    const auto cached = decoded.constFind(key);
    if (cached != decoded.constEnd()) {
        return cached.value();
    }
    const QByteArray bytes = PackagedPictureBytes(key);
    if (bytes.isEmpty()) {
        return QImage();
    }
    // The backgrounds and the splash are JPEG and go through the program's own decoder; the
    // rest (PNG with alpha, the GIF's first frame) through Qt's readers.
    QImage image = IsJpeg(bytes) ? TJPEGImage::Decode(bytes) : QImage::fromData(bytes);
    if (!image.isNull()) {
        decoded.insert(key, image);
    }
    return image;
}

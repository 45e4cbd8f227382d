#include "pictures/packaged_pictures.h"

#include <QDir>
#include <QFile>
#include <QGuiApplication>
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

int PackagedPictureScale(qreal screenRatio) {
    return screenRatio >= 1.5 ? 2 : 1;
}

QImage PackagedImage(const QString& name) {
    return PackagedImage(name, qApp ? qApp->devicePixelRatio() : 1.0);
}

QImage PackagedImage(const QString& name, qreal screenRatio) {
    static QMutex guard;
    static QHash<QString, QImage> decoded;
    const int scale = PackagedPictureScale(screenRatio);
    const QString key = name.toLower();
    // A picture without a 2x copy is shown from its 1x pixels, scaled by Qt.
    const QString stored =
        scale == 2 && !PackagedPictureBytes(key + "@2x").isEmpty() ? key + "@2x" : key;
    QMutexLocker lock(&guard);
    const auto cached = decoded.constFind(stored);
    if (cached != decoded.constEnd()) {
        return cached.value();
    }
    const QByteArray bytes = PackagedPictureBytes(stored);
    if (bytes.isEmpty()) {
        return QImage();
    }
    // The backgrounds and the splash are JPEG and go through the program's own decoder; the
    // rest (PNG with alpha, the GIF's first frame) through Qt's readers.
    QImage image = IsJpeg(bytes) ? TJPEGImage::Decode(bytes) : QImage::fromData(bytes);
    if (!image.isNull()) {
        image.setDevicePixelRatio(stored.endsWith(QLatin1String("@2x")) ? 2.0 : 1.0);
        decoded.insert(stored, image);
    }
    return image;
}

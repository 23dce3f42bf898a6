#include "CardPicture.h"

#include "Failure.h"

#include <QDateTime>
#include <QFileInfo>
#include <QImageReader>

namespace CardPicture {
namespace {

QImage decode(const QString& path, QSize size) {
    QImageReader reader(path);
    reader.setAutoTransform(false);
    if (size.isValid() && !size.isEmpty()) reader.setScaledSize(size);
    QImage image = reader.read();
    if (image.isNull()) throw look::Failure(look::failures::InvalidPicture);
    if (size.isValid() && !size.isEmpty() && image.size() != size)
        image = image.scaled(size, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
    return image.convertToFormat(QImage::Format_RGB32);
}

// One picture kept per source: the card window opens at the same size every time.
struct Cached {
    QString key;
    QImage image;
};

}  // namespace

QImage builtIn(QSize size) {
    static Cached cached;
    const QString key = QStringLiteral("%1x%2").arg(size.width()).arg(size.height());
    if (cached.key != key || cached.image.isNull()) {
        cached.image = decode(QStringLiteral(":/study/whitecard.jpg"), size);
        cached.key = key;
    }
    return cached.image;
}

QImage fromFile(const QString& path, QSize size) {
    static Cached cached;
    const QFileInfo info(path);
    const QString key = QStringLiteral("%1|%2|%3|%4x%5")
                            .arg(info.absoluteFilePath())
                            .arg(info.lastModified().toMSecsSinceEpoch())
                            .arg(info.size())
                            .arg(size.width())
                            .arg(size.height());
    if (cached.key != key || cached.image.isNull()) {
        cached.key.clear();
        cached.image = decode(path, size);
        cached.key = key;
    }
    return cached.image;
}

}  // namespace CardPicture

#include "CardPicture.h"

#include "Failure.h"

#include <malloc.h>

#include <QDateTime>
#include <QFileInfo>
#include <QImageReader>

#include <future>

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
    // A grey picture (the built-in card is one) stays grey: a quarter of the memory.
    if (image.format() == QImage::Format_Grayscale8) return image;
    return image.convertToFormat(QImage::Format_RGB32);
}

// One picture kept per source: the card window opens at the same size every time.
struct Cached {
    QString key;
    QImage image;
};

const QString kBuiltIn = QStringLiteral(":/study/whitecard.jpg");

QString sizeKey(QSize size) { return QStringLiteral("%1x%2").arg(size.width()).arg(size.height()); }

Cached& builtInCache() {
    static Cached cached;
    return cached;
}

// The built-in picture being decoded on another thread, and its size.
struct Pending {
    QSize size;
    std::future<QImage> image;
};

Pending& pending() {
    static Pending p;
    return p;
}

}  // namespace

void prepare(QSize size) {
    Pending& p = pending();
    const Cached& cached = builtInCache();
    if (p.image.valid() || (cached.key == sizeKey(size) && !cached.image.isNull())) return;
    p.size = size;
    p.image = std::async(std::launch::async, [size] {
        const QImage image = decode(kBuiltIn, size);
        // The decoder's own buffers were freed; the allocator would keep them.
        malloc_trim(0);
        return image;
    });
}

QImage builtIn(QSize size) {
    Cached& cached = builtInCache();
    const QString key = sizeKey(size);
    if (cached.key != key || cached.image.isNull()) {
        Pending& p = pending();
        cached.key.clear();
        QImage image;
        // A decoding under way is waited for (its failure is this call's), and taken if it fits.
        if (p.image.valid()) {
            const bool fits = p.size == size;
            image = p.image.get();
            if (!fits) image = QImage();
        }
        cached.image = image.isNull() ? decode(kBuiltIn, size) : image;
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

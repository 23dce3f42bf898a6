#include "CardImage.h"

#include <QGlyphRun>
#include <QPainter>
#include <QRawFont>
#include <QTextLayout>

#include <cmath>
#include <cstring>

namespace {

// Enough for every glyph of a few sets at the largest sizes; past it the cache starts afresh.
constexpr qsizetype kGlyphBudget = 48 * 1024 * 1024;

QString fontKey(const QRawFont& font) {
    return QStringLiteral("%1|%2|%3|%4|%5")
        .arg(font.familyName(), font.styleName())
        .arg(font.pixelSize())
        .arg(font.weight())
        .arg(int(font.style()));
}

}  // namespace

CardImage::CardImage() : metrics_(font_) {}

void CardImage::setPicture(const QImage& picture, QSize size, qreal devicePixelRatio) {
    size_ = size.expandedTo(QSize(1, 1));
    const QSize pixels = (QSizeF(size_) * devicePixelRatio).toSize();
    if (picture.size() == pixels && picture.format() == QImage::Format_RGB32) {
        picture_ = picture;
    } else {
        picture_ = picture.scaled(pixels, Qt::IgnoreAspectRatio, Qt::SmoothTransformation)
                       .convertToFormat(QImage::Format_RGB32);
    }
    picture_.setDevicePixelRatio(devicePixelRatio);
    // Kept glyphs are drawn for one pixel ratio.
    if (image_.isNull() || !qFuzzyCompare(image_.devicePixelRatio(), devicePixelRatio)) {
        glyphs_.clear();
        glyphBytes_ = 0;
    }
    image_ = picture_.copy();
    image_.setDevicePixelRatio(devicePixelRatio);
    metrics_ = QFontMetricsF(font_, &image_);
    stale_ = QRegion();
    unsettled_.clear();
    textRects_.clear();
    texts_.clear();
    changed_ = QRect(QPoint(0, 0), size_);
}

void CardImage::setFont(const QFont& font) {
    font_ = font;
    font_.setWeight(QFont::Normal);
    metrics_ = QFontMetricsF(font_, &image_);
}

void CardImage::setColor(const QColor& color) {
    if (color == color_) return;
    // The kept glyphs carry the colour; texts drawn already keep theirs.
    glyphs_.clear();
    glyphBytes_ = 0;
    color_ = color;
}

void CardImage::clear() {
    for (const QRect& r : std::as_const(textRects_)) {
        stale_ += r;
        changed_ += r;
    }
    unsettled_.clear();
    textRects_.clear();
    texts_.clear();
}

float CardImage::textWidth(const QString& text) const {
    return float(metrics_.horizontalAdvance(text));
}

float CardImage::textHeight(const QString&) const { return float(metrics_.height()); }

const CardImage::Glyph& CardImage::glyph(const QRawFont& font, const QString& key, quint32 index) {
    const auto found = glyphs_.constFind(qMakePair(key, index));
    if (found != glyphs_.constEnd()) return *found;
    const qreal ratio = image_.devicePixelRatio();
    // Room around the outline for antialiasing.
    const QRectF box = font.boundingRect(index).adjusted(-2, -2, 2, 2);
    Glyph g;
    g.offset = QPointF(std::floor(box.left()), std::floor(box.top()));
    const QSizeF logical(std::ceil(box.right()) - g.offset.x(),
                         std::ceil(box.bottom()) - g.offset.y());
    g.image = QImage((logical * ratio).toSize().expandedTo(QSize(1, 1)),
                     QImage::Format_ARGB32_Premultiplied);
    g.image.setDevicePixelRatio(ratio);
    g.image.fill(Qt::transparent);
    QGlyphRun run;
    run.setRawFont(font);
    run.setGlyphIndexes({index});
    run.setPositions({-g.offset});
    QPainter painter(&g.image);
    painter.setPen(color_);
    painter.drawGlyphRun(QPointF(0, 0), run);
    painter.end();
    glyphBytes_ += g.image.sizeInBytes();
    if (glyphBytes_ > kGlyphBudget) {
        glyphs_.clear();
        glyphBytes_ = g.image.sizeInBytes();
    }
    return *glyphs_.insert(qMakePair(key, index), g);
}

void CardImage::drawText(float x, float y, const QString& text) {
    if (text.isEmpty() || image_.isNull()) return;
    // Shaped as Qt shapes it (kerning, fonts standing in for missing characters).
    QTextLayout layout(text, font_, &image_);
    layout.beginLayout();
    layout.createLine();
    layout.endLayout();
    const qreal ratio = image_.devicePixelRatio();
    Text placed;
    QRectF ink;
    for (const QGlyphRun& run : layout.glyphRuns()) {
        const QRawFont font = run.rawFont();
        const QString key = fontKey(font);
        const QList<quint32> indexes = run.glyphIndexes();
        const QList<QPointF> positions = run.positions();
        for (qsizetype i = 0; i < indexes.size(); ++i) {
            const Glyph& g = glyph(font, key, indexes[i]);
            // Glyph origins on whole device pixels, as Qt puts the glyphs it keeps.
            const QPointF origin = QPointF(x, y) + positions[i];
            const QPointF snapped(std::round(origin.x() * ratio) / ratio,
                                  std::round(origin.y() * ratio) / ratio);
            placed.append({snapped + g.offset, g.image});
            ink |= QRectF(snapped + g.offset, g.image.deviceIndependentSize());
        }
    }
    unsettled_.append(placed);
    texts_.append(text);
    // Only where ink goes changes: the less to restore and to repaint, the quicker a step.
    const QRect area = ink.toAlignedRect() & QRect(QPoint(0, 0), size_);
    if (area.isEmpty()) return;
    textRects_.append(area);
    changed_ += area;
}

void CardImage::draw(QPainter& painter, const Text& text) {
    for (const Placed& g : text) painter.drawImage(g.topLeft, g.image);
}

void CardImage::restore(const QRegion& region) const {
    // Plain rows of pixels: only where texts lie differs from the picture.
    const qreal ratio = image_.devicePixelRatio();
    for (const QRect& r : region) {
        const QRect pixels =
            QRectF(QPointF(r.topLeft()) * ratio, QSizeF(r.size()) * ratio).toAlignedRect() &
            image_.rect();
        const size_t bytes = size_t(pixels.width()) * sizeof(QRgb);
        for (int y = pixels.top(); y <= pixels.bottom(); ++y)
            std::memcpy(image_.scanLine(y) + pixels.left() * sizeof(QRgb),
                        picture_.constScanLine(y) + pixels.left() * sizeof(QRgb), bytes);
    }
}

void CardImage::paint(QPainter& painter, const QRegion& region) const {
    const qreal ratio = image_.devicePixelRatio();
    const auto copy = [&](const QImage& from, const QRegion& part) {
        for (const QRect& r : part)
            painter.drawImage(r, from,
                              QRectF(QPointF(r.topLeft()) * ratio, QSizeF(r.size()) * ratio));
    };
    // Rectangle by rectangle: under a clip of several rectangles Qt leaves its fast copies
    // for a general path that hands each line to other threads, many times slower here.
    const QRegion inside = region & QRect(QPoint(0, 0), size_);
    for (const QRect& r : inside) {
        painter.setClipping(false);
        const QRegion cleared = stale_ & r;
        copy(image_, QRegion(r) - cleared);
        copy(picture_, cleared);
        if (unsettled_.isEmpty()) continue;
        painter.setClipRect(r);
        for (const Text& text : std::as_const(unsettled_))
            for (const Placed& g : text)
                if (r.intersects(
                        QRectF(g.topLeft, g.image.deviceIndependentSize()).toAlignedRect()))
                    painter.drawImage(g.topLeft, g.image);
    }
    painter.setClipping(false);
}

void CardImage::settle() const {
    if (!stale_.isEmpty()) restore(stale_);
    stale_ = QRegion();
    if (unsettled_.isEmpty()) return;
    QPainter painter(&image_);
    for (const Text& text : std::as_const(unsettled_)) draw(painter, text);
    unsettled_.clear();
}

const QImage& CardImage::image() const {
    settle();
    return image_;
}

QRegion CardImage::takeChanged() {
    QRegion changed;
    changed.swap(changed_);
    return changed;
}

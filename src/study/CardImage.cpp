#include "CardImage.h"

#include <QPainter>

#include <cstring>

namespace {

// Qt draws glyphs over 64 pixels from their outlines at every use, which at card sizes costs
// more than all the rest of a step. Raised before any text is drawn, it keeps such glyphs
// like small ones. A value the user set stands.
[[maybe_unused]] const bool kLargeGlyphsCached = [] {
    if (!qEnvironmentVariableIsSet("QT_MAX_CACHED_GLYPH_SIZE"))
        qputenv("QT_MAX_CACHED_GLYPH_SIZE", "400");
    return true;
}();

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
    settle();  // texts drawn so far keep the font they were drawn in
    font_ = font;
    font_.setWeight(QFont::Normal);
    metrics_ = QFontMetricsF(font_, &image_);
}

void CardImage::setColor(const QColor& color) {
    settle();
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

void CardImage::drawText(float x, float y, const QString& text) {
    if (text.isEmpty() || image_.isNull()) return;
    const QPointF baseline(x, y + metrics_.ascent());
    // Only where ink goes changes: the less to restore and to repaint, the quicker a step.
    // Glyphs may reach past their advance (italics, antialiasing): the ink box has them.
    const QRect area =
        metrics_.boundingRect(text).translated(baseline).toAlignedRect().adjusted(-2, -2, 2, 2) &
        QRect(QPoint(0, 0), size_);
    unsettled_.append({baseline, text});
    texts_.append(text);
    if (area.isEmpty()) return;
    textRects_.append(area);
    changed_ += area;
}

void CardImage::draw(QPainter& painter, const Text& text) const {
    painter.setFont(font_);
    painter.setPen(color_);
    painter.drawText(text.baseline, text.text);
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
    const QRegion inside = region & QRect(QPoint(0, 0), size_);
    copy(image_, inside - stale_);
    copy(picture_, inside & stale_);
    if (unsettled_.isEmpty()) return;
    painter.save();
    painter.setClipRegion(inside);
    for (const Text& text : std::as_const(unsettled_)) draw(painter, text);
    painter.restore();
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

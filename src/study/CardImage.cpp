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
    textRects_.clear();
    texts_.clear();
    changed_ = QRect(QPoint(0, 0), size_);
}

void CardImage::setFont(const QFont& font) {
    font_ = font;
    font_.setWeight(QFont::Normal);
    metrics_ = QFontMetricsF(font_, &image_);
}

void CardImage::clear() {
    // Only where texts lie differs from the picture: restore just those rows of pixels.
    const qreal ratio = image_.devicePixelRatio();
    for (const QRect& r : std::as_const(textRects_)) {
        const QRect pixels =
            QRectF(QPointF(r.topLeft()) * ratio, QSizeF(r.size()) * ratio).toAlignedRect() &
            image_.rect();
        const size_t bytes = size_t(pixels.width()) * sizeof(QRgb);
        for (int y = pixels.top(); y <= pixels.bottom(); ++y)
            std::memcpy(image_.scanLine(y) + pixels.left() * sizeof(QRgb),
                        picture_.constScanLine(y) + pixels.left() * sizeof(QRgb), bytes);
        changed_ += r;
    }
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
    QPainter painter(&image_);
    painter.setFont(font_);
    painter.setPen(color_);
    painter.drawText(baseline, text);
    painter.end();
    texts_.append(text);
    if (area.isEmpty()) return;
    textRects_.append(area);
    changed_ += area;
}

QRegion CardImage::takeChanged() {
    QRegion changed;
    changed.swap(changed_);
    return changed;
}

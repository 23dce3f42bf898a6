#include "CardImage.h"

#include <QFontMetricsF>
#include <QPainter>

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
    textRects_.clear();
    texts_.clear();
    changed_ = QRect(QPoint(0, 0), size_);
}

void CardImage::setFont(const QFont& font) {
    font_ = font;
    font_.setWeight(QFont::Normal);
}

void CardImage::clear() {
    if (!textRects_.isEmpty()) {
        // Only where texts lie differs from the picture: restore just those places.
        QPainter painter(&image_);
        painter.setCompositionMode(QPainter::CompositionMode_Source);
        const qreal ratio = image_.devicePixelRatio();
        for (const QRect& r : std::as_const(textRects_)) {
            painter.drawImage(r, picture_,
                              QRectF(QPointF(r.topLeft()) * ratio, QSizeF(r.size()) * ratio));
            changed_ += r;
        }
    }
    textRects_.clear();
    texts_.clear();
}

float CardImage::textWidth(const QString& text) const {
    return float(QFontMetricsF(font_, &image_).horizontalAdvance(text));
}

float CardImage::textHeight(const QString&) const {
    return float(QFontMetricsF(font_, &image_).height());
}

void CardImage::drawText(float x, float y, const QString& text) {
    if (text.isEmpty() || image_.isNull()) return;
    const QFontMetricsF metrics(font_, &image_);
    const QPointF baseline(x, y + metrics.ascent());
    // Glyphs may reach past their advance (italics, antialiasing): take the ink as well.
    const QRectF ink = metrics.boundingRect(text).translated(baseline);
    const QRectF box(x, y, metrics.horizontalAdvance(text), metrics.height());
    const QRect area =
        ink.united(box).toAlignedRect().adjusted(-2, -2, 2, 2) & QRect(QPoint(0, 0), size_);
    QPainter painter(&image_);
    painter.setFont(font_);
    painter.setPen(color_);
    painter.drawText(baseline, text);
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

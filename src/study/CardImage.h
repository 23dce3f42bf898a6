#pragma once

#include "CardSurface.h"

#include <QColor>
#include <QFont>
#include <QFontMetricsF>
#include <QImage>
#include <QList>
#include <QRect>
#include <QRegion>
#include <QStringList>

// The card surface's back buffer: the card picture stretched to the surface, with the texts of
// the card drawn over it. It keeps track of what changed, so that the screen copies only that.
class CardImage final : public CardSurface {
public:
    CardImage();

    // A surface of `size` (device-independent pixels) showing `picture`, stretched to fill it.
    void setPicture(const QImage& picture, QSize size, qreal devicePixelRatio = 1.0);
    void setFont(const QFont& font);
    void setColor(const QColor& color) { color_ = color; }

    void clear() override;
    float textWidth(const QString& text) const override;
    float textHeight(const QString& text) const override;
    void drawText(float x, float y, const QString& text) override;
    float width() const override { return float(size_.width()); }
    float height() const override { return float(size_.height()); }

    const QImage& image() const { return image_; }
    QSize size() const { return size_; }
    // The area changed since the last call, in surface pixels.
    QRegion takeChanged();
    // The texts on the card, in the order drawn.
    const QStringList& texts() const { return texts_; }

private:
    QImage picture_;  // the stretched picture, what clearing restores
    QImage image_;
    QSize size_;
    QFont font_;
    QFontMetricsF metrics_;  // of font_ on image_
    QColor color_ = Qt::black;
    QList<QRect> textRects_;
    QRegion changed_;
    QStringList texts_;
};

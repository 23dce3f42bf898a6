#pragma once

#include "CardSurface.h"

#include <QColor>
#include <QFont>
#include <QFontMetricsF>
#include <QGlyphRun>
#include <QHash>
#include <QImage>
#include <QList>
#include <QRect>
#include <QRegion>
#include <QStringList>

class QPainter;

// What the card surface shows: the card picture stretched to the surface, with the texts of the
// card drawn over it. It keeps track of what changed, so that the screen copies only that. No
// full-size copy of the surface is kept: each paint copies the picture and has Qt draw the texts'
// laid-out glyphs over it, so the card window holds one full-size image less.
class CardImage final : public CardSurface {
public:
    CardImage();

    // A surface of `size` (device-independent pixels) showing `picture`, stretched to fill it. A
    // picture at the surface's size is shared, not copied.
    void setPicture(const QImage& picture, QSize size, qreal devicePixelRatio = 1.0);
    void setFont(const QFont& font);
    void setColor(const QColor& color);

    void clear() override;
    float textWidth(const QString& text) const override;
    float textHeight(const QString& text) const override;
    void drawText(float x, float y, const QString& text) override;
    QSizeF fitText(const QString& text, QSizeF box) override;
    void drawFitted(float x, float y, const QString& text, QSizeF box) override;
    float width() const override { return float(size_.width()); }
    float height() const override { return float(size_.height()); }

    // Paints `region` of the surface (in surface pixels) as it now looks.
    void paint(QPainter& painter, const QRegion& region) const;
    // The area changed since the last call, in surface pixels.
    QRegion takeChanged();
    // The surface as it now looks, drawn when asked for.
    const QImage& image() const;
    QSize size() const { return size_; }
    // The texts on the card, in the order drawn, whole.
    const QStringList& texts() const { return texts_; }
    // A text on the card as drawn: its lines, its size in points and where its ink lies.
    struct Drawn {
        QStringList lines;
        qreal points = 0;
        QRect ink;
    };
    const QList<Drawn>& drawn() const { return drawn_; }

private:
    // Glyphs as Qt shaped them (fonts standing in for missing characters, boxes where none
    // has them), drawn by Qt at each paint; their origin from the text's top left.
    struct Run {
        QPointF origin;
        QGlyphRun glyphs;
    };
    // A text on the card: its glyphs where they stand, its colour and where its ink lies.
    struct Placed {
        QList<QGlyphRun> glyphs;
        QColor color;
        QRect ink;
    };
    // A side fitted into a box; its ink from the block's top left.
    struct Fitted {
        QSizeF size;
        qreal points = 0;
        QStringList lines;
        QList<Run> runs;
        QRectF ink;
    };

    static void lay(QList<Run>& runs, QRectF& ink, const QList<QGlyphRun>& glyphRuns,
                    QPointF shift);
    const Fitted& fitted(const QString& text, QSizeF box);
    Fitted fit(const QString& text, QSizeF box);
    Fitted line(const QString& text);
    void place(float x, float y, const QList<Run>& runs, const QRectF& ink, const QString& text,
               const QStringList& lines, qreal points);
    void forgetLayouts();
    void drawPicture(QPainter& painter, const QRect& r) const;

    QImage picture_;        // the stretched picture, what clearing restores; RGB32 or grey
    mutable QImage band_;   // rows of a grey picture widened for drawing
    QList<Placed> placed_;  // the texts on the card
    mutable QImage image_;  // the surface as image() last drew it; null once out of date
    qreal ratio_ = 0;       // device pixels to the surface's pixel
    QSize size_;
    QFont font_;
    QFontMetricsF metrics_;  // of font_ on picture_
    QColor color_ = Qt::black;
    QList<Drawn> drawn_;
    QRegion changed_;
    QStringList texts_;
    // What was measured, laid out and fitted at the card's font, by side (and box), so that a
    // side shown again costs little.
    mutable QHash<QString, float> widths_;
    QHash<QPair<QString, QPair<qreal, qreal>>, Fitted> fits_;
    qsizetype fitGlyphs_ = 0;
};

#pragma once

#include <QSizeF>
#include <QString>

// What a study step draws on: the card picture with the card's texts over it. Positions and
// measures are in pixels of the surface's drawable area.
class CardSurface {
public:
    virtual ~CardSurface() = default;
    // Removes every text drawn; the card picture stays.
    virtual void clear() = 0;
    virtual float textWidth(const QString& text) const = 0;
    virtual float textHeight(const QString& text) const = 0;
    // Draws `text` on one line in the surface's font and colour, its top at `y`.
    virtual void drawText(float x, float y, const QString& text) = 0;
    // The size of `text` fitted into `box`: drawn smaller than the surface's font, down to a
    // floor, on one line if it can be, wrapped if not, and at the floor ended with "…" where it
    // still overflows. A surface keeps what it fitted, so that the same side costs little again.
    virtual QSizeF fitText(const QString& text, QSizeF box) = 0;
    // Draws `text` as fitText fits it into `box`, the block's top left at (x, y).
    virtual void drawFitted(float x, float y, const QString& text, QSizeF box) = 0;
    virtual float width() const = 0;
    virtual float height() const = 0;
};

#include "SurfaceWidget.h"

#include <QPaintEvent>
#include <QPainter>

SurfaceWidget::SurfaceWidget(QWidget* parent) : QWidget(parent) {
    // Every pixel is painted from the card's images: no background to fill first.
    setAttribute(Qt::WA_OpaquePaintEvent);
    setAttribute(Qt::WA_NoSystemBackground);
    setFocusPolicy(Qt::StrongFocus);
    setAccessibleDescription(tr("Flashcard"));
}

void SurfaceWidget::setPicture(const QImage& picture) {
    image_.setPicture(picture, size(), devicePixelRatioF());
    image_.setColor(palette().color(QPalette::WindowText));
    update(image_.takeChanged());
}

void SurfaceWidget::clear() { image_.clear(); }

void SurfaceWidget::drawText(float x, float y, const QString& text) { image_.drawText(x, y, text); }

void SurfaceWidget::showChanges() {
    // At once rather than at the next pass of the event loop: a key's step ends on screen.
    const QRegion changed = image_.takeChanged();
    // One rectangle at a time, so that each paints under a plain rectangular clip.
    for (const QRect& r : changed) {
        if (isVisible())
            repaint(r);
        else
            update(r);
    }
    image_.settle();
}

void SurfaceWidget::publishText() {
    const QString text = image_.texts().join(QLatin1Char('\n'));
    // Setting the name notifies screen readers (QAccessible::NameChanged).
    if (text != accessibleName()) setAccessibleName(text);
}

void SurfaceWidget::paintEvent(QPaintEvent* event) {
    QPainter painter(this);
    image_.paint(painter, event->region());
    // Before the first layout, or while the surface grows, show black rather than garbage.
    const QRegion outside = event->region() - QRect(QPoint(0, 0), image_.size());
    for (const QRect& r : outside) painter.fillRect(r, Qt::black);
}

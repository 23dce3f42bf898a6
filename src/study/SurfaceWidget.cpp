#include "SurfaceWidget.h"

#include "Look.h"

#include <QPaintEvent>
#include <QPainter>

SurfaceWidget::SurfaceWidget(QWidget* parent) : QWidget(parent) {
    // Every pixel is painted from the card's images: no background to fill first.
    setAttribute(Qt::WA_OpaquePaintEvent);
    setAttribute(Qt::WA_NoSystemBackground);
    setFocusPolicy(Qt::StrongFocus);
    setAccessibleDescription(tr("Flashcard"));
    // The card and the hints on it are drawn on the white card, whatever the theme.
    look::SetTextLegible(*this, Qt::white);
    for (QWidget*& reader : readers_) {
        reader = new QWidget(this);
        // Paints nothing and lets the mouse through; focusable, but not by Tab.
        reader->setAttribute(Qt::WA_TransparentForMouseEvents);
        reader->setUpdatesEnabled(false);
        reader->setFocusPolicy(Qt::ClickFocus);
    }
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
}

void SurfaceWidget::publishText() {
    const QString text = image_.texts().join(QLatin1Char('\n'));
    // Qt 6.4 sends a name change without the new name, which Orca cannot speak; a focus move
    // it speaks with the name of the object that takes the focus. So the other reader takes the
    // card's text, then the focus; both keep the card's text for a screen reader's review.
    reader_ = 1 - reader_;
    readers_[reader_]->setAccessibleName(text);
    readers_[reader_]->setFocus();
    readers_[1 - reader_]->setAccessibleName(text);
    // Setting the name notifies screen readers (QAccessible::NameChanged).
    if (text != accessibleName()) setAccessibleName(text);
}

void SurfaceWidget::resizeEvent(QResizeEvent*) {
    // Side by side, so that a screen reader never takes the two for one object that has not
    // changed (Orca compares role, name and extents).
    const int half = width() / 2;
    readers_[0]->setGeometry(0, 0, half, height());
    readers_[1]->setGeometry(half, 0, width() - half, height());
}

void SurfaceWidget::paintEvent(QPaintEvent* event) {
    QPainter painter(this);
    image_.paint(painter, event->region());
    // Before the first layout, or while the surface grows, show black rather than garbage.
    const QRegion outside = event->region() - QRect(QPoint(0, 0), image_.size());
    for (const QRect& r : outside) painter.fillRect(r, Qt::black);
}

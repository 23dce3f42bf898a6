#pragma once

#include "CardImage.h"

#include <QWidget>

// The card surface on screen: paints from the card image, and repaints only what a step
// changed, once the step is done. Screen readers get the texts on the card as its accessible
// name, and hear them at each step as the focus moves to one of two unpainted readers.
class SurfaceWidget final : public QWidget, public CardSurface {
public:
    explicit SurfaceWidget(QWidget* parent);

    // Makes `picture` the surface's persistent picture, stretched over the whole surface.
    void setPicture(const QImage& picture);
    void setCardFont(const QFont& font) { image_.setFont(font); }
    const CardImage& image() const { return image_; }
    // Puts what the step drew on screen.
    void showChanges();
    // Tells screen readers what the card now says.
    void publishText();

    void clear() override;
    float textWidth(const QString& text) const override { return image_.textWidth(text); }
    float textHeight(const QString& text) const override { return image_.textHeight(text); }
    void drawText(float x, float y, const QString& text) override;
    QSizeF fitText(const QString& text, QSizeF box) override { return image_.fitText(text, box); }
    void drawFitted(float x, float y, const QString& text, QSizeF box) override {
        image_.drawFitted(x, y, text, box);
    }
    float width() const override { return image_.width(); }
    float height() const override { return image_.height(); }

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    // Nothing on the card shows the focus: a focus change repaints nothing.
    void focusInEvent(QFocusEvent*) override {}
    void focusOutEvent(QFocusEvent*) override {}

private:
    CardImage image_;
    QWidget* readers_[2];
    int reader_ = 0;  // the reader that holds the focus
};

// Any side of a card file, on one line and fitted into half the card, with any fonts: no crash,
// every pixel changed lies in the area marked changed, and cleared, that area shows the picture.
#include "CardImage.h"
#include "Codec.h"
#include "FuzzSupport.h"

#include <QGuiApplication>
#include <QPainter>

extern "C" int LLVMFuzzerInitialize(int* argc, char*** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    static QGuiApplication app(*argc, *argv);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const QByteArray bytes(reinterpret_cast<const char*>(data), qsizetype(size));
    const QString side = codec::decode(bytes);
    QImage picture(640, 360, QImage::Format_Grayscale8);
    picture.fill(255);
    CardImage card;
    card.setPicture(picture, picture.size());
    card.setFont(QFont(QStringLiteral("Liberation Sans"), 60));
    if (card.textWidth(side) <= card.width()) card.drawText(0, 10, side);
    card.drawFitted(20, 190, side, QSizeF(600, 150));
    const QRegion changed = card.takeChanged();
    QImage shown = card.image();
    for (int y = 0; y < shown.height(); ++y)
        for (int x = 0; x < shown.width(); ++x)
            FUZZ_CHECK(shown.pixel(x, y) == 0xffffffff || changed.contains(QPoint(x, y)), bytes);
    card.clear();
    QPainter painter(&shown);
    card.paint(painter, card.takeChanged());
    painter.end();
    FUZZ_CHECK(shown == picture.convertToFormat(QImage::Format_RGB32), bytes);
    return 0;
}

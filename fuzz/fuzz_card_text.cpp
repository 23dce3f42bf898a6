// Any side on the card, read as a card file holds it, on one line where it fits and fitted into
// its half of the card, with whatever fonts there are (the tests replay it also with only the
// Liberation fonts, which leave most scripts without a font): no crash, every pixel the texts
// change lies in the area marked changed, and cleared, that area shows the picture again.
#include "CardImage.h"
#include "Codec.h"
#include "FuzzSupport.h"

#include <QGuiApplication>
#include <QPainter>

using namespace fuzz;

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
    const QSizeF box(600, 150);
    card.drawFitted(float(320 - card.fitText(side, box).width() / 2), 190, side, box);
    const QRegion changed = card.takeChanged();
    QImage shown = card.image();
    const QImage white = picture.convertToFormat(QImage::Format_RGB32);
    for (int y = 0; y < shown.height(); ++y)
        for (int x = 0; x < shown.width(); ++x)
            FUZZ_CHECK(shown.pixel(x, y) == white.pixel(x, y) || changed.contains(QPoint(x, y)),
                       bytes);
    card.clear();
    QPainter painter(&shown);
    card.paint(painter, card.takeChanged());
    painter.end();
    FUZZ_CHECK(shown == white, bytes);
    return 0;
}

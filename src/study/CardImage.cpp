#include "CardImage.h"

#include <QFontInfo>
#include <QGlyphRun>
#include <QPainter>
#include <QRawFont>
#include <QTextLayout>

#ifdef __SSE2__
#include <emmintrin.h>
#endif
#include <cmath>
#include <functional>
#include <limits>
#include <memory>

namespace {

// Enough for every glyph of a few sets at the largest sizes; past it the cache starts afresh.
constexpr qsizetype kGlyphBudget = 48 * 1024 * 1024;

QString fontKey(const QRawFont& font) {
    return QStringLiteral("%1|%2|%3|%4|%5")
        .arg(font.familyName(), font.styleName())
        .arg(font.pixelSize())
        .arg(font.weight())
        .arg(int(font.style()));
}

// A side longer than this never fits on a line: only its start is laid out, and its "…" says
// that more follows. Qt's widths overflow for millions of characters, and cost seconds.
constexpr qsizetype kLongest = 8192;
// Past this many glyphs kept in fitted sides, the kept fits start afresh.
constexpr qsizetype kFitBudget = 256 * 1024;
const QChar kEllipsis(0x2026);

QFont sized(QFont font, qreal points) {
    font.setPointSizeF(points);
    return font;
}

// `text` laid out in lines as wide as `box`, each centred, as far down as the box holds them.
struct Lines {
    std::unique_ptr<QTextLayout> layout;
    int count = 0;      // the lines within the box (the first one always)
    bool fits = false;  // the whole text within the box
};

Lines layOut(const QString& text, const QFont& font, const QPaintDevice* device, QSizeF box,
             QTextOption::WrapMode wrap) {
    Lines lines;
    lines.layout = std::make_unique<QTextLayout>(text, font, device);
    QTextOption option(Qt::AlignHCenter);
    option.setWrapMode(wrap);
    lines.layout->setTextOption(option);
    lines.layout->beginLayout();
    qreal y = 0;
    bool fits = true;
    for (QTextLine line = lines.layout->createLine(); line.isValid();
         line = lines.layout->createLine()) {
        line.setLineWidth(box.width());
        line.setPosition(QPointF(0, y));
        y += line.height();
        if (y > box.height()) fits = false;
        if (y > box.height() && lines.count > 0) break;
        ++lines.count;
        if (line.naturalTextWidth() > box.width()) fits = false;
        if (!fits) break;
    }
    lines.layout->endLayout();
    const QTextLine last = lines.layout->lineAt(lines.count - 1);
    lines.fits = fits && last.isValid() && last.textStart() + last.textLength() >= text.size();
    return lines;
}

// The largest size from `from` (which fits) to `to` at which `fits`, to a quarter point.
qreal largest(qreal from, qreal to, const std::function<bool(qreal)>& fits) {
    if (fits(to)) return to;
    while (to - from > 0.25) {
        const qreal middle = (from + to) / 2;
        (fits(middle) ? from : to) = middle;
    }
    return from;
}

// Grey pixels to opaque RGB32.
void widen(const uchar* grey, QRgb* out, int n) {
    int x = 0;
#ifdef __SSE2__
    const __m128i opaque = _mm_set1_epi32(int(0xff000000u));
    for (; x + 16 <= n; x += 16) {
        const __m128i g = _mm_loadu_si128(reinterpret_cast<const __m128i*>(grey + x));
        const __m128i low = _mm_unpacklo_epi8(g, g), high = _mm_unpackhi_epi8(g, g);
        const __m128i quads[] = {_mm_unpacklo_epi16(low, low), _mm_unpackhi_epi16(low, low),
                                 _mm_unpacklo_epi16(high, high), _mm_unpackhi_epi16(high, high)};
        for (int q = 0; q < 4; ++q)
            _mm_storeu_si128(reinterpret_cast<__m128i*>(out + x + 4 * q),
                             _mm_or_si128(quads[q], opaque));
    }
#endif
    for (; x < n; ++x) out[x] = 0xff000000u | grey[x] * 0x010101u;
}

}  // namespace

CardImage::CardImage() : metrics_(font_) {}

void CardImage::setPicture(const QImage& picture, QSize size, qreal devicePixelRatio) {
    size_ = size.expandedTo(QSize(1, 1));
    const QSize pixels = (QSizeF(size_) * devicePixelRatio).toSize();
    if (picture.size() == pixels && (picture.format() == QImage::Format_RGB32 ||
                                     picture.format() == QImage::Format_Grayscale8)) {
        picture_ = picture;
    } else {
        picture_ = picture.scaled(pixels, Qt::IgnoreAspectRatio, Qt::SmoothTransformation)
                       .convertToFormat(QImage::Format_RGB32);
    }
    // Kept glyphs are drawn for one pixel ratio.
    if (!qFuzzyCompare(ratio_, devicePixelRatio)) {
        glyphs_.clear();
        glyphBytes_ = 0;
        forgetLayouts();
        ratio_ = devicePixelRatio;
    }
    picture_.setDevicePixelRatio(devicePixelRatio);
    metrics_ = QFontMetricsF(font_, &picture_);
    placed_.clear();
    image_ = QImage();
    drawn_.clear();
    texts_.clear();
    changed_ = QRect(QPoint(0, 0), size_);
}

void CardImage::setFont(const QFont& font) {
    QFont regular = font;
    regular.setWeight(QFont::Normal);
    if (regular != font_) forgetLayouts();
    font_ = regular;
    metrics_ = QFontMetricsF(font_, &picture_);
}

void CardImage::forgetLayouts() {
    widths_.clear();
    fits_.clear();
    fitGlyphs_ = 0;
}

void CardImage::setColor(const QColor& color) {
    if (color == color_) return;
    // The kept glyphs carry the colour; texts drawn already keep theirs.
    glyphs_.clear();
    glyphBytes_ = 0;
    forgetLayouts();
    color_ = color;
}

void CardImage::clear() {
    for (const Drawn& d : std::as_const(drawn_)) {
        changed_ += d.ink;
    }
    placed_.clear();
    image_ = QImage();
    drawn_.clear();
    texts_.clear();
}

float CardImage::textWidth(const QString& text) const {
    if (text.size() > kLongest) return std::numeric_limits<float>::infinity();
    const auto found = widths_.constFind(text);
    if (found != widths_.constEnd()) return *found;
    if (widths_.size() >= 4096) widths_.clear();
    return *widths_.insert(text, float(metrics_.horizontalAdvance(text)));
}

float CardImage::textHeight(const QString&) const { return float(metrics_.height()); }

const CardImage::Glyph& CardImage::glyph(const QRawFont& font, const QString& key, quint32 index) {
    const auto found = glyphs_.constFind(qMakePair(key, index));
    if (found != glyphs_.constEnd()) return *found;
    const qreal ratio = picture_.devicePixelRatio();
    // Room around the outline for antialiasing.
    const QRectF box = font.boundingRect(index).adjusted(-2, -2, 2, 2);
    Glyph g;
    g.offset = QPointF(std::floor(box.left()), std::floor(box.top()));
    const QSizeF logical(std::ceil(box.right()) - g.offset.x(),
                         std::ceil(box.bottom()) - g.offset.y());
    g.image = QImage((logical * ratio).toSize().expandedTo(QSize(1, 1)),
                     QImage::Format_ARGB32_Premultiplied);
    g.image.setDevicePixelRatio(ratio);
    g.image.fill(Qt::transparent);
    QGlyphRun run;
    run.setRawFont(font);
    run.setGlyphIndexes({index});
    run.setPositions({-g.offset});
    QPainter painter(&g.image);
    painter.setPen(color_);
    painter.drawGlyphRun(QPointF(0, 0), run);
    painter.end();
    glyphBytes_ += g.image.sizeInBytes();
    if (glyphBytes_ > kGlyphBudget) {
        glyphs_.clear();
        glyphBytes_ = g.image.sizeInBytes();
        // Fitted sides hold glyphs too: they go with them, or the budget would not hold.
        fits_.clear();
        fitGlyphs_ = 0;
    }
    return *glyphs_.insert(qMakePair(key, index), g);
}

void CardImage::lay(QList<Laid>& glyphs, const QList<QGlyphRun>& runs, QPointF shift) {
    for (const QGlyphRun& run : runs) {
        const QRawFont font = run.rawFont();
        const QString key = fontKey(font);
        const QList<quint32> indexes = run.glyphIndexes();
        const QList<QPointF> positions = run.positions();
        for (qsizetype i = 0; i < indexes.size(); ++i)
            glyphs.append({positions[i] + shift, glyph(font, key, indexes[i])});
    }
}

void CardImage::drawText(float x, float y, const QString& text) {
    if (text.isEmpty() || picture_.isNull()) return;
    // Shaped as Qt shapes it (kerning, fonts standing in for missing characters).
    QTextLayout layout(text, font_, &picture_);
    layout.beginLayout();
    layout.createLine();
    layout.endLayout();
    QList<Laid> glyphs;
    lay(glyphs, layout.glyphRuns(), QPointF());
    place(x, y, glyphs, text, {text}, font_.pointSizeF());
}

QSizeF CardImage::fitText(const QString& text, QSizeF box) {
    if (text.isEmpty() || picture_.isNull()) return QSizeF();
    return fitted(text, box).size;
}

void CardImage::drawFitted(float x, float y, const QString& text, QSizeF box) {
    if (text.isEmpty() || picture_.isNull()) return;
    const Fitted& f = fitted(text, box);
    place(x, y, f.glyphs, text, f.lines, f.points);
}

const CardImage::Fitted& CardImage::fitted(const QString& text, QSizeF box) {
    // Only the start of a side too long for any card is laid out.
    const auto key = qMakePair(text.left(kLongest + 1), qMakePair(box.width(), box.height()));
    const auto found = fits_.constFind(key);
    if (found != fits_.constEnd()) return *found;
    Fitted f = fit(text, box);
    fitGlyphs_ += f.glyphs.size();
    if (fitGlyphs_ > kFitBudget) {
        fits_.clear();
        fitGlyphs_ = f.glyphs.size();
    }
    return *fits_.insert(key, std::move(f));
}

// On one line at the largest size from the floor up that fits the box; failing that, wrapped at
// the largest size at which the whole block fits; failing that, at the floor in as many lines
// as the box holds, the last ended with "…".
CardImage::Fitted CardImage::fit(const QString& side, QSizeF box) {
    QString text = side;
    if (text.size() > kLongest) {
        text.truncate(text.at(kLongest - 1).isHighSurrogate() ? kLongest - 1 : kLongest);
        text += kEllipsis;
    }
    const qreal chosen =
        font_.pointSizeF() > 0 ? font_.pointSizeF() : QFontInfo(font_).pointSizeF();
    const qreal floor = std::min(chosen, std::max(chosen / 3, 20.0));
    QTextOption::WrapMode wrap = QTextOption::NoWrap;
    const auto fits = [&](qreal points) {
        return layOut(text, sized(font_, points), &picture_, box, wrap).fits;
    };
    Fitted f;
    f.points = floor;
    bool fitsAtFloor = fits(floor);
    if (!fitsAtFloor) {
        wrap = QTextOption::WordWrap;
        fitsAtFloor = fits(floor);
    }
    if (fitsAtFloor)
        f.points = largest(floor, chosen, fits);
    else
        wrap = QTextOption::WrapAtWordBoundaryOrAnywhere;
    const QFont font = sized(font_, f.points);
    const Lines lines = layOut(text, font, &picture_, box, wrap);
    QList<QTextLine> shown;
    for (int i = 0; i < lines.count; ++i) {
        const QTextLine line = lines.layout->lineAt(i);
        shown.append(line);
        f.lines.append(text.mid(line.textStart(), line.textLength()));
    }
    // The last line that the box holds ends with "…" and as much of the rest as fits before it.
    std::unique_ptr<QTextLayout> ended;
    const QTextLine last = shown.last();
    if (last.textStart() + last.textLength() < text.size()) {
        const QString rest = text.mid(last.textStart(), 2 * last.textLength() + 64);
        QString elided =
            QFontMetricsF(font, &picture_).elidedText(rest, Qt::ElideRight, box.width());
        if (!elided.endsWith(kEllipsis)) elided += kEllipsis;
        ended = std::make_unique<QTextLayout>(elided, font, &picture_);
        QTextOption option(Qt::AlignHCenter);
        option.setWrapMode(QTextOption::NoWrap);
        ended->setTextOption(option);
        ended->beginLayout();
        shown.last() = ended->createLine();
        shown.last().setLineWidth(box.width());
        shown.last().setPosition(last.position());
        ended->endLayout();
        f.lines.last() = elided;
    }
    qreal width = 0, height = 0;
    for (const QTextLine& line : std::as_const(shown)) {
        width = std::max(width, line.naturalTextWidth());
        height = line.position().y() + line.height();
    }
    f.size = QSizeF(width, height);
    // Each line is centred in the box; the block starts where its widest line does.
    const QPointF shift(-(box.width() - width) / 2, 0);
    for (const QTextLine& line : std::as_const(shown)) lay(f.glyphs, line.glyphRuns(), shift);
    return f;
}

void CardImage::place(float x, float y, const QList<Laid>& glyphs, const QString& text,
                      const QStringList& lines, qreal points) {
    const qreal ratio = picture_.devicePixelRatio();
    Text placed;
    QRectF ink;
    for (const Laid& laid : glyphs) {
        const Glyph& g = laid.glyph;
        // Glyph origins on whole device pixels, as Qt puts the glyphs it keeps.
        const QPointF origin = QPointF(x, y) + laid.origin;
        const QPointF snapped(std::round(origin.x() * ratio) / ratio,
                              std::round(origin.y() * ratio) / ratio);
        placed.append({snapped + g.offset, g.image});
        ink |= QRectF(snapped + g.offset, g.image.deviceIndependentSize());
    }
    placed_.append(placed);
    image_ = QImage();
    texts_.append(text);
    // Only where ink goes changes: the less to restore and to repaint, the quicker a step.
    const QRect area = ink.toAlignedRect() & QRect(QPoint(0, 0), size_);
    drawn_.append({lines, points, area});
    changed_ += area;
}

void CardImage::paint(QPainter& painter, const QRegion& region) const {
    // Rectangle by rectangle: under a clip of several rectangles Qt leaves its fast copies
    // for a general path that hands each line to other threads, many times slower here.
    const QRegion inside = region & QRect(QPoint(0, 0), size_);
    for (const QRect& r : inside) {
        painter.setClipping(false);
        drawPicture(painter, r);
        if (placed_.isEmpty()) continue;
        painter.setClipRect(r);
        for (const Text& text : placed_)
            for (const Placed& g : text)
                if (r.intersects(
                        QRectF(g.topLeft, g.image.deviceIndependentSize()).toAlignedRect()))
                    painter.drawImage(g.topLeft, g.image);
    }
    painter.setClipping(false);
}

void CardImage::drawPicture(QPainter& painter, const QRect& r) const {
    const qreal ratio = picture_.devicePixelRatio();
    if (picture_.format() != QImage::Format_Grayscale8 || ratio != 1) {
        painter.drawImage(r, picture_,
                          QRectF(QPointF(r.topLeft()) * ratio, QSizeF(r.size()) * ratio));
        return;
    }
    // Qt draws a grey image pixel by pixel, four times slower than a copy; widened here a band
    // at a time, it costs a step next to nothing.
    constexpr int kBand = 64;
    if (band_.width() < r.width()) band_ = QImage(size_.width(), kBand, QImage::Format_RGB32);
    for (int top = r.top(); top <= r.bottom(); top += kBand) {
        const int rows = std::min(kBand, r.bottom() + 1 - top);
        for (int y = 0; y < rows; ++y)
            widen(picture_.constScanLine(top + y) + r.left(),
                  reinterpret_cast<QRgb*>(band_.scanLine(y)), r.width());
        painter.drawImage(QPoint(r.left(), top), band_, QRect(0, 0, r.width(), rows));
    }
}

const QImage& CardImage::image() const {
    if (image_.isNull() && !picture_.isNull()) {
        image_ = QImage(picture_.size(), QImage::Format_RGB32);
        image_.setDevicePixelRatio(ratio_);
        QPainter painter(&image_);
        paint(painter, QRect(QPoint(0, 0), size_));
    }
    return image_;
}

QRegion CardImage::takeChanged() {
    QRegion changed;
    changed.swap(changed_);
    return changed;
}

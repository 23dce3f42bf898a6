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
    // Texts are laid out for one pixel ratio.
    if (!qFuzzyCompare(ratio_, devicePixelRatio)) {
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

// Texts drawn already keep their colour.
void CardImage::setColor(const QColor& color) { color_ = color; }

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

// Qt's runs of a line, moved by `shift`, and the ink they leave: each glyph's outline box, and
// at least the line's own box.
void CardImage::lay(QList<Run>& runs, QRectF& ink, const QList<QGlyphRun>& glyphRuns,
                    QPointF shift) {
    for (const QGlyphRun& run : glyphRuns) {
        runs.append({shift, run});
        ink |= run.boundingRect().translated(shift);
        const QRawFont font = run.rawFont();
        const QList<quint32> indexes = run.glyphIndexes();
        const QList<QPointF> positions = run.positions();
        for (qsizetype i = 0; i < std::min(indexes.size(), positions.size()); ++i)
            ink |= font.boundingRect(indexes[i]).translated(positions[i] + shift);
    }
}

void CardImage::drawText(float x, float y, const QString& text) {
    if (text.isEmpty() || picture_.isNull()) return;
    // Kept as a fitted side is, under no box.
    const Fitted& f = fitted(text, QSizeF());
    place(x, y, f.runs, f.ink, text, {text}, font_.pointSizeF());
}

CardImage::Fitted CardImage::line(const QString& text) {
    // Shaped as Qt shapes it (kerning, fonts standing in for missing characters).
    QTextLayout layout(text, font_, &picture_);
    layout.beginLayout();
    layout.createLine();
    layout.endLayout();
    Fitted f;
    lay(f.runs, f.ink, layout.glyphRuns(), QPointF());
    return f;
}

QSizeF CardImage::fitText(const QString& text, QSizeF box) {
    if (text.isEmpty() || picture_.isNull()) return QSizeF();
    return fitted(text, box).size;
}

void CardImage::drawFitted(float x, float y, const QString& text, QSizeF box) {
    if (text.isEmpty() || picture_.isNull()) return;
    const Fitted& f = fitted(text, box);
    place(x, y, f.runs, f.ink, text, f.lines, f.points);
}

const CardImage::Fitted& CardImage::fitted(const QString& text, QSizeF box) {
    // Only the start of a side too long for any card is fitted.
    const auto key = qMakePair(box.isValid() ? text.left(kLongest + 1) : text,
                               qMakePair(box.width(), box.height()));
    const auto found = fits_.constFind(key);
    if (found != fits_.constEnd()) return *found;
    Fitted f = box.isValid() ? fit(text, box) : line(text);
    qsizetype glyphs = 0;
    for (const Run& run : std::as_const(f.runs)) glyphs += run.glyphs.glyphIndexes().size();
    fitGlyphs_ += glyphs;
    if (fitGlyphs_ > kFitBudget) {
        fits_.clear();
        fitGlyphs_ = glyphs;
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
    for (const QTextLine& line : std::as_const(shown)) lay(f.runs, f.ink, line.glyphRuns(), shift);
    return f;
}

void CardImage::place(float x, float y, const QList<Run>& runs, const QRectF& ink,
                      const QString& text, const QStringList& lines, qreal points) {
    const QPointF at(x, y);
    const qreal ratio = picture_.devicePixelRatio();
    QList<QGlyphRun> shown;
    for (const Run& run : runs) {
        // Glyph origins on whole device pixels, where the card has always drawn them.
        QList<QPointF> positions = run.glyphs.positions();
        for (QPointF& p : positions) {
            const QPointF device = (at + run.origin + p) * ratio;
            p = QPointF(std::round(device.x()), std::round(device.y())) / ratio;
        }
        shown.append(run.glyphs);
        shown.last().setPositions(positions);
    }
    // Only where ink goes changes: the less to restore and to repaint, the quicker a step. Room
    // around the outlines for antialiasing and the rounding.
    const QRect area =
        ink.translated(at).adjusted(-2, -2, 2, 2).toAlignedRect() & QRect(QPoint(0, 0), size_);
    placed_.append({shown, color_, area});
    image_ = QImage();
    texts_.append(text);
    drawn_.append({lines, points, area});
    changed_ += area;
}

void CardImage::paint(QPainter& painter, const QRegion& region) const {
    // The picture rectangle by rectangle: under a clip of several rectangles Qt leaves its fast
    // copies for a general path that hands each line to other threads, many times slower here.
    const QRegion inside = region & QRect(QPoint(0, 0), size_);
    painter.setClipping(false);
    for (const QRect& r : inside) drawPicture(painter, r);
    // Each text once: Qt fills the outlines of large glyphs at every draw.
    painter.setClipRegion(inside);
    for (const Placed& text : placed_) {
        if (!inside.intersects(text.ink)) continue;
        painter.setPen(text.color);
        for (const QGlyphRun& run : text.glyphs) painter.drawGlyphRun(QPointF(), run);
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

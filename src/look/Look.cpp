#include "Look.h"

#include "Failure.h"
#include "Trap.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QFile>
#include <QFontDatabase>
#include <QGroupBox>
#include <QImageReader>
#include <QKeyEvent>
#include <QLabel>
#include <QPainter>
#include <QPalette>
#include <QPixmap>
#include <QProxyStyle>
#include <QPushButton>
#include <QRadioButton>
#include <QStyleOptionFocusRect>

#include <algorithm>
#include <cmath>

namespace look {
namespace {

// Relative luminance, as WCAG 2 defines it.
double luminance(const QColor& colour) {
    const auto linear = [](float v) {
        return v <= 0.04045f ? v / 12.92 : std::pow((v + 0.055) / 1.055, 2.4);
    };
    const QColor rgb = colour.toRgb();
    return 0.2126 * linear(rgb.redF()) + 0.7152 * linear(rgb.greenF()) +
           0.0722 * linear(rgb.blueF());
}

// The colour of black and white that reads better on `background`.
QColor bestOn(const QColor& background) {
    return contrast(Qt::black, background) >= contrast(Qt::white, background) ? Qt::black
                                                                              : Qt::white;
}

class ReturnPresses final : public QObject {
public:
    using QObject::QObject;
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (event->type() != QEvent::KeyPress) return false;
        const int key = static_cast<QKeyEvent*>(event)->key();
        if (key != Qt::Key_Return && key != Qt::Key_Enter) return false;
        static_cast<QPushButton*>(watched)->click();
        return true;
    }
};

class VisibleFocus final : public QProxyStyle {
public:
    VisibleFocus() : QProxyStyle(QApplication::style()->name()) {}
    void drawPrimitive(PrimitiveElement element, const QStyleOption* option, QPainter* painter,
                       const QWidget* widget) const override {
        // Elsewhere the style's own mark reads, and stays as it is.
        const auto* focus = qstyleoption_cast<const QStyleOptionFocusRect*>(option);
        if (element != PE_FrameFocusRect || !focus || !(option->state & State_Selected))
            return QProxyStyle::drawPrimitive(element, option, painter, widget);
        painter->save();
        painter->setPen(QPen(bestOn(focus->backgroundColor), 1, Qt::DotLine));
        painter->drawRect(QRectF(focus->rect).adjusted(0.5, 0.5, -0.5, -0.5));
        painter->restore();
    }
};

}  // namespace

QColor buttonFace() { return QApplication::palette().color(QPalette::Button); }

void SetFormColors(QWidget& form) {
    const QColor face = buttonFace();
    auto paint = [&face](QWidget& w) {
        QPalette p = w.palette();
        p.setColor(QPalette::Window, face);
        w.setPalette(p);
        w.setAutoFillBackground(true);
    };
    paint(form);
    for (QWidget* child : form.findChildren<QWidget*>()) {
        if (qobject_cast<QRadioButton*>(child) || qobject_cast<QCheckBox*>(child) ||
            qobject_cast<QGroupBox*>(child) || qobject_cast<QLabel*>(child)) {
            paint(*child);
        }
    }
}

double contrast(const QColor& a, const QColor& b) {
    const double la = luminance(a), lb = luminance(b);
    return (std::max(la, lb) + 0.05) / (std::min(la, lb) + 0.05);
}

void SetTextLegible(QWidget& widget, const QColor& background) {
    const QColor best = bestOn(background);
    QPalette palette = widget.palette();
    bool changed = false;
    // Disabled text need not read as well: it keeps the theme's look.
    for (auto group : {QPalette::Active, QPalette::Inactive}) {
        if (contrast(palette.color(group, QPalette::WindowText), background) >= 4.5) continue;
        palette.setColor(group, QPalette::WindowText, best);
        changed = true;
    }
    if (changed) widget.setPalette(palette);
}

void PressOnReturn(QWidget& form) {
    auto* filter = new ReturnPresses(&form);
    for (QPushButton* button : form.findChildren<QPushButton*>())
        button->installEventFilter(filter);
}

void ShowFocus(QWidget& view) {
    auto* style = new VisibleFocus;
    style->setParent(&view);
    view.setStyle(style);
}

QCursor loadCursor(const QString& path) {
    QImageReader reader(path);
    const QImage image = reader.read();
    if (image.isNull()) throw Failure(failures::InvalidPicture);
    // Cursor files keep the hot spot in the directory entry: bytes 10..13 of the file.
    int hotX = 0, hotY = 0;
    QFile file(path);
    if (file.open(QIODevice::ReadOnly)) {
        const QByteArray head = file.read(14);
        if (head.size() == 14 && head[2] == 2) {
            hotX = quint8(head[10]) | quint8(head[11]) << 8;
            hotY = quint8(head[12]) | quint8(head[13]) << 8;
        }
    }
    return QCursor(QPixmap::fromImage(image), qMin(hotX, image.width() - 1),
                   qMin(hotY, image.height() - 1));
}

void HandPointer::overButton(QWidget& button) const {
    if (hand_)
        button.setCursor(*hand_);
    else
        button.unsetCursor();
}

}  // namespace look

namespace Deckwork {

void GetFonts(QComboBox& combo) {
    look::Trap trap("Deckwork.GetFonts");
    QStringList families;
    trap.at(100, [&] { families = QFontDatabase::families(); });
    // In one insertion: a desktop with hundreds of fonts would otherwise signal each one.
    trap.at(102, [&] { combo.addItems(families); });
}

}  // namespace Deckwork

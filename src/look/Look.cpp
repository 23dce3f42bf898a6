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
#include <QLabel>
#include <QPalette>
#include <QPixmap>
#include <QRadioButton>

namespace look {

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

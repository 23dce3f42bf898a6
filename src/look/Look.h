#pragma once

#include <QCursor>
#include <QString>
#include <optional>

class QComboBox;
class QWidget;

namespace look {

// The system's button-face colour, which follows the user's colour scheme.
QColor buttonFace();
// Gives `form` and its option buttons, check boxes, frames and labels the button-face colour.
void SetFormColors(QWidget& form);
// How well colour `a` reads on `b`, and the reverse: their contrast ratio, from 1 to 21 (WCAG 2).
double contrast(const QColor& a, const QColor& b);
// Makes the window text of `widget`, and of the children that take it, legible on `background`:
// the theme's own colour where it reads at 4.5:1 or better, else black or white, whichever reads
// better.
void SetTextLegible(QWidget& widget, const QColor& background);
// Return and Enter press the push button of `form` that has the focus, as Space does.
void PressOnReturn(QWidget& form);
// Shows the focus of an item view on a highlighted row, where the style's own mark hardly shows,
// in black or white, whichever reads on the highlight.
void ShowFocus(QWidget& view);
// Loads a cursor file (the hot spot comes from the file); throws when it is not a picture.
QCursor loadCursor(const QString& path);

// The hand pointer of one window: shown over its buttons once the cursor file has loaded.
// A busy pointer is an application override cursor, which always wins over these.
class HandPointer {
public:
    void load(const QString& path) { hand_ = loadCursor(path); }
    bool loaded() const { return hand_.has_value(); }
    // Shows the hand over `button` (the arrow when no cursor file was loaded).
    void overButton(QWidget& button) const;

private:
    std::optional<QCursor> hand_;
};

}  // namespace look

namespace Deckwork {
// Appends the name of every screen font to `combo`, in the order the platform lists them.
void GetFonts(QComboBox& combo);
}  // namespace Deckwork

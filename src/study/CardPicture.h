#pragma once

#include <QImage>
#include <QSize>
#include <QString>

// The card picture, decoded straight at the size it is shown at: decoding the full picture and
// scaling it afterwards would cost far more than the rest of opening the card window.
namespace CardPicture {

// The built-in white card at `size` pixels, stretched. One picture is kept, for the last size.
QImage builtIn(QSize size);
// Starts decoding the built-in card at `size` beside the caller, for builtIn to take.
void prepare(QSize size);
// The picture in file `path` at `size` pixels, stretched; throws look::Failure when the file
// is not a picture.
QImage fromFile(const QString& path, QSize size);

}  // namespace CardPicture

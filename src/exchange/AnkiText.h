#pragma once

#include <QByteArrayView>
#include <QString>
#include <QStringList>
#include <QStringView>
#include <QVector>

// The rules that turn the notes of an Anki collection into two-sided cards of plain text. Each
// takes a stranger's bytes or text as they come and never fails.
namespace exchange::anki {

// Field `field` of a protobuf message: the last varint (wire type 0) or length-delimited value
// (wire type 2) with that number. False when there is none, or the message breaks off first.
bool ProtoVarint(QByteArrayView message, int field, quint64* value);
bool ProtoBytes(QByteArrayView message, int field, QByteArrayView* value);

// What the text held that a card cannot: pictures, sounds and videos.
struct Media {
    int pictures = 0, sounds = 0, videos = 0;
};

// The text a field's HTML shows, on one line: [sound:…], <img>, <audio> and <video> go (and are
// counted),
// <style> and <script> go with their content, <br> and block tags break the line, other tags
// go and leave their text, entities are decoded. Line breaks and tabs become single blanks
// (a run of them in the HTML source one blank, as it shows), and the ends are trimmed.
QString HtmlToText(QStringView html, Media* media = nullptr);
// The same, sharing the text where there is nothing to change.
QString HtmlToText(const QString& html, Media* media = nullptr);
// The HTML of a card side that HtmlToText gives back unchanged.
QString TextToHtml(QStringView text);

// One field a template shows, and the sections ({{#F}} or {{^F}}) it stands in.
struct Shown {
    int field;
    QVector<int> shownIf, shownUnless;  // fields that must be filled, or empty
};
// The fields of `fieldNames` that a card template names, in order, each once. {{FrontSide}} and
// names of no field are skipped; {{type:F}} counts only with `typeIn` (the answer side).
QVector<Shown> TemplateFields(QStringView format, const QStringList& fieldNames, bool typeIn);
// The fields among `shown` that a note with the fields `filled` (true where not empty) shows,
// in order, leaving out those in `except`.
QVector<int> FieldsShown(const QVector<Shown>& shown, const QVector<bool>& filled,
                         const QVector<int>& except = {});

// A cloze text for card `number` (1 for c1): Side 1 with that cloze as [hint] or [...] and the
// others as their text; Side 2 with every cloze as its text. `found` is false when the text
// has no cloze of that number. The texts are HTML still.
struct ClozeSides {
    QString side1, side2;
    bool found = false;
};
ClozeSides Cloze(QStringView text, int number);
// True for the cloze text of an image-occlusion note: its first cloze starts with
// "image-occlusion:".
bool IsImageOcclusion(QStringView text);

}  // namespace exchange::anki

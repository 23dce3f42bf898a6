#include "Kvtml.h"

#include <QLocale>
#include <QMap>
#include <QXmlStreamReader>
#include <QXmlStreamWriter>

namespace exchange::kvtml {
namespace {

struct Entry {
    QString text[2], comment;  // translations 0 and 1, and translation 0's comment
    int line = 0;
    bool translated = false;  // 1.0: the first <t> has been read
};

struct Identifier {
    QString name, locale;
};

// A side is one line, without blanks around it.
QString plain(QString text) {
    text.replace(QLatin1Char('\r'), QLatin1Char(' ')).replace(QLatin1Char('\n'), QLatin1Char(' '));
    qsizetype begin = 0, end = text.size();
    while (begin < end && text[begin] == QLatin1Char(' ')) ++begin;
    while (end > begin && text[end - 1] == QLatin1Char(' ')) --end;
    return text.mid(begin, end - begin);
}

// A column's title: its name, or else the language its locale names.
QString languageName(const QString& code) {
    if (code.isEmpty()) return {};
    const QLocale locale(code);
    return locale.language() == QLocale::C ? code : QLocale::languageToString(locale.language());
}

// What XML 1.0 cannot hold at all, even as a character reference, goes.
QString xmlText(const QString& text) {
    QString out;
    out.reserve(text.size());
    for (const QChar c : text)
        if (c.unicode() >= 0x20 || c == QLatin1Char('\t'))
            if (c.unicode() != 0xFFFE && c.unicode() != 0xFFFF) out += c;
    return out;
}

}  // namespace

bool IsKvtml(const QByteArray& bytes) {
    QXmlStreamReader xml(bytes);
    GuardXml(xml);
    return xml.readNextStartElement() && xml.name() == QLatin1String("kvtml");
}

Reading ReadKvtml(const QByteArray& bytes) {
    QXmlStreamReader xml(bytes);
    GuardXml(xml);
    QMap<int, Identifier> identifiers;
    QVector<Entry> entries;
    Entry entry;
    QString title, languages[2];  // 1.0 names its languages on the first entry
    int identifier = -1, translation = -1;
    bool old = false;
    QStringList path;         // the open elements, from the root
    QString* into = nullptr;  // where the text of the element just opened goes
    const auto id = [&] {
        bool ok = false;
        const int n = xml.attributes().value(QLatin1String("id")).toInt(&ok);
        return ok ? n : -1;
    };
    // Only <entries>/<entry> makes a card: lessons, word types and the pairs of synonyms refer
    // to entries again, and conjugations and comparisons have texts of their own.
    while (!xml.atEnd()) {
        const QXmlStreamReader::TokenType token = xml.readNext();
        if (token == QXmlStreamReader::StartElement) {
            path << xml.name().toString();
            const QString at = path.join(QLatin1Char('/'));
            const QXmlStreamAttributes attributes = xml.attributes();
            into = nullptr;
            if (path.size() == 1) {
                old = attributes.value(QLatin1String("version")).toDouble() < 2;
                title = attributes.value(QLatin1String("title")).toString();
            } else if (at == QLatin1String("kvtml/information/title")) {
                into = &title;
            } else if (at == QLatin1String("kvtml/identifiers/identifier")) {
                identifier = id();
                if (identifier >= 0) identifiers[identifier];
            } else if (identifier >= 0 &&
                       at == QLatin1String("kvtml/identifiers/identifier/name")) {
                into = &identifiers[identifier].name;
            } else if (identifier >= 0 &&
                       at == QLatin1String("kvtml/identifiers/identifier/locale")) {
                into = &identifiers[identifier].locale;
            } else if (at == QLatin1String("kvtml/entries/entry") ||
                       (old && at == QLatin1String("kvtml/e"))) {
                entry = Entry();
                entry.line = int(xml.lineNumber());
            } else if (at == QLatin1String("kvtml/entries/entry/translation")) {
                translation = id();
            } else if (at == QLatin1String("kvtml/entries/entry/translation/text")) {
                if (translation == 0 || translation == 1) into = &entry.text[translation];
            } else if (at == QLatin1String("kvtml/entries/entry/translation/comment")) {
                if (translation == 0) into = &entry.comment;
            } else if (old && (at == QLatin1String("kvtml/e/o") ||
                               (at == QLatin1String("kvtml/e/t") && !entry.translated))) {
                const int side = at.endsWith(QLatin1Char('t'));
                into = &entry.text[side];
                entry.translated = entry.translated || side;
                if (entries.isEmpty())
                    languages[side] = attributes.value(QLatin1String("l")).toString();
            }
            if (into) into->clear();
        } else if (token == QXmlStreamReader::EndElement) {
            const QString at = path.join(QLatin1Char('/'));
            if (at == QLatin1String("kvtml/entries/entry") ||
                (old && at == QLatin1String("kvtml/e")))
                entries.append(entry);
            path.removeLast();
            into = nullptr;
        } else if (into && (token == QXmlStreamReader::Characters ||
                            token == QXmlStreamReader::EntityReference)) {
            *into += xml.text();
        }
    }
    if (xml.hasError()) throw Unreadable{QStringLiteral("it ") + XmlError(xml)};

    Deck deck;
    deck.name = plain(title);
    const bool wordList = !old && identifiers.size() == 1;
    for (const Entry& e : entries) {
        const QString side1 = plain(e.text[0]), side2 = plain(wordList ? e.comment : e.text[1]);
        // KWordQuiz saves the empty rows of its grid as entries with nothing in them.
        if (side1.isEmpty() && side2.isEmpty()) continue;
        if (!deck.rows.add(side1, side2, e.line)) deck.skipped.append(e.line);
    }
    const auto topic = [&](int k) {
        if (old) return languageName(plain(languages[k]));
        const Identifier i = identifiers.value(k);
        return i.name.trimmed().isEmpty() ? languageName(plain(i.locale)) : plain(i.name);
    };
    const QString side1 = topic(0), side2 = wordList ? QStringLiteral("Comment") : topic(1);
    if (!side1.isEmpty() && !side2.isEmpty()) deck.side1Topic = side1, deck.side2Topic = side2;
    Reading reading;
    reading.decks.append(std::move(deck));
    return reading;
}

QByteArray WriteKvtml(const QString& side1Topic, const QString& side2Topic,
                      const QVector<Row>& cards) {
    QByteArray out;
    QXmlStreamWriter xml(&out);
    xml.setAutoFormatting(true);
    xml.setAutoFormattingIndent(2);
    xml.writeStartDocument();
    xml.writeDTD(
        QStringLiteral("<!DOCTYPE kvtml PUBLIC \"kvtml2.dtd\" "
                       "\"http://edu.kde.org/kvtml/kvtml2.dtd\">"));
    xml.writeStartElement(QStringLiteral("kvtml"));
    xml.writeAttribute(QStringLiteral("version"), QStringLiteral("2.0"));
    const QString title = xmlText(side1Topic + QLatin1Char('/') + side2Topic);
    xml.writeStartElement(QStringLiteral("information"));
    xml.writeTextElement(QStringLiteral("generator"), QStringLiteral("Quorvane " QUORVANE_VERSION));
    xml.writeTextElement(QStringLiteral("title"), title);
    xml.writeEndElement();
    // KWordQuiz and Parley title their columns with the identifiers' names.
    xml.writeStartElement(QStringLiteral("identifiers"));
    for (int k = 0; k < 2; ++k) {
        xml.writeStartElement(QStringLiteral("identifier"));
        xml.writeAttribute(QStringLiteral("id"), QString::number(k));
        xml.writeTextElement(QStringLiteral("name"), xmlText(k ? side2Topic : side1Topic));
        xml.writeEndElement();
    }
    xml.writeEndElement();
    xml.writeStartElement(QStringLiteral("entries"));
    for (qsizetype i = 0; i < cards.size(); ++i) {
        xml.writeStartElement(QStringLiteral("entry"));
        xml.writeAttribute(QStringLiteral("id"), QString::number(i));
        for (int k = 0; k < 2; ++k) {
            xml.writeStartElement(QStringLiteral("translation"));
            xml.writeAttribute(QStringLiteral("id"), QString::number(k));
            xml.writeTextElement(QStringLiteral("text"),
                                 xmlText(k ? cards[i].side2 : cards[i].side1));
            xml.writeEndElement();
        }
        xml.writeEndElement();
    }
    xml.writeEndElement();
    // Parley practises the entries of lessons that are in practice.
    xml.writeStartElement(QStringLiteral("lessons"));
    xml.writeStartElement(QStringLiteral("container"));
    xml.writeTextElement(QStringLiteral("name"), title);
    xml.writeTextElement(QStringLiteral("inpractice"), QStringLiteral("true"));
    for (qsizetype i = 0; i < cards.size(); ++i) {
        xml.writeEmptyElement(QStringLiteral("entry"));
        xml.writeAttribute(QStringLiteral("id"), QString::number(i));
    }
    xml.writeEndDocument();
    return out;
}

}  // namespace exchange::kvtml

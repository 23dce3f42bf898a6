#include "Mnemosyne.h"

#include "AnkiText.h"
#include "Archive.h"
#include "Database.h"
#include "Failure.h"

#include <QDir>
#include <QHash>
#include <QTemporaryFile>
#include <QXmlStreamReader>

namespace exchange::mnemosyne {
namespace {

const QString kCards = QStringLiteral("cards.xml");
const QString kMetadata = QStringLiteral("METADATA");

// The built-in card types are not described in a card set: these are their views, and the fact
// keys each side shows. The cloze type ("5") makes its sides from its text.
struct View {
    QString type, id;
    QStringList question, answer;
};
const QVector<View>& builtInViews() {
    static const QVector<View> views = {
        {"1", "1.1", {"f"}, {"b"}},
        {"2", "2.1", {"f"}, {"b"}},
        {"2", "2.2", {"b"}, {"f"}},
        {"3", "3.1", {"f"}, {"p_1", "m_1", "n"}},
        {"3", "3.2", {"m_1"}, {"f", "p_1", "n"}},
    };
    return views;
}

struct Fact {
    QHash<QString, QString> html, text;  // by fact key; the text once a card shows the fact
};

struct Card {
    QString type, fact, view, extra;
};

// One <log> entry: a fact (type 16) or a card (type 6); tags, media files and card types are
// not needed. Its children are the fact keys, escaped as XML.
void readLog(QXmlStreamReader& xml, QHash<QString, Fact>& facts, QVector<Card>& cards) {
    const QXmlStreamAttributes attributes = xml.attributes();
    QHash<QString, QString> children;
    while (xml.readNextStartElement()) {
        QString key = xml.name().toString();
        // Keys that start with a digit are written with "___" before them.
        if (key.startsWith(QLatin1String("___"))) key.remove(0, 3);
        children.insert(key, xml.readElementText(QXmlStreamReader::IncludeChildElements));
    }
    const QStringView type = attributes.value(QLatin1String("type"));
    if (type == QLatin1String("16"))
        facts[attributes.value(QLatin1String("o_id")).toString()].html = std::move(children);
    else if (type == QLatin1String("6"))
        cards.append({attributes.value(QLatin1String("card_t")).toString(),
                      attributes.value(QLatin1String("fact")).toString(),
                      attributes.value(QLatin1String("fact_v")).toString(),
                      children.value(QStringLiteral("extra"))});
}

QString joined(const QHash<QString, QString>& text, const QStringList& keys) {
    QStringList shown;
    for (const QString& key : keys)
        if (!text.value(key).isEmpty()) shown << text.value(key);
    return shown.join(QLatin1Char(' '));
}

void keep(Deck& deck, const QString& side1, const QString& side2) {
    if (!deck.rows.add(side1, side2, 0)) deck.skipped.append(0);
}

void countMedia(Reading& reading, const anki::Media& media) {
    reading.leftOut[LeftOut::Picture].count += media.pictures;
    reading.leftOut[LeftOut::Sound].count += media.sounds;
    reading.leftOut[LeftOut::Video].count += media.videos;
}

// The card_set_name of METADATA ("key:value" lines, line breaks in a value written as <br>).
QString cardSetName(Archive& archive) {
    if (!archive.contains(kMetadata)) return {};
    const QStringList lines = QString::fromUtf8(archive.read(kMetadata, 1 << 20))
                                  .split(QLatin1Char('\n'), Qt::SkipEmptyParts);
    for (const QString& line : lines)
        if (line.section(QLatin1Char(':'), 0, 0) == QLatin1String("card_set_name"))
            return anki::HtmlToText(line.section(QLatin1Char(':'), 1));
    return {};
}

}  // namespace

bool IsCardSet(const QStringList& members) { return members.contains(kCards); }

std::pair<QString, QString> Cloze(const QString& text, int index) {
    QString question, answer;
    bool found = false;
    int n = 0;
    qsizetype from = 0;
    for (;;) {
        const qsizetype open = text.indexOf(QLatin1Char('['), from);
        const qsizetype close = open < 0 ? -1 : text.indexOf(QLatin1Char(']'), open + 1);
        if (close < 0) break;
        const QString inside = text.mid(open + 1, close - open - 1);
        question += QStringView(text).sliced(from, open - from);
        from = close + 1;
        // "[]" hides nothing.
        if (inside.isEmpty()) {
            question += QLatin1String("[]");
            continue;
        }
        const QString word = inside.section(QLatin1Char(':'), 0, 0);
        if (n++ == index) {
            const bool hint = inside.contains(QLatin1Char(':'));
            question += QLatin1Char('[') +
                        (hint ? inside.section(QLatin1Char(':'), 1) : QStringLiteral("...")) +
                        QLatin1Char(']');
            answer = word, found = true;
        } else {
            question += word;
        }
    }
    if (!found) return {};
    return {question + text.mid(from), answer};
}

int DictNumber(QStringView dict, QStringView key) {
    QString last;  // the string just read, while it may still be a key
    bool wanted = false;
    for (qsizetype i = 0; i < dict.size();) {
        const QChar c = dict[i];
        if (c == QLatin1Char('\'') || c == QLatin1Char('"')) {
            last.clear(), wanted = false;
            for (++i; i < dict.size() && dict[i] != c; ++i) {
                if (dict[i] == QLatin1Char('\\') && i + 1 < dict.size()) ++i;
                last += dict[i];
            }
            ++i;
        } else if (c == QLatin1Char(':')) {
            wanted = last == key, last.clear(), ++i;
        } else if (wanted && c.isDigit() && c.unicode() < 128) {
            qsizetype end = i;
            while (end < dict.size() && end - i < 9 && dict[end].isDigit() &&
                   dict[end].unicode() < 128)
                ++end;
            return dict.sliced(i, end - i).toInt();
        } else {
            if (!c.isSpace()) last.clear(), wanted = false;
            ++i;
        }
    }
    return -1;
}

Reading ReadCardSet(Archive& archive) {
    const QByteArray bytes = archive.read(kCards, kMaxUnpacked);
    QXmlStreamReader xml(bytes);
    GuardXml(xml);
    QHash<QString, Fact> facts;
    QVector<Card> cards;
    if (xml.readNextStartElement()) {
        if (xml.name() != QLatin1String("openSM2sync"))
            throw Unreadable{QStringLiteral("its cards.xml is not a list of Mnemosyne cards")};
        while (xml.readNextStartElement()) {
            if (xml.name() == QLatin1String("log"))
                readLog(xml, facts, cards);
            else
                xml.skipCurrentElement();
        }
    }
    if (xml.hasError()) throw Unreadable{QStringLiteral("its cards.xml ") + XmlError(xml)};

    Reading reading;
    Deck deck;
    for (const Card& card : cards) {
        const bool cloze = card.type == QLatin1String("5") && card.view == QLatin1String("5.1");
        const auto& views = builtInViews();
        const auto view = std::find_if(views.begin(), views.end(), [&](const View& v) {
            return v.type == card.type && v.id == card.view;
        });
        // Plugins' card types and the user's own clones of the built-in ones.
        if (!cloze && view == views.end()) {
            ++reading.leftOut[LeftOut::UnknownCardType].count;
            continue;
        }
        const auto fact = facts.find(card.fact);
        if (fact == facts.end()) {
            deck.skipped.append(0);
            continue;
        }
        // Each fact's text once, and its media counted once, however many cards show it.
        if (fact->text.isEmpty()) {
            anki::Media media;
            for (auto field = fact->html.cbegin(); field != fact->html.cend(); ++field)
                fact->text.insert(field.key(), anki::HtmlToText(field.value(), &media));
            countMedia(reading, media);
        }
        if (cloze) {
            const auto [question, answer] =
                Cloze(fact->html.value(QStringLiteral("text")), DictNumber(card.extra, u"index"));
            keep(deck, anki::HtmlToText(question), anki::HtmlToText(answer));
        } else {
            keep(deck, joined(fact->text, view->question), joined(fact->text, view->answer));
        }
    }
    deck.name = cardSetName(archive);
    QString name = deck.name;
    name.replace(QLatin1Char('/'), QLatin1Char('-')).replace(QLatin1Char('|'), QLatin1Char('-'));
    // The set's name tells it from other sets of Mnemosyne's cards.
    deck.side1Topic =
        (name.isEmpty() ? QString() : name + QStringLiteral(": ")) + QStringLiteral("Question");
    deck.side2Topic = QStringLiteral("Answer");
    reading.decks.append(std::move(deck));
    return reading;
}

Reading ReadDatabase(const QByteArray& bytes) {
    QTemporaryFile copy(QDir::tempPath() + QStringLiteral("/quorvane-XXXXXX.db"));
    if (!copy.open()) throw look::Failure(look::failures::PathFileAccessError);
    if (copy.write(bytes) != bytes.size() || !copy.flush())
        throw look::Failure(look::failures::DiskFull);
    const Database db(copy.fileName(), QStringLiteral("it"));
    QStringList tables;
    Query names(db, "SELECT name FROM sqlite_master WHERE type = 'table'");
    while (names.next()) tables << names.text(0);
    Reading reading;
    if (!tables.contains(QLatin1String("cards")) ||
        !tables.contains(QLatin1String("data_for_fact"))) {
        reading.problem = QStringLiteral(
            "is a database of another kind, not a Mnemosyne database or an Anki package");
        return reading;
    }
    // Mnemosyne keeps each card's question and answer as it shows them, the fields joined by
    // line breaks; inactive cards are those the user left out of study.
    Deck deck;
    deck.side1Topic = QStringLiteral("Question"), deck.side2Topic = QStringLiteral("Answer");
    anki::Media media;
    Query cards(db, "SELECT question, answer FROM cards WHERE active = 1 ORDER BY _id");
    while (cards.next())
        keep(deck, anki::HtmlToText(cards.text(0), &media),
             anki::HtmlToText(cards.text(1), &media));
    countMedia(reading, media);
    reading.decks.append(std::move(deck));
    return reading;
}

}  // namespace exchange::mnemosyne

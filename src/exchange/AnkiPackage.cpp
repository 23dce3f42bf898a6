#include "AnkiPackage.h"

#include "AnkiText.h"
#include "Archive.h"
#include "Database.h"
#include "Failure.h"

#include <sqlite3.h>
#include <zstd.h>
#include <QCryptographicHash>
#include <QDateTime>
#include <QDir>
#include <QHash>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QRegularExpression>
#include <QTemporaryFile>
#include <QtEndian>
#include <algorithm>
#include <map>
#include <optional>

namespace exchange::anki {
namespace {

const QString kLegacy = QStringLiteral("collection.anki2");
const QString kAnki21 = QStringLiteral("collection.anki21");
const QString kLatest = QStringLiteral("collection.anki21b");

struct NoteType {
    bool cloze = false;
    QStringList fields;
    QStringList questions, answers;  // the card templates' formats
    // Worked out from the formats once, for every note of the type.
    QVector<QVector<Shown>> questionShown, answerShown;
    // The sides' fields of a template without sections, the same for every note; or empty.
    QVector<std::optional<std::pair<QVector<int>, QVector<int>>>> fixed;
    int clozeField = 0, extraField = 1;
};

struct Collection {
    QHash<qint64, NoteType> types;
    QHash<qint64, QString> deckNames;  // levels joined with "::"
};

// The member that holds the real collection. Newer layouts keep a stub in collection.anki2 for
// older programs, which says only that a newer version is needed: it is never taken while the
// real one is there.
QString collectionMember(Archive& archive) {
    quint64 layout = 0;
    if (archive.contains(QStringLiteral("meta")) &&
        !ProtoVarint(archive.read(QStringLiteral("meta"), 1 << 16), 1, &layout))
        throw Unreadable{QStringLiteral("its description (\"meta\") is damaged")};
    if (layout > 3)
        throw Unreadable{QStringLiteral(
            "it was written in a newer layout than Quorvane knows; export it from Anki with "
            "\"Support older Anki versions\" ticked")};
    const QString named[] = {{}, kLegacy, kAnki21, kLatest};
    if (layout > 0) {
        if (!archive.contains(named[layout]))
            throw Unreadable{QStringLiteral("its collection \"%1\" is missing").arg(named[layout])};
        return named[layout];
    }
    for (const QString& member : {kLatest, kAnki21, kLegacy})
        if (archive.contains(member)) return member;
    throw Unreadable{QStringLiteral("it holds no collection")};
}

// Unpacks the collection into `copy`, through zstd for the latest layout.
void unpackCollection(Archive& archive, const QString& member, QFile& copy) {
    const auto write = [&](const char* data, qsizetype size) {
        if (copy.write(data, size) != size) throw look::Failure(look::failures::DiskFull);
    };
    if (member != kLatest) {
        archive.unpack(member, write);
        return;
    }
    ZSTD_DStream* stream = ZSTD_createDStream();
    if (!stream) throw look::Failure(look::failures::OutOfMemory);
    QByteArray out(qsizetype(ZSTD_DStreamOutSize()), Qt::Uninitialized);
    qint64 packed = 0, unpacked = 0;
    size_t last = 0;
    try {
        // The frame need not say its size: decompressed as a stream, piece by piece.
        archive.unpack(member, [&](const char* data, qsizetype size) {
            packed += size;
            ZSTD_inBuffer in{data, size_t(size), 0};
            while (in.pos < in.size) {
                ZSTD_outBuffer o{out.data(), size_t(out.size()), 0};
                last = ZSTD_decompressStream(stream, &o, &in);
                if (ZSTD_isError(last))
                    throw Unreadable{QStringLiteral("its collection is damaged (%1)")
                                         .arg(QString::fromUtf8(ZSTD_getErrorName(last)))};
                unpacked += qint64(o.pos);
                if (unpacked > kMaxUnpacked)
                    throw Unreadable{QStringLiteral("its collection unpacks to more than 1 GiB")};
                if (unpacked > qMax<qint64>(packed * kMaxRatio, 1 << 20))
                    throw Unreadable{QStringLiteral(
                        "its collection unpacks to more than 1,000 times its packed size")};
                write(out.constData(), qsizetype(o.pos));
            }
        });
    } catch (...) {
        ZSTD_freeDStream(stream);
        throw;
    }
    ZSTD_freeDStream(stream);
    if (last != 0) throw Unreadable{QStringLiteral("its collection breaks off")};
}

// The field that a cloze note type's question takes its clozes from: {{cloze:Text}}.
int clozeFieldOf(const QString& question, const QStringList& fields) {
    const qsizetype at = question.indexOf(QLatin1String("cloze:"));
    const qsizetype end = question.indexOf(QLatin1String("}}"), at);
    if (at < 0 || end < 0) return 0;
    const QString name = question.mid(at + 6, end - at - 6).trimmed();
    return qMax(0, int(fields.indexOf(name)));
}

void prepare(NoteType& type) {
    for (qsizetype t = 0; t < type.questions.size(); ++t) {
        type.questionShown.append(TemplateFields(type.questions[t], type.fields, false));
        type.answerShown.append(TemplateFields(type.answers.value(t), type.fields, true));
        const auto plain = [](const QVector<Shown>& shown) {
            return std::all_of(shown.begin(), shown.end(), [](const Shown& s) {
                return s.shownIf.isEmpty() && s.shownUnless.isEmpty();
            });
        };
        type.fixed.append(std::nullopt);
        if (plain(type.questionShown[t]) && plain(type.answerShown[t])) {
            const QVector<bool> all(type.fields.size(), true);
            const QVector<int> question = FieldsShown(type.questionShown[t], all);
            type.fixed.last().emplace(question, FieldsShown(type.answerShown[t], all, question));
        }
    }
    if (type.cloze && !type.questions.isEmpty())
        type.clozeField = clozeFieldOf(type.questions.first(), type.fields);
    type.extraField = type.clozeField == 1 ? 0 : 1;
}

QJsonArray byOrd(const QJsonValue& list) {
    QJsonArray items = list.toArray();
    std::vector<QJsonValue> sorted(items.begin(), items.end());
    std::stable_sort(sorted.begin(), sorted.end(), [](const QJsonValue& a, const QJsonValue& b) {
        return a[QLatin1String("ord")].toInt() < b[QLatin1String("ord")].toInt();
    });
    QJsonArray out;
    for (const QJsonValue& v : sorted) out.append(v);
    return out;
}

// Schema 11 keeps the note types and decks as JSON in the one row of col.
void readJsonSchema(const Database& db, Collection& col) {
    Query query(db, "SELECT models, decks FROM col");
    if (!query.next()) throw Unreadable{QStringLiteral("its collection is empty")};
    const QJsonObject models = QJsonDocument::fromJson(query.bytes(0).toByteArray()).object();
    for (auto it = models.begin(); it != models.end(); ++it) {
        const QJsonObject m = it.value().toObject();
        NoteType type;
        type.cloze = m[QLatin1String("type")].toInt() == 1;
        for (const QJsonValue f : byOrd(m[QLatin1String("flds")]))
            type.fields << f[QLatin1String("name")].toString();
        for (const QJsonValue t : byOrd(m[QLatin1String("tmpls")])) {
            type.questions << t[QLatin1String("qfmt")].toString();
            type.answers << t[QLatin1String("afmt")].toString();
        }
        prepare(type);
        col.types.insert(it.key().toLongLong(), type);
    }
    const QJsonObject decks = QJsonDocument::fromJson(query.bytes(1).toByteArray()).object();
    for (auto it = decks.begin(); it != decks.end(); ++it)
        col.deckNames.insert(it.key().toLongLong(), it.value()[QLatin1String("name")].toString());
}

// Schema 18 keeps them in tables of their own, their settings as protobuf. Fields and templates
// are taken only for note types that are there: stock note types can leave orphans behind.
void readTableSchema(const Database& db, Collection& col) {
    Query types(db, "SELECT id, config FROM notetypes");
    while (types.next()) {
        quint64 kind = 0;
        ProtoVarint(types.bytes(1), 1, &kind);
        col.types[types.integer(0)].cloze = kind == 1;
    }
    Query fields(db, "SELECT ntid, name FROM fields ORDER BY ntid, ord");
    while (fields.next())
        if (col.types.contains(fields.integer(0)))
            col.types[fields.integer(0)].fields << fields.text(1);
    Query templates(db, "SELECT ntid, config FROM templates ORDER BY ntid, ord");
    while (templates.next()) {
        if (!col.types.contains(templates.integer(0))) continue;
        NoteType& type = col.types[templates.integer(0)];
        QByteArrayView question, answer;
        ProtoBytes(templates.bytes(1), 1, &question);
        ProtoBytes(templates.bytes(1), 2, &answer);
        type.questions << QString::fromUtf8(question);
        type.answers << QString::fromUtf8(answer);
    }
    for (NoteType& type : col.types) prepare(type);
    Query decks(db, "SELECT id, name FROM decks ORDER BY name");
    while (decks.next())
        col.deckNames.insert(decks.integer(0),
                             decks.text(1).replace(QChar(0x1F), QLatin1String("::")));
}

QString joined(const QStringList& texts, const QVector<int>& fields) {
    QString out;
    for (int f : fields) {
        const QString& text = texts.at(f);
        if (text.isEmpty()) continue;
        if (!out.isEmpty()) out += QLatin1Char(' ');
        // One field, the usual side, is shared rather than copied.
        out = out.isEmpty() ? text : out + text;
    }
    return out;
}

// One note's fields, read once for all its cards.
struct Note {
    QStringList html, text;
    QVector<bool> filled;
    bool occlusion = false;
};

void readNote(Note& note, QByteArrayView flds, const NoteType& type, Reading& reading) {
    note.html.clear(), note.text.clear(), note.filled.clear();
    for (QByteArrayView rest = flds;;) {
        const qsizetype sep = rest.indexOf('\x1f');
        note.html << QString::fromUtf8(sep < 0 ? rest : rest.first(sep));
        if (sep < 0) break;
        rest = rest.sliced(sep + 1);
    }
    while (note.html.size() < type.fields.size()) note.html << QString();
    note.occlusion = type.cloze && IsImageOcclusion(note.html.at(type.clozeField));
    Media media;
    for (const QString& html : note.html) {
        Media own;
        note.text << HtmlToText(html, &own);
        note.filled << (!note.text.last().isEmpty() || own.pictures || own.sounds);
        media.pictures += own.pictures, media.sounds += own.sounds, media.videos += own.videos;
    }
    if (note.occlusion) {
        ++reading.leftOut[LeftOut::ImageOcclusionNote].count;
        return;
    }
    reading.leftOut[LeftOut::Picture].count += media.pictures;
    reading.leftOut[LeftOut::Sound].count += media.sounds;
    reading.leftOut[LeftOut::Video].count += media.videos;
}

// The two sides of card `ord` of the note; empty texts for a card that has none.
std::pair<QString, QString> sidesOf(const Note& note, const NoteType& type, int ord) {
    if (type.cloze) {
        const ClozeSides cloze = Cloze(note.html.at(type.clozeField), ord + 1);
        if (!cloze.found) return {};
        QString side2 = HtmlToText(cloze.side2);
        const QString extra = note.text.value(type.extraField);
        if (!extra.isEmpty()) side2 += (side2.isEmpty() ? QString() : QStringLiteral(" ")) + extra;
        return {HtmlToText(cloze.side1), side2};
    }
    if (ord < 0 || ord >= type.questionShown.size()) return {};
    // An empty field adds nothing to a side either way.
    if (const auto& fixed = type.fixed[ord])
        return {joined(note.text, fixed->first), joined(note.text, fixed->second)};
    const QVector<int> question = FieldsShown(type.questionShown[ord], note.filled);
    const QVector<int> answer = FieldsShown(type.answerShown[ord], note.filled, question);
    return {joined(note.text, question), joined(note.text, answer)};
}

Reading readCollection(const Database& db) {
    Query version(db, "SELECT ver FROM col");
    if (!version.next()) throw Unreadable{QStringLiteral("its collection is empty")};
    Collection col;
    if (version.integer(0) >= 15)
        readTableSchema(db, col);
    else
        readJsonSchema(db, col);

    // The cards in note order, then the notes in theirs: two plain scans, no lookups. A card
    // moved to a filtered deck belongs to its home deck.
    struct Card {
        qint64 note, deck;
        int ord;
    };
    std::vector<Card> cards;
    Query cardRows(db, "SELECT nid, CASE WHEN odid != 0 THEN odid ELSE did END, ord FROM cards");
    while (cardRows.next())
        cards.push_back({cardRows.integer(0), cardRows.integer(1), int(cardRows.integer(2))});
    std::sort(cards.begin(), cards.end(), [](const Card& a, const Card& b) {
        return a.note != b.note ? a.note < b.note : a.ord < b.ord;
    });

    Reading reading;
    struct DeckCards {
        Deck deck;
        QHash<qint64, int> typeUse;  // cards per note type
    };
    std::map<qint64, DeckCards> decks;
    DeckCards* last = nullptr;  // the deck of the card before, most often the next one's
    qint64 lastDeck = 0;
    Note note;
    auto card = cards.cbegin();
    Query notes(db, "SELECT id, mid, flds FROM notes ORDER BY id");
    while (card != cards.cend() && notes.next()) {
        const qint64 id = notes.integer(0);
        // Cards whose note is gone have nothing to show.
        while (card != cards.cend() && card->note < id) ++card;
        if (card == cards.cend() || card->note != id) continue;
        const auto type = col.types.constFind(notes.integer(1));
        if (type != col.types.constEnd()) readNote(note, notes.bytes(2), *type, reading);
        for (; card != cards.cend() && card->note == id; ++card) {
            if (!last || lastDeck != card->deck) last = &decks[card->deck], lastDeck = card->deck;
            Deck& deck = last->deck;
            if (type == col.types.constEnd()) {
                deck.skipped.append(0);
                continue;
            }
            if (note.occlusion) {
                ++reading.leftOut[LeftOut::ImageOcclusionNote].cards;
                continue;
            }
            ++last->typeUse[type.key()];
            const auto [side1, side2] = sidesOf(note, *type, card->ord);
            if (!deck.rows.add(side1, side2, 0)) deck.skipped.append(0);
        }
    }
    for (auto& [did, cardsOf] : decks) {
        Deck& deck = cardsOf.deck;
        if (deck.rows.isEmpty() && deck.skipped.isEmpty()) continue;
        deck.name = col.deckNames.value(did, QStringLiteral("Deck %1").arg(did));
        const QHash<qint64, int>& use = cardsOf.typeUse;
        const auto most = std::max_element(use.begin(), use.end());
        const QStringList fields = most == use.end() ? QStringList() : col.types[most.key()].fields;
        if (fields.size() >= 2) deck.side1Topic = fields[0], deck.side2Topic = fields[1];
        reading.decks.append(std::move(deck));
    }
    std::stable_sort(reading.decks.begin(), reading.decks.end(),
                     [](const Deck& a, const Deck& b) { return a.name < b.name; });
    return reading;
}

// Runs `sql` on the new collection; it is our own, so a failure is a fault of the machine.
void exec(sqlite3* db, const QByteArray& sql) {
    if (sqlite3_exec(db, sql.constData(), nullptr, nullptr, nullptr) != SQLITE_OK)
        throw look::Failure(look::failures::OutOfMemory);
}

// Anki refuses these characters in field names, and a name starting with #, / or ^.
QString fieldName(QString topic) {
    topic.remove(QRegularExpression(QStringLiteral("[:{}\"]")));
    while (!topic.isEmpty() && QStringLiteral("#/^").contains(topic.front())) topic.remove(0, 1);
    return topic.trimmed().isEmpty() ? QStringLiteral("Side") : topic.trimmed();
}

QByteArray json(const QJsonObject& object) {
    return QJsonDocument(object).toJson(QJsonDocument::Compact);
}

}  // namespace

bool IsPackage(const QStringList& members) {
    return members.contains(kLegacy) || members.contains(kAnki21) || members.contains(kLatest);
}

Reading ReadPackage(const QByteArray& bytes) {
    Archive archive(bytes);
    if (!archive.isZip()) throw Unreadable{QStringLiteral("it is not a whole ZIP archive")};
    const QString member = collectionMember(archive);
    QTemporaryFile copy(QDir::tempPath() + QStringLiteral("/quorvane-XXXXXX.collection"));
    if (!copy.open()) throw look::Failure(look::failures::PathFileAccessError);
    unpackCollection(archive, member, copy);
    if (!copy.flush()) throw look::Failure(look::failures::DiskFull);
    const Database db(copy.fileName());
    return readCollection(db);
}

QByteArray WritePackage(const QString& side1Topic, const QString& side2Topic,
                        const QVector<Row>& cards) {
    const QString deckName = side1Topic + QLatin1Char('/') + side2Topic;
    // The same set gets the same ids, so that Anki takes a second export as an update.
    const QByteArray digest = QCryptographicHash::hash(deckName.toUtf8(), QCryptographicHash::Sha1);
    const qint64 base =
        1'400'000'000'000 + qint64(qFromBigEndian<quint32>(digest.constData())) * 1000;
    const qint64 noteType = base, deck = base + 1;
    const qint64 now = QDateTime::currentSecsSinceEpoch();
    const QString field1 = fieldName(side1Topic);
    QString field2 = fieldName(side2Topic);
    if (field2 == field1) field2 += QStringLiteral(" 2");

    QJsonObject fieldTemplate{{"sticky", false},
                              {"rtl", false},
                              {"font", "Arial"},
                              {"size", 20},
                              {"media", QJsonArray()}};
    QJsonArray fields;
    for (const QString& name : {field1, field2}) {
        QJsonObject f = fieldTemplate;
        f["name"] = name, f["ord"] = int(fields.size());
        fields.append(f);
    }
    const QJsonObject model{
        {"id", noteType},
        {"name", QStringLiteral("Quorvane: ") + deckName},
        {"type", 0},
        {"mod", now},
        {"usn", -1},
        {"sortf", 0},
        {"did", deck},
        {"flds", fields},
        {"tmpls",
         QJsonArray{QJsonObject{
             {"name", "Card 1"},
             {"ord", 0},
             {"qfmt", QStringLiteral("{{%1}}").arg(field1)},
             {"afmt", QStringLiteral("{{FrontSide}}\n\n<hr id=answer>\n\n{{%1}}").arg(field2)},
             {"bqfmt", ""},
             {"bafmt", ""},
             {"did", QJsonValue()}}}},
        {"css", ".card {\n font-family: arial;\n font-size: 20px;\n text-align: center;\n}\n"},
        {"latexPre", "\\documentclass[12pt]{article}\n\\begin{document}\n"},
        {"latexPost", "\\end{document}"},
        {"latexsvg", false},
        {"req", QJsonArray{QJsonArray{0, "any", QJsonArray{0}}}},
        {"tags", QJsonArray()},
        {"vers", QJsonArray()}};
    const auto deckJson = [&](qint64 id, const QString& name) {
        return QJsonObject{{"id", id},
                           {"name", name},
                           {"mod", now},
                           {"usn", -1},
                           {"desc", ""},
                           {"dyn", 0},
                           {"conf", 1},
                           {"collapsed", false},
                           {"browserCollapsed", false},
                           {"extendNew", 0},
                           {"extendRev", 0},
                           {"newToday", QJsonArray{0, 0}},
                           {"revToday", QJsonArray{0, 0}},
                           {"lrnToday", QJsonArray{0, 0}},
                           {"timeToday", QJsonArray{0, 0}}};
    };
    const QJsonObject decks{{"1", deckJson(1, QStringLiteral("Default"))},
                            {QString::number(deck), deckJson(deck, deckName)}};
    const QJsonObject options{{"1", QJsonObject{{"id", 1},
                                                {"name", "Default"},
                                                {"mod", now},
                                                {"usn", -1},
                                                {"maxTaken", 60},
                                                {"autoplay", true},
                                                {"timer", 0},
                                                {"replayq", true},
                                                {"dyn", false},
                                                {"new", QJsonObject{{"bury", false},
                                                                    {"delays", QJsonArray{1, 10}},
                                                                    {"initialFactor", 2500},
                                                                    {"ints", QJsonArray{1, 4, 0}},
                                                                    {"order", 1},
                                                                    {"perDay", 20},
                                                                    {"separate", true}}},
                                                {"rev", QJsonObject{{"bury", false},
                                                                    {"ease4", 1.3},
                                                                    {"fuzz", 0.05},
                                                                    {"ivlFct", 1},
                                                                    {"maxIvl", 36500},
                                                                    {"perDay", 200},
                                                                    {"minSpace", 1}}},
                                                {"lapse", QJsonObject{{"delays", QJsonArray{10}},
                                                                      {"leechAction", 1},
                                                                      {"leechFails", 8},
                                                                      {"minInt", 1},
                                                                      {"mult", 0}}}}}};
    const QJsonObject conf{{"activeDecks", QJsonArray{deck}},
                           {"curDeck", deck},
                           {"curModel", noteType},
                           {"nextPos", int(cards.size()) + 1},
                           {"newSpread", 0},
                           {"collapseTime", 1200},
                           {"timeLim", 0},
                           {"estTimes", true},
                           {"dueCounts", true},
                           {"sortType", "noteFld"},
                           {"sortBackwards", false},
                           {"addToCur", true}};

    sqlite3* db = nullptr;
    if (sqlite3_open(":memory:", &db) != SQLITE_OK) {
        sqlite3_close(db);
        throw look::Failure(look::failures::OutOfMemory);
    }
    QByteArray out;
    try {
        exec(db,
             "CREATE TABLE col (id integer primary key, crt integer not null, mod integer not "
             "null, scm integer not null, ver integer not null, dty integer not null, usn "
             "integer not null, ls integer not null, conf text not null, models text not null, "
             "decks text not null, dconf text not null, tags text not null);"
             "CREATE TABLE notes (id integer primary key, guid text not null, mid integer not "
             "null, mod integer not null, usn integer not null, tags text not null, flds text "
             "not null, sfld integer not null, csum integer not null, flags integer not null, "
             "data text not null);"
             "CREATE TABLE cards (id integer primary key, nid integer not null, did integer not "
             "null, ord integer not null, mod integer not null, usn integer not null, type "
             "integer not null, queue integer not null, due integer not null, ivl integer not "
             "null, factor integer not null, reps integer not null, lapses integer not null, "
             "left integer not null, odue integer not null, odid integer not null, flags "
             "integer not null, data text not null);"
             "CREATE TABLE revlog (id integer primary key, cid integer not null, usn integer not "
             "null, ease integer not null, ivl integer not null, lastIvl integer not null, "
             "factor integer not null, time integer not null, type integer not null);"
             "CREATE TABLE graves (usn integer not null, oid integer not null, type integer not "
             "null);"
             "CREATE INDEX ix_notes_usn ON notes (usn);"
             "CREATE INDEX ix_cards_usn ON cards (usn);"
             "CREATE INDEX ix_revlog_usn ON revlog (usn);"
             "CREATE INDEX ix_cards_nid ON cards (nid);"
             "CREATE INDEX ix_cards_sched ON cards (did, queue, due);"
             "CREATE INDEX ix_revlog_cid ON revlog (cid);"
             "CREATE INDEX ix_notes_csum ON notes (csum);"
             "BEGIN");
        sqlite3_stmt* col = nullptr;
        sqlite3_prepare_v2(db, "INSERT INTO col VALUES (1, ?, ?, ?, 11, 0, 0, 0, ?, ?, ?, ?, '{}')",
                           -1, &col, nullptr);
        const QByteArray texts[] = {json(conf),
                                    json(QJsonObject{{QString::number(noteType), model}}),
                                    json(decks), json(options)};
        sqlite3_bind_int64(col, 1, now - now % 86400);
        sqlite3_bind_int64(col, 2, now * 1000);
        sqlite3_bind_int64(col, 3, now * 1000);
        for (int i = 0; i < 4; ++i)
            sqlite3_bind_text(col, 4 + i, texts[i].constData(), int(texts[i].size()),
                              SQLITE_STATIC);
        const bool colWritten = sqlite3_step(col) == SQLITE_DONE;
        sqlite3_finalize(col);
        if (!colWritten) throw look::Failure(look::failures::OutOfMemory);

        sqlite3_stmt* note = nullptr;
        sqlite3_stmt* card = nullptr;
        sqlite3_prepare_v2(db, "INSERT INTO notes VALUES (?, ?, ?, ?, -1, '', ?, ?, ?, 0, '')", -1,
                           &note, nullptr);
        sqlite3_prepare_v2(db,
                           "INSERT INTO cards VALUES (?, ?, ?, 0, ?, -1, 0, 0, ?, 0, 0, 0, 0, 0, "
                           "0, 0, 0, '')",
                           -1, &card, nullptr);
        QHash<QByteArray, int> seen;  // equal cards get guids of their own
        bool ok = note && card;
        for (qsizetype i = 0; ok && i < cards.size(); ++i) {
            const Row& row = cards[i];
            const QByteArray flds =
                (TextToHtml(row.side1) + QChar(0x1F) + TextToHtml(row.side2)).toUtf8();
            const QByteArray sfld = row.side1.toUtf8();
            const QByteArray key = flds + '\x1f' + deckName.toUtf8();
            const QByteArray hash = QCryptographicHash::hash(key + QByteArray::number(seen[key]++),
                                                             QCryptographicHash::Sha1);
            const QByteArray guid = hash.left(8).toBase64(QByteArray::OmitTrailingEquals);
            const qint64 id = base + 1000 + i;
            const qint64 checksum = qFromBigEndian<quint32>(
                QCryptographicHash::hash(sfld, QCryptographicHash::Sha1).constData());
            sqlite3_bind_int64(note, 1, id);
            sqlite3_bind_text(note, 2, guid.constData(), int(guid.size()), SQLITE_TRANSIENT);
            sqlite3_bind_int64(note, 3, noteType);
            sqlite3_bind_int64(note, 4, now);
            sqlite3_bind_text(note, 5, flds.constData(), int(flds.size()), SQLITE_TRANSIENT);
            sqlite3_bind_text(note, 6, sfld.constData(), int(sfld.size()), SQLITE_TRANSIENT);
            sqlite3_bind_int64(note, 7, checksum);
            sqlite3_bind_int64(card, 1, id);
            sqlite3_bind_int64(card, 2, id);
            sqlite3_bind_int64(card, 3, deck);
            sqlite3_bind_int64(card, 4, now);
            sqlite3_bind_int64(card, 5, i + 1);
            ok = sqlite3_step(note) == SQLITE_DONE && sqlite3_step(card) == SQLITE_DONE;
            sqlite3_reset(note), sqlite3_reset(card);
        }
        sqlite3_finalize(note);
        sqlite3_finalize(card);
        if (!ok) throw look::Failure(look::failures::OutOfMemory);
        exec(db, "COMMIT");
        sqlite3_int64 size = 0;
        unsigned char* image = sqlite3_serialize(db, "main", &size, 0);
        if (!image) throw look::Failure(look::failures::OutOfMemory);
        out = QByteArray(reinterpret_cast<const char*>(image), qsizetype(size));
        sqlite3_free(image);
    } catch (...) {
        sqlite3_close(db);
        throw;
    }
    sqlite3_close(db);
    return WriteArchive({{kLegacy, out}, {QStringLiteral("media"), QByteArrayLiteral("{}")}});
}

}  // namespace exchange::anki

#include "Import.h"

#include "AnkiPackage.h"
#include "Archive.h"
#include "Codec.h"
#include "Database.h"
#include "Files.h"
#include "Kvtml.h"
#include "Mnemosyne.h"

#include <QFileInfo>
#include <QLocale>
#include <QSet>
#include <QStringDecoder>
#include <QXmlStreamReader>

namespace exchange {
namespace {

QString suffixOf(const QString& fileName) { return QFileInfo(fileName).suffix().toLower(); }

QString number(qsizetype n) { return QLocale(QLocale::English).toString(qlonglong(n)); }

QString counted(qsizetype n, const char* one, const char* many) {
    return number(n) + QLatin1Char(' ') + QLatin1String(n == 1 ? one : many);
}

// What the archive is, when it is none of the packages read: the likely one is a workbook.
QString zipKind(Archive& archive) {
    const QStringList& names = archive.names();
    QByteArray mimetype;
    try {
        if (archive.contains(QStringLiteral("mimetype")))
            mimetype = archive.read(QStringLiteral("mimetype"), 256);
    } catch (const Unreadable&) {
    }
    if (names.contains(QStringLiteral("xl/workbook.xml")) ||
        mimetype.startsWith("application/vnd.oasis.opendocument.spreadsheet"))
        return QStringLiteral("is a spreadsheet workbook: save it as CSV first");
    if (names.contains(QStringLiteral("word/document.xml")) ||
        mimetype.startsWith("application/vnd.oasis.opendocument.text"))
        return QStringLiteral("is a word-processor document: save its cards as CSV first");
    return QStringLiteral("is a ZIP archive that holds no Anki collection or Mnemosyne cards");
}

// What a file of none of the formats read looks like, or an empty text when it may be text.
QString binaryKind(const QByteArray& bytes) {
    static const std::pair<QByteArrayView, const char*> kinds[] = {
        {QByteArrayView("\xD0\xCF\x11\xE0\xA1\xB1\x1A\xE1", 8),
         "is a spreadsheet workbook or another Office document: save it as CSV first"},
        {"%PDF-", "is a PDF document, not a list of cards"},
        {"\x28\xB5\x2F\xFD", "is a zstd-compressed file: unpack it first"},
    };
    for (const auto& [magic, kind] : kinds)
        if (bytes.startsWith(magic)) return QString::fromLatin1(kind);
    if (bytes.contains('\0'))
        return QStringLiteral("is not a list of cards: it holds binary data (NUL bytes)");
    return {};
}

Reading fromTable(const Table& table, const QString& fileName) {
    Reading reading;
    if (!table.problem.isEmpty()) {
        reading.problem = QStringLiteral("cannot be read as a list of cards: ") + table.problem;
        return reading;
    }
    Deck deck;
    deck.rows = table.rows;
    deck.skipped = table.skipped;
    if (table.titled)
        deck.name = table.title.isEmpty() ? QFileInfo(fileName).completeBaseName() : table.title;
    if (table.firstRowIsCard()) {
        deck.side1Topic = table.rows.first().side1, deck.side2Topic = table.rows.first().side2;
        deck.topicsInFirstRow = true;
    }
    reading.decks.append(std::move(deck));
    return reading;
}

}  // namespace

int Reading::rowCount() const {
    int n = 0;
    for (const Deck& deck : decks) n += int(deck.rows.size());
    return n;
}

QVector<int> Reading::skipped() const {
    QVector<int> all;
    for (const Deck& deck : decks) all += deck.skipped;
    return all;
}

bool IsReadableFileName(const QString& fileName) {
    static const QSet<QString> suffixes = {"apkg", "colpkg", "cards", "db", "kvtml", "gz"};
    return IsListFileName(fileName) || suffixes.contains(suffixOf(fileName));
}

bool IsWritableFileName(const QString& fileName) {
    const QString suffix = suffixOf(fileName);
    return IsListFileName(fileName) || suffix == QLatin1String("apkg") ||
           suffix == QLatin1String("kvtml");
}

void GuardXml(QXmlStreamReader& xml) { xml.setEntityExpansionLimit(4096); }

QString XmlError(const QXmlStreamReader& xml) {
    QString why = xml.errorString();
    if (why.endsWith(QLatin1Char('.'))) why.chop(1);
    return QStringLiteral("is not well-formed XML (line %1: %2)").arg(xml.lineNumber()).arg(why);
}

Reading ReadCards(const QByteArray& bytes, const QString& fileName) {
    Reading reading;
    QString kind = QStringLiteral("an Anki package");  // what the file was taken for
    bool list = false;
    try {
        if (bytes.startsWith("PK\x03\x04") || bytes.startsWith("PK\x05\x06")) {
            Archive archive(bytes);
            if (!archive.isZip()) {
                reading.problem = QStringLiteral("is a damaged ZIP archive");
            } else if (anki::IsPackage(archive.names())) {
                reading = anki::ReadPackage(bytes);
            } else if (mnemosyne::IsCardSet(archive.names())) {
                kind = QStringLiteral("Mnemosyne cards");
                reading = mnemosyne::ReadCardSet(archive);
            } else {
                reading.problem = zipKind(archive);
            }
        } else if (IsDatabase(bytes)) {
            kind = QStringLiteral("a Mnemosyne database");
            reading = mnemosyne::ReadDatabase(bytes);
        } else if (bytes.startsWith("\x1F\x8B")) {
            // KWordQuiz and Parley may save their files compressed.
            kind = QStringLiteral("a gzip-compressed file");
            const QByteArray unpacked = Gunzip(bytes);
            kind = QStringLiteral("a KVTML file");
            if (kvtml::IsKvtml(unpacked))
                reading = kvtml::ReadKvtml(unpacked);
            else
                reading.problem = QStringLiteral("is a gzip-compressed file: unpack it first");
        } else if (kvtml::IsKvtml(bytes)) {
            kind = QStringLiteral("a KVTML file");
            reading = kvtml::ReadKvtml(bytes);
        } else if (bytes.startsWith("\xFF\xFE") || bytes.startsWith("\xFE\xFF")) {
            // Text in UTF-16, as spreadsheets save "Unicode text": read as the same text in UTF-8.
            QStringDecoder utf16(QStringDecoder::Utf16, QStringDecoder::Flag::ConvertInitialBom);
            reading = fromTable(ReadTable(QString(utf16(bytes)).toUtf8(), fileName), fileName);
            list = true;
        } else {
            reading.problem = binaryKind(bytes);
            list = reading.problem.isEmpty();
            if (list) reading = fromTable(ReadTable(bytes, fileName), fileName);
        }
    } catch (const Unreadable& unreadable) {
        reading = Reading();
        reading.problem =
            QStringLiteral("cannot be read as ") + kind + QStringLiteral(": ") + unreadable.why;
    }
    if (reading.decks.size() > 1) DistinguishTopics(reading.decks);
    // A deck with no name of its own is named by its file; a list is no deck by name.
    if (reading.decks.size() == 1 && reading.decks[0].name.isEmpty() && !list)
        reading.decks[0].name = QFileInfo(fileName).completeBaseName();
    return reading;
}

QByteArray WriteCards(const QString& side1Topic, const QString& side2Topic,
                      const QVector<Row>& cards, const QString& fileName) {
    if (suffixOf(fileName) == QLatin1String("apkg"))
        return anki::WritePackage(side1Topic, side2Topic, cards);
    if (suffixOf(fileName) == QLatin1String("kvtml"))
        return kvtml::WriteKvtml(side1Topic, side2Topic, cards);
    return WriteTable(side1Topic, side2Topic, cards, fileName);
}

void DistinguishTopics(QVector<Deck>& decks) {
    const auto fileOf = [](const Deck& d) {
        return Main::MakeSetFileName(d.side1Topic + d.side2Topic).toLower();
    };
    QStringList proposed;
    for (const Deck& deck : decks) proposed << deck.side1Topic;
    // The deck's own name first; the whole name where two decks of one name still clash.
    for (const bool whole : {false, true}) {
        QHash<QString, int> uses;
        for (const Deck& deck : decks)
            if (!deck.side1Topic.isEmpty()) ++uses[fileOf(deck)];
        for (qsizetype i = 0; i < decks.size(); ++i) {
            Deck& deck = decks[i];
            if (deck.side1Topic.isEmpty() || uses.value(fileOf(deck)) < 2) continue;
            QString name = whole ? deck.name : deck.name.section(QLatin1String("::"), -1);
            // A topic cannot hold these.
            name.replace(QLatin1Char('/'), QLatin1Char('-'))
                .replace(QLatin1Char('|'), QLatin1Char('-'));
            deck.side1Topic = name + QStringLiteral(": ") + proposed[i];
        }
    }
}

QString OmissionReport(const Reading& reading) {
    QString out;
    const QVector<int> skipped = reading.skipped();
    const bool lines = std::any_of(skipped.begin(), skipped.end(), [](int l) { return l > 0; });
    if (lines)
        out = SkipReport(skipped);
    else if (!skipped.isEmpty())
        out =
            QStringLiteral(" %1 skipped: a side was empty or held '|'.")
                .arg(skipped.size() == 1 ? QStringLiteral("1 card was")
                                         : number(skipped.size()) + QStringLiteral(" cards were"));
    QStringList media, others;
    const auto count = [&](LeftOut kind) { return reading.leftOut.value(kind); };
    if (count(LeftOut::Picture).count)
        media << counted(count(LeftOut::Picture).count, "picture", "pictures");
    if (count(LeftOut::Sound).count)
        media << counted(count(LeftOut::Sound).count, "sound", "sounds");
    if (count(LeftOut::Video).count)
        media << counted(count(LeftOut::Video).count, "video", "videos");
    if (!media.isEmpty()) {
        const QString last = media.takeLast();
        others << (media.isEmpty() ? last : media.join(u", ") + QStringLiteral(" and ") + last) +
                      QStringLiteral(" (a card holds text only)");
    }
    if (const Omitted io = count(LeftOut::ImageOcclusionNote); io.count)
        others << counted(io.count, "image-occlusion note", "image-occlusion notes") +
                      QStringLiteral(" (%1)").arg(counted(io.cards, "card", "cards"));
    if (const int unknown = count(LeftOut::UnknownCardType).count)
        others << counted(unknown, "card of a card type Quorvane does not know",
                          "cards of card types Quorvane does not know");
    if (!others.isEmpty())
        out += QStringLiteral(" Left out: ") + others.join(u", ") + QLatin1Char('.');
    return out;
}

QString ImportReport(const Reading& reading, int imported, int sets) {
    return QStringLiteral("Imported %1%2.")
               .arg(counted(imported, "card", "cards"),
                    sets > 1 ? QStringLiteral(" into %1 sets").arg(number(sets)) : QString()) +
           OmissionReport(reading);
}

}  // namespace exchange

#include "Import.h"

#include "AnkiPackage.h"
#include "Archive.h"
#include "Codec.h"
#include "Database.h"
#include "Files.h"

#include <QFileInfo>
#include <QLocale>
#include <QSet>
#include <QStringDecoder>

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
    return QStringLiteral("is a ZIP archive that holds no Anki collection");
}

// What a file of none of the formats read looks like, or an empty text when it may be text.
QString binaryKind(const QByteArray& bytes) {
    static const std::pair<QByteArrayView, const char*> kinds[] = {
        {QByteArrayView("\xD0\xCF\x11\xE0\xA1\xB1\x1A\xE1", 8),
         "is a spreadsheet workbook or another Office document: save it as CSV first"},
        {"%PDF-", "is a PDF document, not a list of cards"},
        {"\x1F\x8B", "is a gzip-compressed file: unpack it first"},
        {"\x28\xB5\x2F\xFD", "is a zstd-compressed file: unpack it first"},
    };
    if (IsDatabase(bytes))
        return QStringLiteral("is a database of another kind, not an Anki package");
    for (const auto& [magic, kind] : kinds)
        if (bytes.startsWith(magic)) return QString::fromLatin1(kind);
    if (bytes.contains('\0'))
        return QStringLiteral("is not a list of cards: it holds binary data (NUL bytes)");
    return {};
}

Reading fromTable(const Table& table) {
    Reading reading;
    if (!table.problem.isEmpty()) {
        reading.problem = QStringLiteral("cannot be read as a list of cards: ") + table.problem;
        return reading;
    }
    Deck deck;
    deck.rows = table.rows;
    deck.skipped = table.skipped;
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
    const QString suffix = suffixOf(fileName);
    return IsListFileName(fileName) || suffix == QLatin1String("apkg") ||
           suffix == QLatin1String("colpkg");
}

bool IsWritableFileName(const QString& fileName) {
    return IsListFileName(fileName) || suffixOf(fileName) == QLatin1String("apkg");
}

Reading ReadCards(const QByteArray& bytes, const QString& fileName) {
    Reading reading;
    try {
        if (bytes.startsWith("PK\x03\x04") || bytes.startsWith("PK\x05\x06")) {
            Archive archive(bytes);
            if (!archive.isZip())
                reading.problem = QStringLiteral("is a damaged ZIP archive");
            else if (!anki::IsPackage(archive.names()))
                reading.problem = zipKind(archive);
            else
                reading = anki::ReadPackage(bytes);
        } else if (bytes.startsWith("\xFF\xFE") || bytes.startsWith("\xFE\xFF")) {
            // Text in UTF-16, as spreadsheets save "Unicode text": read as the same text in UTF-8.
            QStringDecoder utf16(QStringDecoder::Utf16, QStringDecoder::Flag::ConvertInitialBom);
            reading = fromTable(ReadTable(QString(utf16(bytes)).toUtf8(), fileName));
        } else {
            reading.problem = binaryKind(bytes);
            if (reading.problem.isEmpty()) reading = fromTable(ReadTable(bytes, fileName));
        }
    } catch (const Unreadable& unreadable) {
        reading = Reading();
        reading.problem = QStringLiteral("cannot be read as an Anki package: ") + unreadable.why;
    }
    if (reading.decks.size() > 1) DistinguishTopics(reading.decks);
    return reading;
}

QByteArray WriteCards(const QString& side1Topic, const QString& side2Topic,
                      const QVector<Row>& cards, const QString& fileName) {
    if (suffixOf(fileName) == QLatin1String("apkg"))
        return anki::WritePackage(side1Topic, side2Topic, cards);
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
    if (!media.isEmpty())
        others << media.join(QStringLiteral(" and ")) + QStringLiteral(" (a card holds text only)");
    if (const Omitted io = count(LeftOut::ImageOcclusionNote); io.count)
        others << counted(io.count, "image-occlusion note", "image-occlusion notes") +
                      QStringLiteral(" (%1)").arg(counted(io.cards, "card", "cards"));
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

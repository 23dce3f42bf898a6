#include "CommandLine.h"

#include "CardOps.h"
#include "Codec.h"
#include "CurrentSet.h"
#include "Failure.h"
#include "Files.h"
#include "Import.h"
#include "Lock.h"
#include "SetOps.h"

#include <QCommandLineParser>
#include <QLocale>
#include <cstdio>

namespace cli {
namespace {

// A line for the user: standard output, or standard error for what went wrong.
int say(const QString& text, int status = 0) {
    std::fputs((text + QLatin1Char('\n')).toLocal8Bit().constData(), status ? stderr : stdout);
    return status;
}

int fail(const QString& text) { return say(QStringLiteral("quorvane: ") + text, 1); }

// The list of sets, or before the first start the installed one, which the first start copies.
QStringList listOfSets() {
    const QString sets = Main::ProgramFile(QStringLiteral("sets.dat"));
    return codec::splitLines(codec::decode(Main::ReadBytes(
        Main::FileExists(sets) ? sets : Main::InstalledFile(QStringLiteral("default-sets.dat")))));
}

// "Side 1|Side 2" as two trimmed topics, or nothing.
QStringList topicsOf(const QString& text) {
    const QStringList parts = text.split(QLatin1Char('|'));
    if (parts.size() != 2) return {};
    const QStringList topics = {editor::TrimBlanks(parts[0]), editor::TrimBlanks(parts[1])};
    return topics[0].isEmpty() || topics[1].isEmpty() ? QStringList() : topics;
}

int list() {
    for (int k = 1; k < Deckwork::SetLines.size(); ++k) {
        const QStringList fields = Deckwork::SetLines[k].split(QLatin1Char('|'));
        say(QStringLiteral("%1. %2|%3").arg(k).arg(fields.value(0), fields.value(1)));
    }
    return 0;
}

int importSet(const QString& path, const QString& topicsGiven, bool given) {
    exchange::Reading reading;
    try {
        reading = exchange::ReadCards(Main::ReadBytes(path), path);
    } catch (const look::Failure& failure) {
        return fail(path + QStringLiteral(": ") + failure.description());
    }
    if (!reading.problem.isEmpty())
        return fail(path + QLatin1Char(' ') + reading.problem +
                    QStringLiteral(". Nothing was imported."));
    const QStringList topicsNamed = topicsOf(topicsGiven);
    if (given && topicsNamed.isEmpty())
        return fail(QStringLiteral("--topics takes two topics as \"Side 1|Side 2\""));
    // A set for each deck that holds cards, under the topics the file proposes; all are
    // checked before the first is made.
    QVector<exchange::Deck> decks;
    for (const exchange::Deck& deck : reading.decks)
        if (!deck.rows.isEmpty()) decks.append(deck);
    if (given && decks.size() > 1)
        return fail(path + QStringLiteral(": it holds %1 decks, and --topics names the topics of "
                                          "one set; leave --topics out to use the decks' own")
                               .arg(decks.size()));
    QVector<QStringList> topics;
    for (exchange::Deck& deck : decks) {
        if (!given && deck.side1Topic.isEmpty())
            return fail(path +
                        (deck.name.isEmpty()
                             ? QStringLiteral(": its first row does not hold two topics")
                             : QStringLiteral(": its deck \"%1\" names no topics").arg(deck.name)) +
                        QStringLiteral("; give them with --topics \"Side 1|Side 2\""));
        topics.append(given ? topicsNamed : QStringList{deck.side1Topic, deck.side2Topic});
        if (!given && deck.topicsInFirstRow) deck.rows.removeFirst();
        const QString refusal = editor::RefuseTopics(topics.last()[0], topics.last()[1]);
        if (!refusal.isEmpty()) return fail(refusal);
    }
    // A list of one row gives its topics and no card.
    for (qsizetype i = decks.size() - 1; i >= 0; --i)
        if (decks[i].rows.isEmpty()) decks.remove(i), topics.remove(i);
    if (decks.isEmpty())
        return fail(path + QStringLiteral(": it holds no cards. No set was created.") +
                    exchange::OmissionReport(reading));
    int imported = 0, sets = 0;
    try {
        // Before the first start the list of sets is the installed one; no other import may make
        // it in between, nor take the topics checked above.
        const Main::Lock lock;
        const QString list = Main::ProgramFile(QStringLiteral("sets.dat"));
        if (!Main::FileExists(list))
            Main::CopyFile(Main::InstalledFile(QStringLiteral("default-sets.dat")), list);
        for (qsizetype i = 0; i < decks.size(); ++i) {
            QString taken;
            if (!editor::AddSet(topics[i][0], topics[i][1], decks[i].rows.cardLines(), &taken))
                return fail(taken + (sets ? QLatin1Char(' ') +
                                                exchange::ImportReport(reading, imported, sets)
                                          : QString()));
            imported += int(decks[i].rows.size()), ++sets;
        }
    } catch (const look::Failure& failure) {
        return fail(QStringLiteral("the set \"%1|%2\" could not be made: ")
                        .arg(topics[sets][0], topics[sets][1]) +
                    failure.description() +
                    (sets ? QStringLiteral(". ") + exchange::ImportReport(reading, imported, sets)
                          : QStringLiteral(". No set was created.")));
    }
    return say(exchange::ImportReport(reading, imported, sets));
}

int exportSet(const QString& set, const QString& path) {
    bool number = false;
    int k = set.toInt(&number);
    const QStringList topics = topicsOf(set);
    for (int i = 1; !number && i < Deckwork::SetLines.size(); ++i)
        if (!topics.isEmpty() &&
            topicsOf(Deckwork::SetLines[i].section(QLatin1Char('|'), 0, 1)) == topics)
            k = i, number = true;
    if (!number || k < 1 || k >= Deckwork::SetLines.size())
        return fail(QStringLiteral("there is no set \"") + set +
                    QStringLiteral("\"; quorvane --list shows the sets"));
    if (!exchange::IsWritableFileName(path))
        return fail(path +
                    QStringLiteral(": the name must end in .csv, .tsv, .txt, .apkg or .kvtml"));
    const QString refusal = editor::RefuseExportTarget(path);
    if (!refusal.isEmpty()) return fail(refusal);
    int count = 0;
    try {
        Main::WriteBytes(path, editor::ExportedSet(k, path, &count));
    } catch (const look::Failure& failure) {
        return fail(path + QStringLiteral(": ") + failure.description());
    }
    return say(QStringLiteral("Exported %1 %2.")
                   .arg(QLocale(QLocale::English).toString(count),
                        count == 1 ? QStringLiteral("card") : QStringLiteral("cards")));
}

}  // namespace

void AddOptions(QCommandLineParser& parser) {
    parser.addOptions({
        {QStringLiteral("import"),
         QStringLiteral("Add a set made of the cards in FILE, a CSV (comma or semicolon) or "
                        "tab-separated list, whose first row names the topics unless --topics "
                        "does; or a set for each deck of an Anki package (.apkg, .colpkg), "
                        "named after its fields; or a set of Mnemosyne's cards (.cards, "
                        "default.db) or of a KVTML vocabulary (.kvtml)."),
         QStringLiteral("FILE")},
        {QStringLiteral("topics"),
         QStringLiteral("The topics of the set --import adds, as \"Side 1|Side 2\"; every row "
                        "of FILE is then a card."),
         QStringLiteral("TOPICS")},
        {QStringLiteral("export"),
         QStringLiteral("Write set SET (its number in --list, or its topics \"Side 1|Side 2\") "
                        "to FILE: CSV for a name ending in .csv, tab-separated for .tsv or .txt, "
                        "an Anki package for .apkg, KVTML for .kvtml."),
         QStringLiteral("SET")},
        {QStringLiteral("list"), QStringLiteral("Print the sets, one a line, numbered.")},
    });
    parser.addPositionalArgument(QStringLiteral("FILE"),
                                 QStringLiteral("The file --export writes."),
                                 QStringLiteral("[FILE]"));
}

bool Wanted(const QCommandLineParser& parser) {
    return parser.isSet(QStringLiteral("import")) || parser.isSet(QStringLiteral("export")) ||
           parser.isSet(QStringLiteral("list")) || parser.isSet(QStringLiteral("topics")) ||
           !parser.positionalArguments().isEmpty();
}

bool Wanted(const QStringList& arguments) {
    for (const QString& argument : arguments)
        for (const char* verb : {"import", "export", "list", "topics"})
            if (QString(argument).remove(QLatin1Char('-')).section(QLatin1Char('='), 0, 0) ==
                    QLatin1String(verb) &&
                argument.startsWith(QLatin1Char('-')))
                return true;
    return false;
}

int Run(const QCommandLineParser& parser) {
    const bool import = parser.isSet(QStringLiteral("import"));
    const bool exporting = parser.isSet(QStringLiteral("export"));
    const QStringList files = parser.positionalArguments();
    if (int(import) + int(exporting) + int(parser.isSet(QStringLiteral("list"))) != 1 ||
        files.size() != int(exporting) || (parser.isSet(QStringLiteral("topics")) && !import))
        return fail(
            QStringLiteral("give one of --import FILE [--topics \"Side 1|Side 2\"], "
                           "--export SET FILE and --list (see --help)"));
    try {
        Deckwork::SetLines = listOfSets();
    } catch (const look::Failure& failure) {
        return fail(Main::ProgramFile(QStringLiteral("sets.dat")) + QStringLiteral(": ") +
                    failure.description());
    }
    if (import)
        return importSet(parser.value(QStringLiteral("import")),
                         parser.value(QStringLiteral("topics")),
                         parser.isSet(QStringLiteral("topics")));
    if (exporting) return exportSet(parser.value(QStringLiteral("export")), files.first());
    return list();
}

}  // namespace cli

#include "CommandLine.h"

#include "CardOps.h"
#include "Codec.h"
#include "CurrentSet.h"
#include "Exchange.h"
#include "Failure.h"
#include "Files.h"
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
    exchange::Table table;
    try {
        table = exchange::ReadTable(Main::ReadBytes(path), path);
    } catch (const look::Failure& failure) {
        return fail(path + QStringLiteral(": ") + failure.description());
    }
    if (!table.problem.isEmpty())
        return fail(path + QStringLiteral(": ") + table.problem +
                    QStringLiteral(". Nothing was imported."));
    QStringList topics = topicsOf(topicsGiven);
    if (given && topics.isEmpty())
        return fail(QStringLiteral("--topics takes two topics as \"Side 1|Side 2\""));
    if (!given) {
        if (!table.firstRowIsCard())
            return fail(path + QStringLiteral(": its first row does not hold two topics; give "
                                              "them with --topics \"Side 1|Side 2\""));
        topics = QStringList{table.rows.first().side1, table.rows.first().side2};
        table.rows.removeFirst();
    }
    const QString refusal = editor::RefuseTopics(topics[0], topics[1]);
    if (!refusal.isEmpty()) return fail(refusal);
    if (table.rows.isEmpty())
        return fail(path + QStringLiteral(": it holds no cards. No set was created.") +
                    exchange::SkipReport(table.skipped));
    try {
        // Before the first start the list of sets is the installed one; no other import may make
        // it in between.
        const Main::Lock lock;
        const QString sets = Main::ProgramFile(QStringLiteral("sets.dat"));
        if (!Main::FileExists(sets))
            Main::CopyFile(Main::InstalledFile(QStringLiteral("default-sets.dat")), sets);
        // Checked again as the list is now: another import may have taken the topics meanwhile.
        QString taken;
        if (!editor::AddSet(topics[0], topics[1], editor::CardLinesOf(table.rows), &taken))
            return fail(taken);
    } catch (const look::Failure& failure) {
        return fail(QStringLiteral("the set could not be made: ") + failure.description() +
                    QStringLiteral(". No set was created."));
    }
    return say(exchange::ImportReport(int(table.rows.size()), table.skipped));
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
    if (!exchange::IsListFileName(path))
        return fail(path + QStringLiteral(": the name must end in .csv, .tsv or .txt"));
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
                        "tab-separated list; its first row names the topics unless --topics "
                        "does."),
         QStringLiteral("FILE")},
        {QStringLiteral("topics"),
         QStringLiteral("The topics of the set --import adds, as \"Side 1|Side 2\"; every row "
                        "of FILE is then a card."),
         QStringLiteral("TOPICS")},
        {QStringLiteral("export"),
         QStringLiteral("Write set SET (its number in --list, or its topics \"Side 1|Side 2\") "
                        "to FILE: CSV for a name ending in .csv, tab-separated for .tsv or .txt."),
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

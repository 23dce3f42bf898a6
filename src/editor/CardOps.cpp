#include "CardOps.h"

#include "Codec.h"
#include "CurrentSet.h"
#include "Dialogs.h"
#include "Failure.h"
#include "Files.h"
#include "Lists.h"
#include "SetOps.h"
#include "Trap.h"

#include <unistd.h>
#include <QFileInfo>
#include <QStringBuilder>

namespace editor {
namespace {

QString promptSide(const QString& topic, const QString& defaultText) {
    return look::dialogs().prompt(QStringLiteral("Enter ") + topic + QLatin1Char(':'),
                                  QStringLiteral("Enter ") + topic, defaultText);
}

QString cardLine(const QString& side1, const QString& side2) {
    return TrimBlanks(side1) + QLatin1Char('|') + TrimBlanks(side2);
}

// Both sides given and acceptable; a refusal is explained, blanks end the operation silently.
bool acceptCard(const QString& side1, const QString& side2) {
    const QString t1 = TrimBlanks(side1), t2 = TrimBlanks(side2);
    if (t1.isEmpty() || t2.isEmpty()) return false;
    const QString refusal = RefuseCard(t1, t2);
    if (refusal.isEmpty()) return true;
    look::dialogs().notice(refusal, look::applicationTitle());
    return false;
}

// A set whose cards cannot be changed says why, before anything is asked.
bool cardsChangeable() {
    const QString refusal = RefuseCardChange();
    if (!refusal.isEmpty()) look::dialogs().notice(refusal, look::applicationTitle());
    return refusal.isEmpty();
}

QString header() { return Deckwork::Side1Topic + QLatin1Char('|') + Deckwork::Side2Topic; }

// The entry's own line changed (or left out), found by its place and its text as stored: never
// the header, never an equal card elsewhere. A line no longer there is said, and left alone.
bool rewriteEntry(const Entry& entry, const QString& newLine, bool del) {
    if (Main::EditLineAt(Deckwork::SetFilePath, entry.line, entry.stored, newLine, del))
        return true;
    look::dialogs().notice(QStringLiteral("The card \"") + entry.text + QLatin1Char('|') +
                               entry.subItem +
                               QStringLiteral("\" is no longer where the list shows it, because "
                                              "the card file has changed meanwhile. Nothing was "
                                              "changed. The list now shows the cards as they are."),
                           look::applicationTitle());
    return false;
}

}  // namespace

QString TrimBlanks(QStringView text) {
    qsizetype begin = 0, end = text.size();
    while (begin < end && text[begin] == QLatin1Char(' ')) ++begin;
    while (end > begin && text[end - 1] == QLatin1Char(' ')) --end;
    return text.mid(begin, end - begin).toString();
}

Entry CardEntry(const QString& stored, int index) {
    const QStringView line(stored);
    const qsizetype bar = line.indexOf(QLatin1Char('|'));
    qsizetype end = line.indexOf(QLatin1Char('|'), bar + 1);
    if (end < 0) end = line.size();
    return {TrimBlanks(line.left(bar)), TrimBlanks(line.mid(bar + 1, end - bar - 1)), index,
            stored};
}

QVector<Entry> CardEntries(const codec::Lines& lines, bool sidesToCome) {
    QVector<Entry> entries;
    entries.reserve(qMax<qsizetype>(0, lines.size() - 1));
    for (qsizetype i = 1; i < lines.size(); ++i) {
        if (!lines.bytesOf(i).contains('|')) continue;
        entries.append(sidesToCome ? Entry{{}, {}, int(i), {}, true}
                                   : CardEntry(lines.at(i), int(i)));
    }
    return entries;
}

QString RefuseCard(const QString& side1, const QString& side2) {
    for (const QString& side : {side1, side2})
        for (QChar c : {QLatin1Char('|'), QLatin1Char('\r'), QLatin1Char('\n')})
            if (side.contains(c))
                return QStringLiteral(
                    "A card side cannot contain \"|\" or a line break, because "
                    "the card file uses them to tell the sides and the cards "
                    "apart. The card was not saved.");
    return {};
}

QString RefuseCardChange() {
    const QString set = QLatin1Char('"') + Deckwork::Side1Topic + QLatin1Char('/') +
                        Deckwork::Side2Topic + QLatin1Char('"');
    const QString name = QFileInfo(Deckwork::SetFilePath).fileName();
    if (Deckwork::SetFilePath.isEmpty() || !Main::IsOwnSetFileName(name) ||
        Deckwork::SetFilePath != Main::ProgramFile(name))
        return QStringLiteral("The set ") + set +
               QStringLiteral(
                   " has no card file of its own in the list of sets, so its cards "
                   "cannot be changed. Nothing was changed.");
    const QFileInfo file(Deckwork::SetFilePath);
    const QByteArray native = QFile::encodeName(Deckwork::SetFilePath);
    QString why;
    if (file.exists() && !file.isFile())
        why = QString::fromUtf8(look::failures::PathFileAccessError);
    else if (file.exists() && ::access(native.constData(), R_OK | W_OK) != 0)
        why = QString::fromUtf8(look::failures::PermissionDenied);
    if (why.isEmpty()) return {};  // a missing file is made with the first card
    return QStringLiteral("The card file \"") + name + QStringLiteral("\" of the set ") + set +
           QStringLiteral(" cannot be read or written (") + why +
           QStringLiteral("), so its cards cannot be changed. Nothing was changed.");
}

bool ReadCardList(const QString& path, exchange::Reading& reading) {
    reading = exchange::ReadCards(Main::ReadBytes(path), path);
    if (reading.problem.isEmpty()) return true;
    look::dialogs().notice(QStringLiteral("\"") + QFileInfo(path).fileName() +
                               QStringLiteral("\" ") + reading.problem +
                               QStringLiteral(". Nothing was imported."),
                           look::applicationTitle());
    return false;
}

void NoCards(const QString& path, const exchange::Reading& reading, const QString& outcome) {
    look::dialogs().notice(QStringLiteral("\"") + QFileInfo(path).fileName() +
                               QStringLiteral("\" holds no cards. ") + outcome +
                               exchange::OmissionReport(reading),
                           look::applicationTitle());
}

QStringList CardLinesOf(const exchange::Rows& rows) {
    return codec::splitLines(QString::fromUtf8(rows.cardLines()));
}

void FillTheList(Lists& lists) {
    look::Trap trap("Form3.FillTheList");
    trap.at(100, [&] { lists.cards.clear(); });
    trap.at(102, [&] {
        lists.cards.setTitle(0, Deckwork::Side1Topic);
        lists.cards.setTitle(1, Deckwork::Side2Topic);
    });
    trap.at(104, [] { Deckwork::LoadInUseCards(); });
    bool any = false;
    trap.at(106, [&] { any = Deckwork::CardLines.size() > 1; });
    if (!any) return;
    trap.at(108, [&] {
        if (!Deckwork::CardLines.sameRead(lists.listedLines)) {
            lists.listedCards = CardEntries(Deckwork::CardLines, true);
            lists.listedLines = Deckwork::CardLines;
        }
        lists.cards.setEntries(lists.listedCards, lists.listedLines);
    });
}

void AddCard(Lists& lists) {
    look::Trap trap("Form3.PushButton1_Click");
    QString side1, side2, line;
    bool changeable = false;
    trap.at(116, [&] { changeable = cardsChangeable(); });
    if (!changeable) return;
    trap.at(100, [&] { side1 = promptSide(Deckwork::Side1Topic, {}); });
    trap.at(102, [&] { side2 = promptSide(Deckwork::Side2Topic, {}); });
    bool go = false;
    trap.at(104, [&] { go = acceptCard(side1, side2); });
    if (!go) return;
    trap.at(106, [&] { line = cardLine(side1, side2); });
    // The set's own file as it is now takes the card; the list then shows that file.
    trap.at(108, [&] { Main::AppendLines(Deckwork::SetFilePath, header(), {line}); });
    trap.at(112, [&] { FillTheList(lists); });
    trap.at(114, [&] { lists.selectCard(lists.cards.count()); });
}

void EditSelectedEntry(Lists& lists) {
    look::Trap trap("Form3.PushButton2_Click");
    int k = 0;
    Entry old;
    QString side1, side2, newLine;
    bool changeable = false;
    trap.at(118, [&] { changeable = cardsChangeable(); });
    if (!changeable) return;
    trap.at(100, [&] {
        k = lists.selectedCard();
        if (k >= 1) old = lists.cards.entry(k);
    });
    trap.at(102, [&] { side1 = promptSide(Deckwork::Side1Topic, old.text); });
    trap.at(104, [&] { side2 = promptSide(Deckwork::Side2Topic, old.subItem); });
    bool go = false;
    trap.at(106, [&] { go = acceptCard(side1, side2) && k >= 1; });
    if (go) {
        trap.at(108, [&] { newLine = cardLine(side1, side2); });
        trap.at(110, [&] { rewriteEntry(old, newLine, false); });
        trap.at(114, [&] { FillTheList(lists); });
    }
    trap.at(116, [&] { lists.selectCard(k); });
}

void DeleteSelectedEntry(Lists& lists) {
    look::Trap trap("Form3.PushButton3_Click");
    int k = 0;
    Entry chosen;
    bool changeable = false;
    trap.at(112, [&] { changeable = cardsChangeable(); });
    if (!changeable) return;
    trap.at(100, [&] {
        k = lists.selectedCard();
        if (k >= 1) chosen = lists.cards.entry(k);
    });
    bool yes = false;
    trap.at(102, [&] {
        yes = look::dialogs().question(QStringLiteral("Are you sure you want to delete ") +
                                           chosen.text + QLatin1Char('|') + chosen.subItem +
                                           QStringLiteral(" entry?"),
                                       look::applicationTitle());
    });
    bool go = false;
    trap.at(104,
            [&] { go = yes && k >= 1 && !chosen.text.isEmpty() && !chosen.subItem.isEmpty(); });
    if (!go) return;
    trap.at(106, [&] { rewriteEntry(chosen, {}, true); });
    trap.at(110, [&] { FillTheList(lists); });
}

void ImportCards(Lists& lists, const QString& path) {
    look::Trap trap("Form3.ListView1_OLEDragDrop");
    exchange::Reading reading;
    bool read = false;
    bool changeable = false;
    trap.at(116, [&] { changeable = cardsChangeable(); });
    if (!changeable) return;
    trap.at(100, [&] { read = ReadCardList(path, reading); });
    if (!read) return;
    exchange::Rows rows;
    trap.at(102, [&] {
        for (exchange::Deck& deck : reading.decks) {
            // A list exported as CSV starts with the set's topics: a header, not a card.
            if (deck.topicsInFirstRow && deck.side1Topic == TrimBlanks(Deckwork::Side1Topic) &&
                deck.side2Topic == TrimBlanks(Deckwork::Side2Topic))
                deck.rows.removeFirst();
            rows += deck.rows;
        }
    });
    if (rows.isEmpty()) {
        trap.at(104, [&] { NoCards(path, reading, QStringLiteral("No card was added.")); });
        return;
    }
    const bool added = trap.at(
        106, [&] { Main::AppendLines(Deckwork::SetFilePath, header(), CardLinesOf(rows)); });
    trap.at(110, [&] { FillTheList(lists); });
    trap.at(112, [&] { lists.selectCard(lists.cards.count()); });
    if (added) {
        trap.at(114, [&] {
            look::dialogs().notice(exchange::ImportReport(reading, int(rows.size()), 1),
                                   look::applicationTitle());
        });
    }
}

}  // namespace editor

// The card editor: cards and sets added, edited, deleted, picked, restored, imported, exported.
#include "Archive.h"
#include "CardOps.h"
#include "Codec.h"
#include "CurrentSet.h"
#include "Program.h"

#include <QAction>
#include <QBuffer>
#include <QDir>
#include <QHeaderView>
#include <QRegularExpression>

namespace {

// A step and the state it leaves, in Program::act's and Program::look's forms.
using Steps = std::initializer_list<std::pair<const char*, QString>>;

const QString kFourSets = "sets=States/Capitals,Word/Mot, Gamma / Delta ,Copy/Of States";
const QString kFiles = "Stray.dat,WordMot.dat,default-sets.dat,default.dat,in-use.dat,sets.dat";

}  // namespace

// After every step of the editor the card list shows the working copy, and the set's file holds it.
TEST_F(Program, EditorStepsKeepEveryCardInTheSetsOwnFile) {
    box.write("sets.dat",
              crlf({"Sets", "States|Capitals|StatesCapitals.dat", "Word|Mot|WordMot.dat",
                    " Gamma | Delta |GD.dat", "Copy|Of States|StatesCapitals.dat"}));
    box.write("WordMot.dat",
              crlf({"Word|Mot", "Red|Rojo", "Red | Rojo", "Blue|Azul", "Red|Rojo", "Word|Mot"}));
    box.write("GD.dat", crlf({"Gamma|Delta", "g|d"}));
    box.write("Stray.dat", crlf({"keep"}));
    start({}, 2);
    edit();
    const Steps steps = {
        // Only the entry's own line changes: not an equal card, not the header.
        {"edit 4/ Green /Verde",
         "shown=prompt(Enter Word): Enter Word: [Red] + prompt(Enter Mot): Enter Mot: [Rojo]; "
         "WordMot.dat=Word|Mot,Red|Rojo,Red | Rojo,Blue|Azul,Green|Verde,Word|Mot; marked=4"},
        {"edit 2/Black/Negro",
         "cards=Red|Rojo,Black|Negro,Blue|Azul,Green|Verde,Word|Mot; marked=2"},
        {"delete 1/no",
         "shown=question(Quorvane): Are you sure you want to delete Red|Rojo entry?"},
        {"delete 5/yes",
         "WordMot.dat=Word|Mot,Red|Rojo,Black|Negro,Blue|Azul,Green|Verde; marked=0"},
        {"delete 0/yes", "shown=question(Quorvane): Are you sure you want to delete | entry?"},
        {"edit 0/Blue/Azul", "cards=Red|Rojo,Black|Negro,Blue|Azul,Green|Verde; marked=0"},
        {"add/ Red /Rojo\t",
         "shown=prompt(Enter Word): Enter Word: [] + prompt(Enter Mot): Enter Mot: []; "
         "WordMot.dat=Word|Mot,Red|Rojo,Black|Negro,Blue|Azul,Green|Verde,Red|Rojo\t; marked=5"},
        {"add//Rojo", "cards=Red|Rojo,Black|Negro,Blue|Azul,Green|Verde,Red|Rojo\t"},
        {"add/a|b/x",
         "shown=prompt(Enter Word): Enter Word: [] + prompt(Enter Mot): Enter Mot: [] + "
         "notice(Quorvane): A card side cannot contain \"|\" or a line break, because the card "
         "file uses them to tell the sides and the cards apart. The card was not saved."},
        {"edit 1/Red/Ro\njo", "marked=1"},
        {"restart",
         "set=2; cards=Red|Rojo,Black|Negro,Blue|Azul,Green|Verde,Red|Rojo\t; new=0; "
         "named=Sets Of Flashcards,Word/Mot"},
        {"create//English", kFourSets},
        {"create/se/ts",
         "shown=prompt(Quorvane): Enter topic for Side 1:\r\n(for example States) [] + "
         "prompt(Quorvane): Enter topic for Side 2:\r\n(for example Capitals) [] + "
         "notice(Quorvane): The topics \"se\" and \"ts\" would store the set in the file "
         "\"sets.dat\", which is already in use. Please choose other topics. No set was created."},
        {"create/Word/Mot", kFourSets},
        {"create/in-/USE", kFourSets},
        {"create/Str/ay", kFourSets},
        {"create/Spa|nish/x", kFourSets},
        {"create/ Spanish /English",
         "sets.dat=Sets,States|Capitals|StatesCapitals.dat,Word|Mot|WordMot.dat, Gamma | Delta "
         "|GD.dat,Copy|Of States|StatesCapitals.dat,Spanish|English|SpanishEnglish.dat; "
         "in-use.dat=Spanish|English; set=5; stored=5; new=1; "
         "option5=Show Spanish first and then flip to English; "
         "named=Sets Of Flashcards,Spanish/English"},
        {"add/Hola/Hello", "SpanishEnglish.dat=Spanish|English,Hola|Hello; marked=1"},
        {"pick 5", "new=1; stored=5"},
        {"pick 1",
         "new=0; stored=1; option5=Show States first and then flip to Capitals; "
         "named=Sets Of Flashcards,States/Capitals"},
        {"pick 5", "new=0; cards=Hola|Hello; set=5"},
        {"remove 0",
         "shown=; sets=States/Capitals,Word/Mot, Gamma / Delta ,Copy/Of States,Spanish/English"},
        {"remove 1", "shown=; stored=5"},
        {"remove 3/no",
         "shown=question(Quorvane): Are you sure you want to delete Gamma/Delta set?"},
        {"remove 3/yes",
         "sets=States/Capitals,Word/Mot,Copy/Of States,Spanish/English; set=4; stored=4; new=0; "
         "files=SpanishEnglish.dat,StatesCapitals.dat," +
             kFiles},
        // A file that another set still names stays.
        {"remove 3/yes",
         "sets=States/Capitals,Word/Mot,Spanish/English; set=3; "
         "files=SpanishEnglish.dat,StatesCapitals.dat," +
             kFiles},
        {"pick 1", "stored=1"},
        {"add/Ohio/Columbus", "marked=51"},
        {"restore/no",
         "shown=question(Quorvane): Warning: \r\nThis will delete all custom card sets \r\nand any "
         "changes you've made to States/Capitals\r\nso that the flashcards will appear as they "
         "were when you first installed this software. \r\nWould you like to proceed?"},
        {"restore/yes",
         "sets=States/Capitals; set=0; stored=1; new=0; copy=StatesCapitals.dat,default.dat; "
         "files=StatesCapitals.dat,Stray.dat,default-sets.dat,default.dat,in-use.dat,sets.dat"},
        {"create/Word/Meaning", "set=2"},
        {"add/hola/hello", "marked=1"},
        {"export 2/w.csv",
         "shown=prompt(Export Set To File): WordMeaning.csv [save]; w.csv=Word,Meaning,hola,hello"},
        // The header row that names the set's topics is no card.
        {"drop 1/w.csv", "shown=notice(Quorvane): Imported 1 card.; marked=2"},
        {"export 0/w.tsv", "w.tsv=hola\thello,hola\thello"},
        {"import/w.tsv/no/Es/En",
         "sets=States/Capitals,Word/Meaning,Es/En; set=3; new=1; cards=hola|hello,hola|hello"},
        {"drop 2/w.tsv/yes",
         "shown=question(Quorvane): Use the first row, \"hola\" and \"hello\", as the topics of "
         "the new set? With No you type the topics, and the first row stays a card. + "
         "notice(Quorvane): Imported 1 card.; set=4; stored=4; cards=hola|hello"},
        {"drop 2/w.pdf", "shown="},
        {"export 1/w.dat",
         "shown=prompt(Export Set To File): StatesCapitals.csv [save] + notice(Quorvane): A set "
         "is written to a name ending in .csv, .tsv, .txt, .apkg or .kvtml. Nothing was written.; "
         "w.dat=<none>"},
        // A package dropped on the set list whose topics are taken: the user types others.
        {"export 2/w.apkg", "shown=prompt(Export Set To File): WordMeaning.csv [save]"},
        {"drop 2/w.apkg/Wo/Me",
         "shown=prompt(Quorvane): Enter topic for Side 1:\r\n(for example States) [] + "
         "prompt(Quorvane): Enter topic for Side 2:\r\n(for example Capitals) [] + "
         "notice(Quorvane): Imported 2 cards.; set=5; cards=hola|hello,hola|hello"},
        {"drop 1/w.apkg",
         "shown=notice(Quorvane): Imported 2 cards.; cards=hola|hello,hola|hello,hola|hello,"
         "hola|hello"},
        {"export 2/w.kvtml", "shown=prompt(Export Set To File): WordMeaning.csv [save]"},
        {"drop 1/w.kvtml", "shown=notice(Quorvane): Imported 2 cards.; marked=6"},
    };
    const auto outside = box.outside();
    for (const auto& [step, expected] : steps) {
        SCOPED_TRACE(step);
        d.shown.clear();
        bool ran = false;  // no waiting event runs within a step
        QMetaObject::invokeMethod(
            qApp, [&] { ran = true; }, Qt::QueuedConnection);
        act(step);
        EXPECT_TRUE(!ran || QByteArray(step) == "restart" || QByteArray(step).startsWith("drop"));
        EXPECT_EQ(look(expected), expected);
        QStringList cards;
        for (const editor::Entry& e : editor::CardEntries(codec::Lines(box.read("in-use.dat"))))
            cards << e.text + "|" + e.subItem;
        EXPECT_EQ(entries("ListView1"), cards.join(','));
        const QString own = QFileInfo(Deckwork::SetFilePath).fileName();
        if (own != "default.dat") {
            EXPECT_EQ(box.read(own), box.read("in-use.dat"));
        }
        EXPECT_EQ(box.outside(), outside);
        EXPECT_TRUE(d.scriptUsed() && d.reports().isEmpty());
        QCoreApplication::processEvents();
    }
    // A workbook is refused in one line, and nothing is written.
    box.write("book.xlsx", exchange::WriteArchive({{"xl/workbook.xml", "<workbook/>"}}));
    const auto inside = box.inside();
    d.shown.clear();
    act("import/book.xlsx");
    EXPECT_EQ(d.shown.last(),
              "notice(Quorvane): \"book.xlsx\" is a spreadsheet workbook: save it "
              "as CSV first. Nothing was imported.");
    EXPECT_EQ(box.inside(), inside);
}

// A file gone, changed or replaced under the open editor, then a step: reported, nothing lost.
TEST_F(Program, AFileGoneFromUnderTheEditorLosesNothingElse) {
    const QString unread = "Main.ReadFileToStringFSOLine@100: ";
    const QString withGreek =
        "sets.dat=Sets,States|Capitals|StatesCapitals.dat,Spanish|English|"
        "user.dat,C|D|CD.dat,Greek|English|GreekEnglish.dat; "
        "GreekEnglish.dat=Greek|English";
    const QString added = "=Spanish|English,Rojo|Red,Verde|Green,Azul|Blue";
    const QString edited = "=Spanish|English,Rojo|Crimson,Verde|Green";
    const QString notThere =
        "\" is no longer where the list shows it, because the card file has "
        "changed meanwhile. Nothing was changed. The list now shows the cards "
        "as they are.";
    const std::tuple<const char*, QString, QString> cases[] = {
        // gone, "/": a folder, ":" then the bytes it holds now, ">" a link to that
        {"sets.dat", "add/Azul/Blue", "reports=; in-use.dat" + added + "; user.dat" + added},
        {"sets.dat/", "edit 1/Rojo/Crimson",
         "reports=; in-use.dat" + edited + "; user.dat" + edited},
        // A list begun afresh would lack its header and the installed set.
        {"sets.dat", "create/Greek/English", "reports=Form3.PushButton6_Click@108: File not found"},
        {"sets.dat", "remove 3/yes",
         "reports=Form3.PushButton7_Click@110: File not found; stored=2"},
        {"sets.dat", "pick 3",
         "reports=" + unread + "File not found; copy=StatesCapitals.dat,default.dat; stored=3"},
        {"sets.dat", "restore/yes",
         "reports=" + unread +
             "File not found; sets.dat=Sets,States|Capitals|StatesCapitals.dat; "
             "copy=StatesCapitals.dat,default.dat"},
        // The user's sets cannot be told from a list that cannot be read: their files stay.
        {"sets.dat/", "restore/yes",
         "reports=" + unread +
             "Path/File access error,Form3.PushButton4_Click@106: Path/File "
             "access error," +
             unread + "Path/File access error," + unread +
             "Path/File access error; copy=StatesCapitals.dat,default.dat; stored=1"},
        {"in-use.dat", "add/Azul/Blue",
         "reports=Form3.PushButton1_Click@108: File not found," + unread + "File not found"},
        {"in-use.dat", "edit 1/Rojo/Crimson",
         "reports=Form3.PushButton2_Click@110: File not found," + unread + "File not found"},
        {"in-use.dat/", "delete 1/yes",
         "reports=Form3.PushButton3_Click@106: Path/File access error," + unread +
             "Path/File access error"},
        {"in-use.dat", "create/Greek/English",
         "reports=; " + withGreek + "; copy=GreekEnglish.dat; stored=4"},
        {"user.dat/", "edit 1/Rojo/Crimson",
         "reports=Form3.PushButton2_Click@112: Path/File access error; in-use.dat" + edited},
        // A set without its file is in hand with no cards; a click beside the entries reloads it.
        {"user.dat", "pick 0", "in-use.dat=Spanish|English; cards=; reports="},
        {"in-use.dat:Spanish|English\r\nVerde|Green\r\nRojo|Red\r\n", "edit 1/Rojo/Crimson",
         "shown=prompt(Enter Spanish): Enter Spanish: [Rojo] + prompt(Enter English): Enter "
         "English: [Red] + notice(Quorvane): The card \"Rojo|Red" +
             notThere},
        {"in-use.dat:Spanish|English\r\nRojo|Red\r\n", "delete 2/yes",
         "shown=question(Quorvane): Are you sure you want to delete Verde|Green entry? + "
         "notice(Quorvane): The card \"Verde|Green" +
             notThere + "; cards=Rojo|Red"},
        // A set whose file cannot be made leaves the list of sets as it was.
        {"GreekEnglish.dat>gone/x", "create/Greek/English",
         "reports=Main.EditFileFSO@102: File not found; set=2; stored=2"},
        // Nothing goes unless the installed files are there to take its place.
        {"default-sets.dat", "restore/yes", "reports=Form3.PushButton4_Click@102: File not found"},
        {"default.dat", "restore/yes", "reports=Form3.PushButton4_Click@102: File not found"},
    };
    for (const auto& [victim, step, expected] : cases) {
        SCOPED_TRACE(std::string(victim) + " " + step.toStdString());
        box.write("user.dat", crlf({"Spanish|English", "Rojo|Red", "Verde|Green"}));
        box.write("CD.dat", crlf({"C|D", "c1|d1"}));
        start(crlf({"Sets", "States|Capitals|StatesCapitals.dat", "Spanish|English|user.dat",
                    "C|D|CD.dat"}),
              2);
        edit();
        const QString v = victim, name = v.section(QRegularExpression("[:>]"), 0, 0).remove('/');
        QFile::remove(box.path(name));
        if (v.endsWith('/')) QDir().mkpath(box.path(name));
        if (v.contains(':')) box.write(name, QByteArray(victim).split(':')[1]);
        if (v.contains('>')) QFile::link(v.section('>', 1), box.path(name));
        auto before = box.inside();
        d.shown.clear();
        act(step);
        EXPECT_EQ(look(expected), expected);
        auto after = box.inside();
        for (const QString& item : expected.split("; ")) {
            const QString key = item.section('=', 0, 0);
            before.remove(key == "copy" ? "in-use.dat" : key);
            after.remove(key == "copy" ? "in-use.dat" : key);
        }
        EXPECT_EQ(after, before);
        QDir(box.path(name)).removeRecursively();
        QFile::remove(box.path("GreekEnglish.dat"));
    }
}

TEST_F(Program, EditorWindowHasItsDesignedLayoutAndPointer) {
    QImage black(32, 32, QImage::Format_ARGB32);
    black.fill(Qt::black);
    QByteArray cursor;
    QBuffer buffer(&cursor);
    buffer.open(QIODevice::WriteOnly);
    black.save(&buffer, "ico");
    cursor[2] = 2, cursor[10] = 5, cursor[12] = 3;  // a cursor file, hot spot (5, 3)
    box.write("HAND-M.CUR", cursor);
    start();
    edit();
    EXPECT_EQ(editor->windowTitle(), "Edit Cards");
    EXPECT_EQ(editor->size(), editor->maximumSize());
    EXPECT_EQ(editor->size(), QSize(536, 460));
    EXPECT_FALSE(editor->windowFlags() & Qt::WindowMaximizeButtonHint);
    EXPECT_EQ(editor->palette().color(QPalette::Window), look::buttonFace());
    EXPECT_EQ(editor->font().family() + QString::number(editor->font().pointSizeF()), "Arial9");
    EXPECT_TRUE(editor->font().bold());
    const std::tuple<const char*, const char*, QRect> controls[] = {
        // in the tab order
        {"ListView1", "", {8, 170, 520, 216}},
        {"PushButton1", "Add Card", {8, 392, 256, 27}},
        {"PushButton2", "Edit Selected Entry", {272, 392, 256, 27}},
        {"PushButton5", "< Back", {8, 7, 520, 27}},
        {"PushButton3", "Delete Selected Entry", {8, 426, 256, 27}},
        {"PushButton4", "Go Back To Default Flashcards", {272, 426, 256, 27}},
        {"ListView2", "", {8, 40, 520, 90}},
        {"PushButton6", "Create New Set", {8, 136, 256, 27}},
        {"PushButton7", "Delete Selected Set", {272, 136, 256, 27}},
    };
    QWidget* next = editor->findChild<QWidget*>("ListView1");
    for (const auto& [name, caption, geometry] : controls) {
        auto* w = editor->findChild<QWidget*>(name);
        EXPECT_EQ(w, next) << name;
        EXPECT_EQ(w->geometry(), geometry) << name;
        const auto* b = qobject_cast<QPushButton*>(w);
        EXPECT_EQ(b ? b->text() + QString::number(b->font().pointSizeF()) : "",
                  *caption ? caption + QString("11.25") : "");
        EXPECT_EQ(w->cursor().hotSpot(), b ? QPoint(5, 3) : QPoint());  // the hand over buttons
        do next = next->nextInFocusChain();
        while (next->parentWidget() != editor || !(next->focusPolicy() & Qt::TabFocus));
    }
    const QList<QAction*> menu = list("ListView2")->actions();
    EXPECT_EQ(menu.value(0)->text() + menu.value(1)->text(),
              "Import Cards From File…Export Set To File…");
    EXPECT_EQ(list("ListView2")->header()->sectionSize(0), 467);
    EXPECT_EQ(list("ListView1")->header()->sectionSize(1), 240);
    EXPECT_EQ(list("ListView2")->model()->headerData(0, Qt::Horizontal).toString() +
                  list("ListView1")->model()->headerData(0, Qt::Horizontal).toString() +
                  list("ListView1")->model()->headerData(1, Qt::Horizontal).toString(),
              "Sets Of FlashcardsStatesCapitals");
    for (QPushButton* b : {main->PushButton1, main->PushButton2})  // the main window's too
        EXPECT_EQ(b->cursor().hotSpot(), QPoint(5, 3));
    // A side of ten million characters is listed short and kept whole (deleting finds its line),
    // and a third field, written by hand, is no part of the second side.
    const QByteArray thousand(1000, 'z');  // the longest side shown whole
    box.write("StatesCapitals.dat",
              "H|h\r\n" + QByteArray(10 << 20, 'x') + "|y\r\n" + thousand + "|w|v\r\n");
    act("pick 1");
    EXPECT_EQ(list("ListView1")->model()->index(0, 0).data().toString().size(), 1001);
    EXPECT_EQ(list("ListView1")->model()->index(1, 0).data().toString(), thousand);
    EXPECT_EQ(list("ListView1")->model()->index(1, 1).data().toString(), "w");
    act("delete 1/yes");
    EXPECT_EQ(look("StatesCapitals.dat; reports"),
              "StatesCapitals.dat=H|h," + thousand + "|w|v; reports=");
}

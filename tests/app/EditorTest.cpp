// The card editor: cards and sets added, edited, deleted, picked, restored, imported, exported.
#include "Archive.h"
#include "CardOps.h"
#include "Codec.h"
#include "CurrentSet.h"
#include "Files.h"
#include "Program.h"

#include <sys/stat.h>
#include <QAction>
#include <QBuffer>
#include <QDir>
#include <QHeaderView>
#include <QProcess>
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
        // The arrows only highlight; Return or Space picks the set highlighted.
        {"press 3/Down", "set=4; stored=2; named=Sets Of Flashcards,Word/Mot"},
        {"press 3/Return", "set=3; stored=3; cards=g|d"},
        {"press 2/Space", "set=2; stored=2; named=Sets Of Flashcards,Word/Mot"},
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
        {"add!/Hola/Hello", "SpanishEnglish.dat=Spanish|English,Hola|Hello; marked=1"},
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
    box.write("../lists/book.xlsx", exchange::WriteArchive({{"xl/workbook.xml", "<workbook/>"}}));
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
    const auto noFile = [](const QString& why) {
        return "reports=Deckwork.ReadSets@110: " + why +
               "; cards=; in-use.dat=Spanish|English; shown=error(Application Error): "
               "Deckwork.ReadSets@110: " +
               why +
               " + notice(Quorvane): The set \"Spanish/English\" has no card file of its own in "
               "the list of sets, so its cards cannot be changed. Nothing was changed.";
    };
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
             "Path/File access error,Form3.PushButton4_Click@104: Path/File "
             "access error," +
             unread + "Path/File access error," + unread +
             "Path/File access error; copy=StatesCapitals.dat,default.dat; stored=1"},
        // A card change goes to the set's own file, whatever became of the working copy.
        {"in-use.dat", "add/Azul/Blue", "reports=; in-use.dat" + added + "; user.dat" + added},
        {"in-use.dat", "edit 1/Rojo/Crimson",
         "reports=; in-use.dat" + edited + "; user.dat" + edited},
        {"in-use.dat/", "delete 1/yes",
         "reports=Form3.FillTheList@104: Path/File access error; "
         "user.dat=Spanish|English,Verde|Green"},
        {"in-use.dat", "create/Greek/English",
         "reports=; " + withGreek + "; copy=GreekEnglish.dat; stored=4"},
        {"user.dat/", "edit 1",
         "shown=notice(Quorvane): The card file \"user.dat\" of the set \"Spanish/English\" cannot "
         "be read or written (Path/File access error), so its cards cannot be changed. Nothing "
         "was changed."},
        // A set without its file is in hand with no cards; a click beside the entries reloads it.
        {"user.dat", "pick 0", "in-use.dat=Spanish|English; cards=; reports="},
        // A working copy replaced from outside is made again from the set's file.
        {"in-use.dat:Spanish|English\r\nVerde|Green\r\nRojo|Red\r\n", "edit 1/Rojo/Crimson",
         "shown=prompt(Enter Spanish): Enter Spanish: [Rojo] + prompt(Enter English): Enter "
         "English: [Red]; in-use.dat" +
             edited + "; user.dat" + edited},
        {"in-use.dat:Spanish|English\r\nRojo|Red\r\n", "delete 2/yes",
         "shown=question(Quorvane): Are you sure you want to delete Verde|Green entry?; "
         "cards=Rojo|Red; user.dat=Spanish|English,Rojo|Red"},
        // A set file replaced from outside keeps its new card beside the user's.
        {"user.dat:Spanish|English\r\nGato|Cat\r\nVerde|Green\r\n", "add/Perro/Dog",
         "cards=Gato|Cat,Verde|Green,Perro|Dog; copy=user.dat; "
         "user.dat=Spanish|English,Gato|Cat,Verde|Green,Perro|Dog"},
        {"user.dat:Spanish|English\r\nGato|Cat\r\nVerde|Green\r\n", "edit 1/Rojo/Crimson",
         "shown=prompt(Enter Spanish): Enter Spanish: [Rojo] + prompt(Enter English): Enter "
         "English: [Red] + notice(Quorvane): The card \"Rojo|Red" +
             notThere + "; cards=Gato|Cat,Verde|Green; copy=user.dat"},
        // A set file that cannot be read leaves the set without cards, never with another's.
        {"user.dat~", "pick 0",
         "reports=Deckwork.ReadSets@112: Path/File access error; cards=; "
         "in-use.dat=Spanish|English"},
        // A line without a card file of its own: no cards in hand, and none can be added.
        {"sets.dat:Sets\r\nStates|Capitals|StatesCapitals.dat\r\nSpanish|English|../x.dat\r\n",
         "pick 2 then add", noFile("Bad file name or number")},
        {"sets.dat:Sets\r\nStates|Capitals|StatesCapitals.dat\r\nSpanish|English|default.dat\r\n",
         "pick 2 then add", noFile("Bad file name or number")},
        {"sets.dat:Sets\r\nStates|Capitals|StatesCapitals.dat\r\nSpanish|English|sets.dat\r\n",
         "pick 2 then add", noFile("Bad file name or number")},
        {"sets.dat:Sets\r\nStates|Capitals|StatesCapitals.dat\r\nSpanish|English\r\n",
         "pick 2 then add", noFile("Subscript out of range")},
        {"sets.dat:Sets\r\n", "pick 0 then add",
         "reports=; copy=StatesCapitals.dat,default.dat; shown=notice(Quorvane): The set "
         "\"States/Capitals\" has no card file of its own in the list of sets, so its cards cannot "
         "be changed. Nothing was changed."},
        // Files changed outside show in the open editor.
        {"user.dat:Spanish|English\r\nGato|Cat\r\n", "wait", "cards=Gato|Cat; copy=user.dat"},
        {"sets.dat:Sets\r\nStates|Capitals|StatesCapitals.dat\r\nC|D|CD.dat\r\nSpanish|English|"
         "user.dat\r\n",
         "wait", "sets=States/Capitals,C/D,Spanish/English; set=3; cards=Rojo|Red,Verde|Green"},
        // The list changed outside: the set in hand stays in hand, and a set is deleted only
        // as its line now stands.
        {"sets.dat:Sets\r\nStates|Capitals|StatesCapitals.dat\r\nC|D|CD.dat\r\nSpanish|English|"
         "user.dat\r\n",
         "back then open", "set=3; stored=3; sets=States/Capitals,C/D,Spanish/English"},
        {"sets.dat:Sets\r\nStates|Capitals|StatesCapitals.dat\r\nDeutsch|English|user.dat\r\n"
         "C|D|CD.dat\r\n",
         "remove 2/yes",
         "shown=question(Quorvane): Are you sure you want to delete Spanish/English set? + "
         "notice(Quorvane): The set \"Spanish/English\" is no longer in the list of sets, because "
         "the list has changed meanwhile. Nothing was deleted. The list now shows the sets as they "
         "are.; sets=States/Capitals,Deutsch/English,C/D; set=2"},
        {"sets.dat:Sets\r\nStates|Capitals|StatesCapitals.dat\r\nSpanish|English|user.dat\r\n"
         "C|D|CD.dat\r\nNew|Set|CD.dat\r\n",
         "remove 3/yes",
         "sets.dat=Sets,States|Capitals|StatesCapitals.dat,Spanish|English|user.dat,New|Set|CD.dat;"
         " "
         "set=3; stored=3; option5=Show New first and then flip to Set; cards=c1|d1; copy=CD.dat"},
        // A set whose file cannot be made leaves the list of sets as it was.
        {"GreekEnglish.dat>gone/x", "create/Greek/English",
         "reports=Main.EditFileFSO@102: File not found; set=2; stored=2"},
        // Nothing goes unless the installed files are there to take its place.
        {"default-sets.dat", "restore/yes", "reports=Form3.PushButton4_Click@114: File not found"},
        {"default.dat", "restore/yes", "reports=Form3.PushButton4_Click@114: File not found"},
    };
    for (const auto& [victim, step, expected] : cases) {
        SCOPED_TRACE(std::string(victim) + " " + step.toStdString());
        box.write("user.dat", crlf({"Spanish|English", "Rojo|Red", "Verde|Green"}));
        box.write("CD.dat", crlf({"C|D", "c1|d1"}));
        start(crlf({"Sets", "States|Capitals|StatesCapitals.dat", "Spanish|English|user.dat",
                    "C|D|CD.dat"}),
              2);
        edit();
        const QString v = victim, name = v.section(QRegularExpression("[:>~/]"), 0, 0);
        QFile::remove(box.path(name));
        if (v.endsWith('/')) QDir().mkpath(box.path(name));
        if (v.endsWith('~')) ::mkfifo(QFile::encodeName(box.path(name)).constData(), 0644);
        if (v.contains(':')) box.write(name, QByteArray(victim).split(':')[1]);
        if (v.contains('>')) QFile::link(v.section('>', 1), box.path(name));
        auto before = box.inside();
        d.shown.clear();
        // "wait": for the open editor to see what changed in the folder
        for (const QString& one : step.split(" then "))
            one == "wait" ? (void)QTest::qWaitFor([&] { return look(expected) == expected; }, 20000)
                          : act(one);
        EXPECT_EQ(look(expected), expected);
        auto after = box.inside();
        for (const QString& item : expected.split("; ")) {
            const QString key = item.section('=', 0, 0);
            before.remove(key == "copy" ? "in-use.dat" : key);
            after.remove(key == "copy" ? "in-use.dat" : key);
        }
        EXPECT_EQ(after, before);
        QDir(box.path(name)).removeRecursively();
        QFile::remove(box.path(name));  // a pipe, which a write would wait on
        QFile::remove(box.path("GreekEnglish.dat"));
    }
}

// Twenty imports from the command line and a set made in the editor, all at once: every set is
// listed, in the file and in the editor, and every card file is named by a line.
TEST_F(Program, ImportsBesideTheEditorLoseNoSet) {
    start();
    edit();
    std::vector<std::unique_ptr<QProcess>> imports;
    for (int i = 0; i < 20; ++i) {
        const QString list = QString("../lists/p%1.csv").arg(i);
        box.write(list, QString("Topic %1,Other\r\nq,a\r\n").arg(i).toUtf8());
        imports.push_back(std::make_unique<QProcess>());
        imports.back()->start(QUORVANE_PROGRAM,
                              {"--folder", box.folder(), "--import", box.path(list)});
    }
    act("create/Greek/English");
    for (auto& p : imports) {
        EXPECT_TRUE(p->waitForFinished(60000));
        EXPECT_EQ(p->readAll() + p->readAllStandardError(), "Imported 1 card.\n");
    }
    act("back");
    act("open");
    const QStringList lines = codec::splitLines(codec::decode(box.read("sets.dat")));
    EXPECT_EQ(lines.size(), 23);
    EXPECT_EQ(list("ListView2")->model()->rowCount(), 22);
    EXPECT_TRUE(lines.contains("Greek|English|GreekEnglish.dat"));
    for (const QString& name : box.inside().keys()) {
        if (!Main::IsOwnSetFileName(name)) continue;
        EXPECT_EQ(lines.filter("|" + name).size(), 1) << qPrintable(name);
    }
    EXPECT_TRUE(d.reports().isEmpty());
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

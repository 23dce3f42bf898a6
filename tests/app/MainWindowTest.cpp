// The start-up and the main window: files provisioned, options restored and stored, two actions.
#include "CurrentSet.h"
#include "Form2.h"
#include "Program.h"
#include "SurfaceWidget.h"

#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QRadioButton>
#include <QScreen>
#include <QTimer>

namespace {

// The six options as "1" and "0", then the two combo boxes.
QString options(const Form1& form) {
    QString states;
    for (int n = 1; n <= 6; ++n) states += form.OptionButton[n]->isChecked() ? '1' : '0';
    return states + " " + form.Combo1->currentText() + " " + form.Combo2->currentText();
}

}  // namespace

TEST_F(Program, StartProvisionsTheFilesOnceAndRestoresTheOptions) {
    start();
    EXPECT_EQ(look("copy; sets.dat; shown"),
              "copy=StatesCapitals.dat,default.dat; "
              "sets.dat=Sets,States|Capitals|StatesCapitals.dat; shown=");
    EXPECT_EQ(options(*main), "101010 144 Arial");
    EXPECT_EQ(main->Label3->text(),
              "You have the States/Capitals set of flashcards in your hand. Click the 'Edit Cards' "
              "button to pick up another set of flashcards, make a your own set of flashcards or "
              "add/remove flashcards to/from this States/Capitals set.");
    EXPECT_EQ(main->windowTitle() + look::applicationTitle(), "QuorvaneQuorvane");
    EXPECT_FALSE(QApplication::windowIcon().isNull());  // the card window's too
    EXPECT_EQ(main->size(), QSize(536, 469));
    // Centred on the screen (its frame aside), in bold Arial as designed.
    const QPoint off = main->geometry().center() - main->screen()->availableGeometry().center();
    EXPECT_TRUE(off.manhattanLength() <= 4 && main->font().bold());
    EXPECT_TRUE(main->focusWidget() == main->Text1 && main->Text1->y() >= main->height());
    const int fonts = main->Combo2->count();
    EXPECT_EQ(main->Combo2->itemText(fonts - 2) + main->Combo2->itemText(fonts - 1) +
                  main->Combo1->itemText(12),
              "ArialNew Times Roman240");
    const QByteArray sets =
        crlf({"Sets", "States|Capitals|StatesCapitals.dat", "A|B|AB.dat", "C|D|gone.dat"});
    box.write("AB.dat", crlf({"A|B", "a|b"}));
    box.write("StatesCapitals.dat", crlf({"States|Capitals", "Ohio|Columbus"}));
    const std::tuple<QStringList, QString, QString> cases[] = {
        // stored; state; options
        {{"SelectedSet=2"}, "copy=AB.dat; reports=", "101010 144 Arial"},
        {{"SelectedSet=3"}, "in-use.dat=C|D; reports=", "101010 144 Arial"},  // its file gone
        {{"Option1=False", "Option2=True", "Option4=1", "Option3=0"},
         "copy=StatesCapitals.dat",
         "010110 144 Arial"},
        {{"Option5=True", "Option6=True", "Option3=False", "Option4=False"},
         "reports=",
         "100001 144 Arial"},
        // Option1 keeps the state it was designed with; clearing Option2 selects nothing.
        {{"Option1=maybe", "Option2=0"},
         "reports=Form1.Form_Load@120: Type mismatch",
         "101010 144 Arial"},
        {{"SelectedSet=abc"},
         "reports=Form1.Form_Load@130: Type mismatch; copy=StatesCapitals.dat; stored=1",
         "101010 144 Arial"},
        {{"SelectedSet=99999999999"}, "reports=Form1.Form_Load@130: Overflow", "101010 144 Arial"},
        {{"SelectedSet=2147483647", "Combo1=72", "Combo2=Courier"},
         "copy=StatesCapitals.dat; stored=1",
         "101010 72 Courier"},
    };
    for (const auto& [stored, expected, restored] : cases) {
        QFile::remove(SettingsFilePath());
        for (const QString& s : stored) WriteSetting(s.section('=', 0, 0), s.section('=', 1));
        box.write("in-use.dat", "stale\r\n");
        if (stored[0] == "SelectedSet=3") QFile::remove(box.path("in-use.dat"));
        d.shown.clear();
        start(sets);
        EXPECT_EQ(look(expected + "; sets.dat"),
                  expected +
                      "; sets.dat=Sets,States|Capitals|StatesCapitals.dat,A|B|AB.dat,C|D|gone.dat");
        EXPECT_EQ(options(*main), restored);
    }
    for (const char* name :
         {"default-sets.dat", "default.dat", "sets.dat", "in-use.dat", "StatesCapitals.dat"})
        QFile::remove(box.path(name));
    start();
    EXPECT_EQ(
        look("reports"),
        "reports=Form1.Form_Load@126: File not found,Form1.Form_Load@128: File not found,"
        "Form1.Form_Load@134: File not found,Main.ReadFileToStringFSOLine@100: File not found");
    EXPECT_TRUE(main->Label3->text().startsWith("You have the States/Capitals set"));
    EXPECT_EQ(AppTitleFrom("Quorvane Flash Card Pro"), "Quorvane Flash Card");
    EXPECT_EQ(AppTitleFrom("one two three four five six seven eight nine ten elevenxx"),
              "one two three four five six seven eight");
}

TEST_F(Program, OptionsAreStoredWhenPickedAndTheSizeBoxKeepsANumber) {
    start();
    for (int clicked : {2, 4, 6, 1}) QTest::mouseClick(main->OptionButton[clicked], Qt::LeftButton);
    main->Combo1->setCurrentIndex(main->Combo1->findText("72"));
    emit main->Combo1->activated(main->Combo1->currentIndex());
    for (const auto& [typed, kept] : {std::pair{"37", "37"},
                                      {"12.5", "12.5"},
                                      {"72,5", "72,5"},  // the user's decimal comma
                                      {"", "28"},
                                      {"big", "28"},
                                      {"0", "28"},
                                      {"nan", "28"},
                                      {"1e9", "28"}}) {
        main->Combo1->lineEdit()->setText(typed);
        QFocusEvent out(QEvent::FocusOut);
        QApplication::sendEvent(main->Combo1, &out);
        EXPECT_EQ(main->Combo1->currentText(), kept) << typed;
    }
    QString stored;
    for (const char* key :
         {"Option1", "Option2", "Option3", "Option4", "Option5", "Option6", "Combo1"})
        stored += ReadSetting(key, "-") + " ";
    EXPECT_EQ(stored, "True False False True False True 72 ");  // not what the guard put there
    start();
    EXPECT_EQ(options(*main), "100101 72 Arial");
}

TEST_F(Program, StartShowsTheCardsModallyAndEditSwapsTheWindows) {
    WriteSetting("Option4", "True");
    WriteSetting("Option3", "False");
    start();
    for (int run = 0; run < 2; ++run) {
        // A set's file changed on disk (in place, at the same size) is studied as it is now.
        if (run)
            box.write("StatesCapitals.dat",
                      box.read("StatesCapitals.dat").replace("Alabama|", "Alabamb|"));
        QString card;
        int ink = 0;
        QTimer::singleShot(100, [&] {
            Form2* cards = main->cardWindow();
            ASSERT_TRUE(cards && QApplication::activeModalWidget() == cards);
            card = cards->Picture1->accessibleName();
            // The first card is drawn in the 144 pt Arial the main window starts with.
            const QImage image = cards->Picture1->image().image();
            for (int y = 0; y < image.height(); y += 2)
                for (int x = image.width() / 3; x < 2 * image.width() / 3; x += 2)
                    ink += qGray(image.pixel(x, y)) < 128;
            QTest::keyClick(cards, Qt::Key_Escape);
        });
        bool forced = false;  // fail rather than hang
        QTimer guard;
        guard.callOnTimeout([&] { forced = true, main->cardWindow()->close(); });
        guard.start(10000);
        main->PushButton1_Click();
        EXPECT_EQ(card, run ? "Alabamb" : "Alabama") << run;
        EXPECT_GT(ink, 1000) << run;
        EXPECT_FALSE(main->cardWindow()->isVisible() || forced);
        EXPECT_EQ(Deckwork::CardCount, 50);
    }
    box.write("sets.dat",
              crlf({"Sets", "States|Capitals|StatesCapitals.dat", "A|B|AB.dat", "C|D|CD.dat"}));
    // A set beyond the list, or below it, is the installed set in every place.
    for (const auto& [selected, highlight] : {std::pair{2, 2}, {5, 1}, {-3, 1}}) {
        start({}, selected);
        edit();
        EXPECT_EQ(look("set; new; stored"), QString("set=%1; new=0; stored=%1").arg(highlight));
        EXPECT_TRUE(main->isHidden());
        selected == 5 ? act("back") : void(editor->close());
        EXPECT_TRUE(main->isVisible());
    }
    EXPECT_TRUE(d.shown.isEmpty());
}

// Text on the designed white (main window, card, hints) reads on any theme: in the theme's own
// colour where it reads at 4.5:1, as before to the pixel, and else in black.
TEST_F(Program, TextOnWhiteReadsOnAnyThemeAndTheRestFollowsIt) {
    const QPalette light = QApplication::palette(), dark(QColor(0x353535));  // white text
    QPalette grey = light;
    grey.setColor(QPalette::WindowText, QColor(0x404060));
    for (const QPalette* theme : {&light, &dark, &std::as_const(grey)}) {
        QApplication::setPalette(*theme);
        start();
        Form2 cards(*main, main.get());
        cards.Open();
        const QColor own = theme->color(QPalette::WindowText);
        for (QWidget* w : std::initializer_list<QWidget*>{main->Label3, main->Frame1,
                                                          main->OptionButton[5], cards.Picture1}) {
            const QColor text = w->palette().color(w->foregroundRole());
            EXPECT_TRUE(look::contrast(text, Qt::white) >= 4.5 &&
                        (text == own) == (theme != &dark));
        }
        for (QWidget* w : std::initializer_list<QWidget*>{main.get(), cards.Picture1}) {
            const QImage shown = w->grab().toImage();
            QPalette before = w->palette();  // the theme's own text, as before
            before.setColor(QPalette::WindowText, own);
            w->setPalette(before);
            EXPECT_EQ(w->grab().toImage() == shown, theme != &dark);
        }
    }
    QApplication::setPalette(light);
}

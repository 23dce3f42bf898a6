// What a study session started from the main window puts on the card: the first card at the
// font and size the main window starts with, and a side of ten million characters centred across
// the whole card. The editor keeps such a side whole.
#include "Form1.h"
#include "Form2.h"
#include "Form3.h"
#include "ProgramRun.h"
#include "Sandbox.h"
#include "ScriptedDialogs.h"
#include "Settings.h"
#include "SurfaceWidget.h"

#include <gtest/gtest.h>

#include <QComboBox>
#include <QDir>

namespace {

const QByteArray kLongSide = QByteArray(5 << 20, 'x') + "M" + QByteArray(5 << 20, 'x');

// The set in hand holds `cards`; cards come in order, and the card picture is white to its
// edges, so that any dark pixel is text.
void prepare(Sandbox& box, const QList<QByteArray>& cards) {
    box.write("sets.dat",
              crlfLines({"Sets", "States|Capitals|StatesCapitals.dat", "Long|Side|long.dat"}));
    box.write("long.dat", crlfLines(QList<QByteArray>{"Long|Side"} + cards));
    WriteSetting("SelectedSet", "2");
    WriteSetting("Option3", "False");
    WriteSetting("Option4", "True");
    QDir(box.folder()).mkpath("Whitecard");
    QImage white(64, 64, QImage::Format_RGB32);
    white.fill(Qt::white);
    EXPECT_TRUE(white.save(box.path("Whitecard/Whitecard.jpg"), "PNG"));
}

// Dark pixels of `image` between columns `from` and `to`.
int inkBetween(const QImage& image, int from, int to) {
    int ink = 0;
    for (int y = 0; y < image.height(); ++y)
        for (int x = from; x < to; ++x) ink += qGray(image.pixel(x, y)) < 128;
    return ink;
}

}  // namespace

TEST(CardText, TheFirstCardIsDrawnInTheFontTheMainWindowStartsWith) {
    Sandbox box;
    prepare(box, {"Ohio|Columbus"});
    ScriptedDialogs dialogs;
    Form1 main;
    ASSERT_EQ(main.Combo1->currentText(), "144");
    ASSERT_EQ(main.Combo2->currentText(), "Arial");
    int ink = -1;
    const QStringList shown = studyWithKeys(main, "", [&](Form2& cards) {
        const QImage image = cards.Picture1->image().image();
        ink = inkBetween(image, image.width() / 3, 2 * image.width() / 3);
    });
    EXPECT_EQ(shown, QStringList{"Ohio"});
    EXPECT_GT(ink, 0) << "the card is blank";
    EXPECT_TRUE(dialogs.errors().isEmpty());
}

TEST(CardText, ASideOfTenMillionCharactersRunsOffBothEdgesAroundItsMiddle) {
    Sandbox box;
    prepare(box, {kLongSide + "|y"});
    ScriptedDialogs dialogs;
    Form1 main;
    // A size at which glyphs are drawn whatever becomes of large ones.
    main.Combo1->setCurrentText("36");
    int left = -1, right = -1;
    const QStringList shown = studyWithKeys(main, "", [&](Form2& cards) {
        const QImage image = cards.Picture1->image().image();
        const int tenth = image.width() / 10;
        left = inkBetween(image, 0, tenth);
        right = inkBetween(image, image.width() - tenth, image.width());
    });
    ASSERT_EQ(shown.size(), 1);
    EXPECT_GT(left, 0);
    EXPECT_GT(right, 0);
    EXPECT_TRUE(shown[0].contains('M'));
    EXPECT_TRUE(dialogs.errors().isEmpty());
}

TEST(CardText, TheEditorKeepsASideOfTenMillionCharactersWhole) {
    Sandbox box;
    prepare(box, {kLongSide + "|y", "short|card"});
    ScriptedDialogs dialogs;
    Form1 main;
    // Not painted: a list showing such a side takes seconds to draw, which is no test's matter.
    EditorDriver ed(main, false);
    ASSERT_TRUE(ed.editor());
    ASSERT_EQ(ed.cardEntries().size(), 2);
    // Deleting the entry finds the card's line, so the entry holds the whole side.
    EditorDriver::highlightByKeys(ed.cardList(), 1);
    dialogs.yes();
    ed.click("PushButton3");
    EXPECT_EQ(box.read("in-use.dat"), crlfLines({"Long|Side", "short|card"}));
    EXPECT_EQ(box.read("long.dat"), crlfLines({"Long|Side", "short|card"}));
    EXPECT_EQ(ed.cardEntries(), QStringList{"short|card"});
    EXPECT_TRUE(dialogs.errors().isEmpty());
}

// The editor window itself: its look, its pointer, and the way there and back.
#include "EditorFixture.h"
#include "Files.h"
#include "Look.h"
#include "Settings.h"

#include <QApplication>
#include <QBuffer>
#include <QCoreApplication>
#include <QHeaderView>
#include <QImageWriter>
#include <QTest>

namespace {

// A cursor file: an icon file whose type word says "cursor" and whose entry holds the hot spot.
QByteArray cursorFile(int hotX, int hotY) {
    QImage image(32, 32, QImage::Format_ARGB32);
    image.fill(Qt::black);
    QBuffer buffer;
    buffer.open(QIODevice::WriteOnly);
    QImageWriter writer(&buffer, "ico");
    EXPECT_TRUE(writer.write(image));
    QByteArray bytes = buffer.data();
    bytes[2] = 2;
    bytes[10] = char(hotX);
    bytes[12] = char(hotY);
    return bytes;
}

}  // namespace

TEST_F(EditorTest, WindowHasTheDesignedLayout) {
    startProgram();
    openEditor();
    EXPECT_EQ(editor->windowTitle(), "Edit Cards");
    EXPECT_EQ(editor->size(), QSize(536, 460));
    EXPECT_EQ(editor->minimumSize(), editor->maximumSize());
    EXPECT_FALSE(editor->windowFlags() & Qt::WindowMaximizeButtonHint);
    EXPECT_TRUE(editor->windowFlags() & Qt::WindowMinimizeButtonHint);
    EXPECT_TRUE(editor->windowFlags() & Qt::WindowCloseButtonHint);
    EXPECT_EQ(editor->font().family(), "Arial");
    EXPECT_EQ(editor->font().pointSizeF(), 9.0);
    EXPECT_TRUE(editor->font().bold());
    EXPECT_TRUE(editor->testAttribute(Qt::WA_DeleteOnClose));

    const struct {
        const char* name;
        const char* caption;
        QRect geometry;
    } controls[] = {
        {"PushButton5", "< Back", {8, 7, 520, 27}},
        {"ListView2", nullptr, {8, 40, 520, 90}},
        {"PushButton6", "Create New Set", {8, 136, 256, 27}},
        {"PushButton7", "Delete Selected Set", {272, 136, 256, 27}},
        {"ListView1", nullptr, {8, 170, 520, 216}},
        {"PushButton1", "Add Card", {8, 392, 256, 27}},
        {"PushButton2", "Edit Selected Entry", {272, 392, 256, 27}},
        {"PushButton3", "Delete Selected Entry", {8, 426, 256, 27}},
        {"PushButton4", "Go Back To Default Flashcards", {272, 426, 256, 27}},
    };
    for (const auto& c : controls) {
        QWidget* w = editor->findChild<QWidget*>(c.name);
        ASSERT_NE(w, nullptr) << c.name;
        EXPECT_EQ(w->geometry(), c.geometry) << c.name;
        if (c.caption) {
            auto* b = qobject_cast<QPushButton*>(w);
            ASSERT_NE(b, nullptr) << c.name;
            EXPECT_EQ(b->text(), c.caption);
            EXPECT_EQ(b->font().family(), "Arial") << c.name;
            EXPECT_EQ(b->font().pointSizeF(), 11.25) << c.name;
            EXPECT_TRUE(b->font().bold()) << c.name;
        }
    }

    // Tab order: the card list first, then as designed.
    const char* const order[] = {"ListView1",   "PushButton1", "PushButton2",
                                 "PushButton5", "PushButton3", "PushButton4",
                                 "ListView2",   "PushButton6", "PushButton7"};
    QWidget* w = editor->findChild<QWidget*>(order[0]);
    for (size_t i = 1; i < std::size(order); ++i) {
        do w = w->nextInFocusChain();
        while (!(w->focusPolicy() & Qt::TabFocus) || w->parentWidget() != editor);
        EXPECT_EQ(w->objectName(), order[i]);
    }

    QTreeView* sets = setList();
    QTreeView* cards = cardList();
    EXPECT_EQ(sets->model()->columnCount(), 1);
    EXPECT_EQ(sets->model()->headerData(0, Qt::Horizontal).toString(), "Sets Of Flashcards");
    EXPECT_EQ(sets->header()->sectionSize(0), 467);
    EXPECT_EQ(cards->model()->columnCount(), 2);
    EXPECT_EQ(cards->header()->sectionSize(0), 240);
    EXPECT_EQ(cards->header()->sectionSize(1), 240);
    EXPECT_EQ(cards->model()->headerData(0, Qt::Horizontal).toString(), "States");
    EXPECT_EQ(cards->model()->headerData(1, Qt::Horizontal).toString(), "Capitals");
    for (QTreeView* view : {sets, cards}) {
        EXPECT_FALSE(view->rootIsDecorated());
        EXPECT_FALSE(view->header()->isHidden());
        EXPECT_EQ(view->editTriggers(), QAbstractItemView::NoEditTriggers);
    }
    EXPECT_EQ(setEntries(), QStringList({"States/Capitals"}));
    EXPECT_EQ(cardEntries().size(), 50);
    EXPECT_EQ(cardEntries().first(), "Alabama|Montgomery");
    EXPECT_TRUE(dialogs.errors().isEmpty());
}

TEST_F(EditorTest, WindowTakesTheButtonFaceColour) {
    QPalette palette = QApplication::palette();
    const QPalette saved = palette;
    palette.setColor(QPalette::Button, QColor(10, 200, 30));
    QApplication::setPalette(palette);
    startProgram();
    openEditor();
    EXPECT_EQ(editor->palette().color(QPalette::Window), QColor(10, 200, 30));
    QApplication::setPalette(saved);
}

TEST_F(EditorTest, HandPointerShowsOverTheSevenButtonsOnly) {
    const char* const buttons[] = {"PushButton1", "PushButton2", "PushButton3", "PushButton4",
                                   "PushButton5", "PushButton6", "PushButton7"};
    struct Case {
        const char* name;
        QByteArray file;  // empty: no cursor file
        bool hand;
        int reports;
    };
    const Case cases[] = {
        {"cursor file", cursorFile(5, 3), true, 0},
        {"no cursor file", {}, false, 0},
        {"not a picture", "garbage", false, 1},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        dialogs.shown.clear();
        QFile::remove(folder.path("HAND-M.CUR"));
        if (!c.file.isEmpty()) folder.write("HAND-M.CUR", c.file);
        delete editor;
        startProgram();
        openEditor();
        for (const char* name : buttons) {
            EXPECT_EQ(button(name)->cursor().shape(), c.hand ? Qt::BitmapCursor : Qt::ArrowCursor)
                << name;
        }
        if (c.hand) {
            EXPECT_EQ(button("PushButton1")->cursor().hotSpot(), QPoint(5, 3));
        }
        for (QWidget* w : {static_cast<QWidget*>(editor.data()), static_cast<QWidget*>(setList()),
                           static_cast<QWidget*>(cardList())})
            EXPECT_EQ(w->cursor().shape(), Qt::ArrowCursor);
        EXPECT_EQ(dialogs.errors().size(), c.reports);
        if (c.reports && !dialogs.errors().isEmpty()) {
            EXPECT_EQ(dialogs.errors()[0],
                      expectedReport("Invalid picture", "Form3.Form_Load", 106));
        }
    }
}

TEST_F(EditorTest, BackAndCloseReturnToTheMainWindow) {
    for (const bool back : {true, false}) {
        SCOPED_TRACE(back ? "< Back" : "close button");
        startProgram();
        openEditor();
        ASSERT_TRUE(mainWindow.isHidden());
        dialogs.answer("Spanish").answer(back ? "English" : "Anglais");
        click("PushButton6");
        if (back)
            click("PushButton5");
        else
            editor->close();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        EXPECT_TRUE(editor.isNull());
        EXPECT_TRUE(mainWindow.isVisible());
        EXPECT_EQ(mainTexts.texts.option5,
                  QString("Show Spanish first and then flip to ") + (back ? "English" : "Anglais"));
        mainWindow.hide();
        WriteSetting("SelectedSet", "1");
    }
    EXPECT_TRUE(dialogs.errors().isEmpty());
}

TEST_F(EditorTest, EditCardsHighlightsTheSetInHandOrTheLastSet) {
    folder.write("sets.dat", crlf({"Sets", "States|Capitals|StatesCapitals.dat",
                                   "Alpha|Beta|AlphaBeta.dat", "Eins|Zwei|EinsZwei.dat"}));
    for (int i = 4; i <= 12; ++i)
        Main::EditFileFSO(folder.path("sets.dat"), QString("S%1|T|ST%1.dat").arg(i), {}, true,
                          false, false, false);
    const struct {
        int selected, highlighted;
    } cases[] = {{2, 2}, {12, 12}, {40, 12}, {0, 0}, {-3, 0}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.selected);
        delete editor;
        startProgram();
        Deckwork::SelectedSet = c.selected;
        openEditor();
        EXPECT_EQ(highlightedSet(), c.highlighted);
        if (c.highlighted) {
            EXPECT_TRUE(visible(setList(), c.highlighted - 1));
        }
        EXPECT_FALSE(editor->NewSetSelected);
        EXPECT_TRUE(editor->isVisible());
        EXPECT_TRUE(mainWindow.isHidden());
    }
}

#include "CardImage.h"
#include "CurrentSet.h"
#include "HintLayout.h"
#include "Look.h"
#include "Pump.h"
#include "ScriptedDialogs.h"
#include "StudySession.h"
#include "SurfaceWidget.h"

#include <gtest/gtest.h>

#include <QAccessible>
#include <QApplication>
#include <QDir>
#include <QFontMetricsF>
#include <QImage>
#include <QKeyEvent>
#include <QLabel>
#include <QPainter>
#include <QTest>

namespace {

const QStringList kThree = {"Q1|A1", "Q2|A2", "Q3|A3"};

void key(StudySession& s, Qt::Key k, Qt::KeyboardModifiers modifiers = Qt::NoModifier) {
    QTest::keyClick(s.form->Picture1, k, modifiers);
    QCoreApplication::processEvents();
}

QRgb pixel(const StudySession& s, QPoint p) {
    return s.form->Picture1->image().image().pixel(p) & 0xffffff;
}

void writePicture(const ProgramFolder& folder, const QImage& picture) {
    QDir(folder.folder()).mkpath(QStringLiteral("Whitecard"));
    ASSERT_TRUE(picture.save(folder.path(QStringLiteral("Whitecard/Whitecard.jpg")), "PNG"));
}

}  // namespace

TEST(CardWindow, OpensFullScreenOnTheFirstCard) {
    ScriptedDialogs dialogs;
    StudySession s(kThree);
    s.start();
    Form2& form = *s.form;
    EXPECT_TRUE(form.isVisible());
    EXPECT_TRUE(form.isFullScreen());
    EXPECT_TRUE(form.windowFlags() & Qt::FramelessWindowHint);
    EXPECT_EQ(form.windowModality(), Qt::ApplicationModal);
    EXPECT_EQ(form.windowTitle(), "Quorvane");
    EXPECT_EQ(form.geometry(), form.screen()->geometry());
    EXPECT_EQ(form.Picture1->geometry(), form.rect());
    EXPECT_EQ(form.Picture1->image().size(), form.size());
    // Opening is one step: the question of card 1.
    EXPECT_EQ(s.card(), "Q1");
    EXPECT_EQ(form.CurrentCard, 1);
    EXPECT_TRUE(form.AnswerPending);
    EXPECT_EQ(form.palette().color(QPalette::Window), look::buttonFace());
    for (QLabel* label : {form.Label1, form.Label2, form.Label3}) {
        EXPECT_FALSE(label->autoFillBackground());  // the card shows through the hints
        EXPECT_EQ(label->y(), 8);
    }
    EXPECT_TRUE(dialogs.errors().isEmpty());
    form.close();
}

TEST(CardWindow, WindowKeysDriveTheSession) {
    ScriptedDialogs dialogs;
    StudySession s(kThree);
    s.start();
    key(s, Qt::Key_Space);  // before the start timer: not a step yet
    EXPECT_EQ(s.card(), "Q1");
    ASSERT_TRUE(s.waitForKeys());
    EXPECT_FALSE(s.form->keysSystemWide());

    struct Step {
        Qt::Key key;
        Qt::KeyboardModifiers modifiers;
        const char* card;
    };
    const Step steps[] = {
        {Qt::Key_Space, Qt::NoModifier, "Q1/A1"},
        {Qt::Key_Space, Qt::ShiftModifier, "Q1/A1"},
        {Qt::Key_Space, Qt::ControlModifier, "Q1/A1"},
        {Qt::Key_Backspace, Qt::AltModifier, "Q1/A1"},
        {Qt::Key_Space, Qt::MetaModifier, "Q1/A1"},
        {Qt::Key_Space, Qt::KeypadModifier, "Q2"},
        {Qt::Key_Backspace, Qt::NoModifier, "Q1"},
        {Qt::Key_Backspace, Qt::NoModifier, "Q3"},
        {Qt::Key_A, Qt::NoModifier, "Q3"},
        {Qt::Key_Space, Qt::NoModifier, "Q3/A3"},
        {Qt::Key_Space, Qt::NoModifier, "Q1"},
    };
    for (const Step& step : steps) {
        key(s, step.key, step.modifiers);
        EXPECT_EQ(s.card(), step.card) << step.key << " " << int(step.modifiers);
    }
    key(s, Qt::Key_Escape, Qt::ShiftModifier);
    EXPECT_TRUE(s.form->isVisible());
    key(s, Qt::Key_Escape);
    EXPECT_FALSE(s.form->isVisible());
    EXPECT_FALSE(s.form->takingKeys());
    EXPECT_TRUE(Deckwork::PumpStop);
    EXPECT_FALSE(s.form->Timer1.isActive());
    EXPECT_TRUE(dialogs.errors().isEmpty());
}

TEST(CardWindow, ShowModalReturnsWhenEscClosesAndOpensAgain) {
    ScriptedDialogs dialogs;
    StudySession s(kThree);
    s.options.questionFirst = false;
    QStringList seen;
    const auto session = [&] {
        EXPECT_TRUE(s.waitForKeys());
        seen << s.card();
        key(s, Qt::Key_Space);
        seen << s.card();
        key(s, Qt::Key_Escape);
    };
    // As in the program, inside the application's own loop, where closing the only window
    // there is would end the program if the card window let it.
    QTimer::singleShot(0, [&] {
        s.startModal(session);
        EXPECT_FALSE(s.form->isVisible());
        // The Start action sets the state again; the window opens at the size it had.
        s.startModal(session);
        // Without the Start action's reset, the state carries on from where it was.
        Deckwork::LoadInUseCards();
        s.form->Timer1.start();
        QTimer::singleShot(0, s.form.get(), session);
        s.form->ShowModal();
        QCoreApplication::exit(0);
    });
    QCoreApplication::exec();
    EXPECT_EQ(seen, QStringList({"Q1/A1", "Q2/A2", "Q1/A1", "Q2/A2", "Q3/A3", "Q1/A1"}));
    EXPECT_TRUE(dialogs.errors().isEmpty());
}

TEST(CardWindow, EachResizeLaysOutTheHintsAndStepsOn) {
    ScriptedDialogs dialogs;
    StudySession s(kThree);
    s.options.questionFirst = false;
    s.start();
    struct Case {
        int width, height;
        const char* card;
    };
    const Case cases[] = {{1366, 768, "Q2/A2"}, {1001, 700, "Q3/A3"}, {640, 480, "Q1/A1"}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.width);
        s.form->resize(c.width, c.height);
        const HintLayout layout = LayOutHints(c.width * 15);
        Form2& f = *s.form;
        EXPECT_EQ(f.Label1->geometry().topLeft(), QPoint(8, 8));
        EXPECT_EQ(f.Label3->geometry().topLeft(), QPoint(8, 8));
        EXPECT_EQ(f.Label2->geometry().topLeft(), QPoint(TwipsToPixels(layout.label2Left), 8));
        EXPECT_EQ(f.Label1->width(), TwipsToPixels(layout.label1Width));
        EXPECT_EQ(f.Label2->width(), TwipsToPixels(layout.label2Width));
        EXPECT_EQ(f.Label3->width(), TwipsToPixels(layout.label3Width));
        EXPECT_EQ(f.Picture1->geometry(), QRect(0, 0, c.width, c.height));
        EXPECT_EQ(f.Picture1->image().size(), QSize(c.width, c.height));
        EXPECT_EQ(s.card(), c.card);
    }
    EXPECT_TRUE(dialogs.errors().isEmpty());
    s.form->close();
}

TEST(CardWindow, AFontSizeThatIsNoNumberIsReportedAndTheStepGoesOn) {
    struct Case {
        const char* size;
        const char* description;
    };
    const Case cases[] = {{"abc", "Type mismatch"},
                          {"", "Type mismatch"},
                          {"0", "Overflow"},
                          {"-5", "Overflow"},
                          {"99999", "Overflow"}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.size);
        ScriptedDialogs dialogs;
        StudySession s(kThree);
        s.options.size = QString::fromLatin1(c.size);
        s.start();
        EXPECT_EQ(s.card(), "Q1");
        ASSERT_EQ(dialogs.errors().size(), 1);
        EXPECT_EQ(dialogs.errors()[0], expectedReport(c.description, "Form2.Form_Resize", 118));
        s.form->close();
    }
}

TEST(CardWindow, BuiltInPictureIsAWhiteCardWithRoundedCorners) {
    ScriptedDialogs dialogs;
    StudySession s({});
    s.start();
    const QSize size = s.form->Picture1->image().size();
    EXPECT_EQ(pixel(s, {0, 0}), 0x000000u);
    EXPECT_EQ(pixel(s, {size.width() - 1, size.height() - 1}), 0x000000u);
    EXPECT_EQ(qGray(pixel(s, {size.width() / 2, size.height() / 2})), 255);
    EXPECT_GE(qGray(pixel(s, {size.width() / 2, 1})), 250);  // the card reaches the edges
    EXPECT_GE(qGray(pixel(s, {1, size.height() / 2})), 250);
    EXPECT_TRUE(dialogs.errors().isEmpty());
    s.form->close();
}

TEST(CardWindow, PictureInTheProgramFolderIsStretchedOverTheCard) {
    ScriptedDialogs dialogs;
    StudySession s({});
    QImage picture(40, 10, QImage::Format_RGB32);  // far wider than the screen's proportions
    picture.fill(QColor(200, 30, 30));
    writePicture(s.folder, picture);
    s.start();
    const QSize size = s.form->Picture1->image().size();
    for (QPoint p : {QPoint(0, 0), QPoint(size.width() - 1, size.height() - 1),
                     QPoint(size.width() / 2, 0), QPoint(0, size.height() - 1)})
        EXPECT_EQ(pixel(s, p), 0xc81e1eu) << p.x() << "," << p.y();
    s.form->close();

    // Gone at the next opening: the built-in picture again.
    QFile::remove(s.folder.path(QStringLiteral("Whitecard/Whitecard.jpg")));
    s.start();
    EXPECT_EQ(pixel(s, {0, 0}), 0x000000u);
    EXPECT_TRUE(dialogs.errors().isEmpty());
    s.form->close();
}

TEST(CardWindow, UnreadablePictureOrCursorIsReportedAndTheWindowOpens) {
    struct Case {
        const char* file;
        int statement;
    };
    const Case cases[] = {{"Whitecard/Whitecard.jpg", 106}, {"HAND-M.CUR", 104}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.file);
        ScriptedDialogs dialogs;
        StudySession s({"Q|A"});
        QDir(s.folder.folder()).mkpath(QStringLiteral("Whitecard"));
        s.folder.write(QString::fromLatin1(c.file), "not a picture");
        s.start();
        ASSERT_EQ(dialogs.errors().size(), 1);
        EXPECT_EQ(dialogs.errors()[0],
                  expectedReport("Invalid picture", "Form2.Form_Load", c.statement));
        EXPECT_TRUE(s.form->isVisible());
        EXPECT_EQ(s.card(), "Q");
        EXPECT_EQ(pixel(s, {0, 0}), 0x000000u);  // the built-in picture
        s.form->close();
    }
}

// Setting the name is what notifies screen readers (QAccessible::NameChanged); the offscreen
// platform has no screen reader to hear it, so the test reads what one would be told.
TEST(CardWindow, ScreenReadersGetTheCardAtEveryStep) {
    StudySession s(kThree);
    s.start();
    ASSERT_TRUE(s.waitForKeys());
    QAccessibleInterface* surface = QAccessible::queryAccessibleInterface(s.form->Picture1);
    ASSERT_NE(surface, nullptr);
    QStringList heard{surface->text(QAccessible::Name)};
    for (int i = 0; i < 3; ++i) {
        key(s, Qt::Key_Space);
        heard << surface->text(QAccessible::Name);
    }
    key(s, Qt::Key_Backspace);
    heard << surface->text(QAccessible::Name);
    EXPECT_EQ(heard, QStringList({"Q1", "Q1\nA1", "Q2", "Q2\nA2", "Q1"}));
    EXPECT_EQ(surface->text(QAccessible::Description), "Flashcard");
    s.form->close();
}

// A step's drawing reaches the screen before the back buffer has caught up with the clearing:
// what is painted then, and the back buffer after, are exactly the card with only the new text.
TEST(CardImage, PaintedCardIsTheNewCardBeforeAndAfterSettling) {
    QImage picture(400, 200, QImage::Format_RGB32);
    QPainter painter(&picture);
    painter.fillRect(picture.rect(), Qt::white);
    painter.fillRect(QRect(100, 40, 200, 120), QColor(200, 150, 20));
    painter.end();
    QFont font(QStringLiteral("Liberation Sans"));
    font.setPointSize(40);
    const auto fresh = [&](CardImage& image) {
        image.setPicture(picture, picture.size());
        image.setFont(font);
    };
    struct Case {
        QPointF oldAt, newAt;
    };
    const Case cases[] = {
        {{10, 20}, {40, 40}},   // overlapping
        {{10, 20}, {10, 120}},  // apart
        {{60, 60}, {60, 60}},   // the same place
    };
    for (const Case& c : cases) {
        CardImage image;
        fresh(image);
        image.drawText(float(c.oldAt.x()), float(c.oldAt.y()), QStringLiteral("Wyoming"));
        image.settle();
        image.takeChanged();
        image.clear();
        image.drawText(float(c.newAt.x()), float(c.newAt.y()), QStringLiteral("Cheyenne"));

        CardImage only;
        fresh(only);
        only.drawText(float(c.newAt.x()), float(c.newAt.y()), QStringLiteral("Cheyenne"));
        const QImage expected = only.image();

        // The screen starts from the old card and gets what changed.
        QImage screen = picture;
        QPainter old(&screen);
        CardImage before;
        fresh(before);
        before.drawText(float(c.oldAt.x()), float(c.oldAt.y()), QStringLiteral("Wyoming"));
        before.paint(old, QRegion(picture.rect()));
        image.paint(old, image.takeChanged());
        old.end();
        EXPECT_EQ(screen, expected);
        EXPECT_EQ(image.image(), expected);
    }
}

namespace {

// Where a text put ink on a white picture, how much of it, and its darkest colour.
struct Ink {
    QRect box;
    double amount = 0;
    QRgb darkest = 0xffffffff;
};

Ink inkOf(const QImage& image) {
    Ink ink;
    int darkest = 256;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x) {
            const QRgb p = image.pixel(x, y);
            const int gray = qGray(p);
            if (gray == 255) continue;
            ink.box |= QRect(x, y, 1, 1);
            ink.amount += 255 - gray;
            if (gray < darkest) {
                darkest = gray;
                ink.darkest = p;
            }
        }
    return ink;
}

}  // namespace

// The card's glyphs are drawn once and kept: the texts must come out where and as Qt itself
// draws them (glyphs on whole pixels aside), in their colour, at every size the main window
// offers, from a font standing in for missing characters, and after a change of colour.
TEST(CardImage, TextLooksAsQtDrawsItAtEverySize) {
    struct Case {
        const char* text;
        int points;
        QColor color;
    };
    std::vector<Case> cases;
    for (int points : {10, 18, 24, 36, 48, 72, 96, 120, 144, 168, 192, 216, 240})
        cases.push_back({"Ohio", points, Qt::black});
    cases.push_back({"Montgomery", 144, Qt::red});  // same glyphs, another colour
    cases.push_back({"Little Rock", 36, QColor(30, 60, 200)});
    cases.push_back({"Ελληνικά Ångström", 72, Qt::black});
    QImage picture(1900, 420, QImage::Format_RGB32);
    picture.fill(Qt::white);
    CardImage image;
    image.setPicture(picture, picture.size());
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.text) + " at " + std::to_string(c.points));
        const QString text = QString::fromUtf8(c.text);
        QFont font(QStringLiteral("Liberation Sans"));
        font.setPointSize(c.points);
        image.setFont(font);
        image.setColor(c.color);
        QImage expected = picture;
        QPainter painter(&expected);
        painter.setFont(font);
        painter.setPen(c.color);
        painter.drawText(QPointF(40.4, 20.7 + QFontMetricsF(font, &expected).ascent()), text);
        painter.end();
        const Ink want = inkOf(expected);
        ASSERT_GT(want.amount, 0);
        for (int twice = 0; twice < 2; ++twice) {  // the second time from kept glyphs
            image.clear();
            image.drawText(40.4f, 20.7f, text);
            const Ink got = inkOf(image.image());
            EXPECT_LE((got.box.topLeft() - want.box.topLeft()).manhattanLength(), 2);
            EXPECT_LE((got.box.bottomRight() - want.box.bottomRight()).manhattanLength(), 2);
            EXPECT_NEAR(got.amount, want.amount, want.amount * 0.03);
            EXPECT_LE(qAbs(qRed(got.darkest) - c.color.red()) +
                          qAbs(qGreen(got.darkest) - c.color.green()) +
                          qAbs(qBlue(got.darkest) - c.color.blue()),
                      3);
        }
    }
}

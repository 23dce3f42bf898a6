// The study session: the deck's steps, the key dispatcher, the card surface and the card window.
#include "CardImage.h"
#include "CardPicture.h"
#include "CurrentSet.h"
#include "Deck.h"
#include "Failure.h"
#include "Form2.h"
#include "Harness.h"
#include "Look.h"
#include "Options.h"
#include "Pump.h"
#include "SurfaceWidget.h"

#include <gtest/gtest.h>
#include <QAccessible>
#include <QBuffer>
#include <QDir>
#include <QLabel>
#include <QPainter>
#include <QScreen>
#include <QTest>

namespace {

// A 1366 x 768 surface, 10 pixels a character in lines 40.1 high, keeping "text@x,y"; a fitted
// side is 5 pixels a character in lines 20 high, kept as "length@x,y,box width,box height".
struct Surface final : CardSurface {
    QStringList onCard;
    void clear() override { onCard.clear(); }
    float textWidth(const QString& t) const override { return 10.0f * float(t.size()); }
    float textHeight(const QString&) const override { return 40.1f; }
    void drawText(float x, float y, const QString& t) override {
        if (!t.isEmpty()) onCard << t + QString::asprintf("@%g,%.9g", x, double(y));
    }
    QSizeF fitText(const QString& t, QSizeF box) override {
        const double width = 5.0 * double(t.size());
        return {std::min(width, box.width()), 20 * std::ceil(width / box.width())};
    }
    void drawFitted(float x, float y, const QString& t, QSizeF box) override {
        onCard << QString::asprintf("%d@%g,%.9g,%g,%g", int(t.size()), x, double(y), box.width(),
                                    box.height());
    }
    float width() const override { return 1366; }
    float height() const override { return 768; }
    QString card() const {
        return onCard.isEmpty() ? "_" : onCard.join('/').remove(QRegularExpression("@[^/]*"));
    }
};

const QStringList kThree = {"Q1|A1", "Q2|A2", "Q3|A3"}, kFour = {"C1|1", "C2|2", "C3|3", "C4|4"};

}  // namespace

// Keys (' ' Spacebar, 'b' Backspace) in a mode ('q' question first or 't' together, '2' Side 2
// first) and the card after each; the first key is the window's opening step. Random order draws
// the values given.
TEST(Deck, StepsForwardAndBackInEveryMode) {
    const std::tuple<const char*, QStringList, const char*, QList<double>, const char*> cases[] = {
        {"q", kThree, "       ", {}, "Q1 Q1/A1 Q2 Q2/A2 Q3 Q3/A3 Q1"},
        {"t", kThree, " b   b", {}, "Q1/A1 Q3/A3 Q1/A1 Q2/A2 Q3/A3 Q2/A2"},
        {"q", kThree, "     b  ", {}, "Q1 Q1/A1 Q2 Q2/A2 Q3 Q2 Q2/A2 Q3"},
        {"q", kThree, "    bb ", {}, "Q1 Q1/A1 Q2 Q2/A2 Q1 Q3 Q3/A3"},
        {"q", kThree, " b  ", {}, "Q1 Q3 Q3/A3 Q1"},
        {"q2", {"X|Y"}, "   ", {}, "Y Y/X Y"},
        {"t", {" Al  | Be |extra", "NoBar", "", "\tA|B\t"}, "     ", {}, "Al/Be _ _ \tA/B\t Al/Be"},
        {"q", {}, " b ", {}, "_ _ _"},
        {"qu", {}, " ", {}, "_"},  // a working copy that could not be read at all
        {"t", {}, " b ", {0.5, 0.5, 0.5}, "_ _ _"},
        // Each round deals every card once, shuffled by the values given (near 1 keep the order,
        // 0 puts the last card first); a round never starts with the card just shown.
        {"t",
         kFour,
         "        ",
         {.9, .9, .9, 0, .9, .9},
         "C1/1 C2/2 C3/3 C4/4 C2/2 C4/4 C3/3 C1/1"},
        {"t", {"A|1", "B|2"}, "      ", {.9, 0, 0}, "A/1 B/2 A/1 B/2 A/1 B/2"},
        {"t", {"Only|One"}, "  b ", {.5}, "Only/One Only/One Only/One Only/One"},
        // Backspace goes back through the cards shown; before the first the deal goes on.
        {"t", kFour, "   bbb ", {.9, .9, .9, 0, .9, .9}, "C1/1 C2/2 C3/3 C2/2 C1/1 C4/4 C2/2"},
        {"q", kFour, "      b ", {.9, .9, .9}, "C1 C1/1 C2 C2/2 C3 C3/3 C2 C2/2"},
    };
    for (auto [mode, cards, keys, values, shown] : cases) {
        ScriptedDialogs d;
        Deckwork::CardLines = mode[1] == 'u' ? QStringList() : QStringList{"H"} + cards;
        Deckwork::CardCount = int(cards.size());
        Options options;
        options.questionFirst = mode[0] == 'q', options.side1First = mode[1] != '2';
        options.random = !values.isEmpty();
        Main::SetRandomSource([&values = values] {
            if (values.isEmpty()) throw look::Failure("out of random values");
            return values.takeFirst();
        });
        Surface surface;
        StudyState state;
        Deck deck(state, surface, options);
        QStringList got;
        for (const char* k = keys; *k; ++k)
            *k == ' ' ? deck.ShowNext() : deck.ShowPrev(), got << surface.card();
        EXPECT_EQ(got.join(' '), shown) << keys << cards.join(',').toStdString();
        EXPECT_TRUE(d.shown.isEmpty()) << qPrintable(d.shown.join('\n'));
    }
    Main::SetRandomSource({});
    Surface surface;
    Options options;
    StudyState state;
    // The question 1.5 lines above the middle, the answer one empty line below, also when as wide
    // as the card; a wider side is fitted into its half, centred on its line where there is room.
    Deckwork::CardLines = {"H", "Question|" + QString(136, 'a'),
                           QString(140, 'q') + "|" + QString(9000, 'a')};
    Deckwork::CardCount = 2, state.CurrentCard = 1, options.questionFirst = false;
    Deck deck(state, surface, options);
    QStringList onCard;
    for (int step = 0; step < 2; ++step) deck.ShowNext(), onCard << surface.onCard;
    EXPECT_EQ(onCard, QStringList({"Question@643,323.850006", QString(136, 'a') + "@3,404.049988",
                                   "140@333,333.899994,1297.7,335.575",
                                   "9000@34.15,394.024994,1297.7,335.575"}));
    for (auto [r, n, card] :
         {std::tuple{0.95, 10, 10}, {std::nextafter(1.0, 0.0), INT_MAX, INT_MAX}, {0.7, 0, 1}}) {
        Main::SetRandomSource([r = r] { return r; });
        EXPECT_EQ(Main::RandomCard(n), card) << r;
    }
    Main::SetRandomSource({});
}

// A key that comes while a step runs (a report on screen) is dropped; a failing step is reported.
TEST(ProcessMessages, EachKeyRunsItsStepOnceAndAFailingStepIsReported) {
    struct Steps final : StudySteps {
        void ShowPrev() override { step("prev"); }
        void ShowNext() override { step("next"); }
        void CloseTheForm() override { step("close"); }
        void step(const char* name) {
            calls << name;
            if (calls.size() == 1) Deckwork::ProcessMessages(Deckwork::EscapeAtom, *this);
            if (calls.size() == 2) throw look::Failure(look::failures::DeviceIOError);
        }
        QStringList calls;
    } steps;
    ScriptedDialogs d;
    Deckwork::BackspaceAtom = 0xC101, Deckwork::SpaceAtom = 0xC102, Deckwork::EscapeAtom = 0xC103;
    Deckwork::PumpStop = false;
    for (quint32 id : {0xC102u, 0xC101u, 0xC104u, 0xC103u}) Deckwork::ProcessMessages(id, steps);
    Deckwork::PumpStop = true;
    Deckwork::ProcessMessages(0xC102, steps);
    EXPECT_EQ(steps.calls.join(' ') + d.reports().join(""),
              "next prev closeDeckwork.ProcessMessages@108: Device I/O error");
}

// Ink on white alike: some there, its left and bottom edges within two pixels, amount within 3%.
static bool alike(const QImage& a, const QImage& b) {
    const auto ink = [](const QImage& image) {
        QList<double> ink = {1e9, 0, 0};
        for (int y = 0; y < image.height(); ++y)
            for (int x = 0; x < image.width(); ++x)
                if (const int g = qGray(image.pixel(x, y)); g < 255)
                    ink = {std::min(ink[0], double(x)), double(y), ink[2] + 255 - g};
        return ink;
    };
    const QList<double> i = ink(a), j = ink(b);
    return j[2] > 0 && std::abs(i[0] - j[0]) <= 2 && std::abs(i[1] - j[1]) <= 2 &&
           std::abs(i[2] - j[2]) <= j[2] * 0.03;
}

// Texts come out where and as Qt draws them (on whole pixels), in any colour, size and script,
// also when laid out once and kept; a grey picture as Qt converts it. (That a step repaints all it
// changes, whatever the text, fuzz_card_text checks.)
TEST(CardImage, DrawsTextAndPictureAsQtDoes) {
    QImage picture(1900, 420, QImage::Format_RGB32);
    picture.fill(Qt::white);
    CardImage kept;
    kept.setPicture(picture, picture.size());
    for (auto [text, points, color] : {std::tuple{"Ohio", 10, QColor(Qt::black)},
                                       {"Ohio", 240, Qt::black},
                                       {"Montgomery", 144, Qt::red},
                                       {"Ελληνικά Ångström 日本", 72, QColor(30, 60, 200)}}) {
        QImage expected = picture;
        QPainter painter(&expected);
        QFont font("Liberation Sans", points);
        painter.setFont(font);
        painter.setPen(color);
        painter.drawText(QPointF(40.4, 20.7 + QFontMetricsF(font, &expected).ascent()),
                         QString::fromUtf8(text));
        painter.end();
        kept.setFont(font);
        kept.setColor(color);
        for (int twice = 0; twice < 2; ++twice) {  // the second time as laid out before
            kept.clear();
            kept.drawText(40.4f, 20.7f, QString::fromUtf8(text));
            EXPECT_TRUE(alike(kept.image(), expected)) << text << points;
        }
    }
    // A grey picture comes out as Qt converts it, whole or in part, to its last row and column.
    QImage grey(1901, 385, QImage::Format_Grayscale8);
    for (int y = 0; y < grey.height(); ++y)
        for (int x = 0; x < grey.width(); ++x) grey.scanLine(y)[x] = uchar(x * 7 + y * 13);
    const QImage wide = grey.convertToFormat(QImage::Format_RGB32);
    kept.setPicture(grey, grey.size());
    const QRect part(5, 70, 40, 101);
    QImage screen = picture;
    QPainter painter(&screen);
    kept.paint(painter, part);
    painter.end();
    EXPECT_TRUE(kept.image() == wide && screen.copy(part) == wide.copy(part));
}

// A side too wide at 144 points on 1280 x 1024 is drawn smaller, or wrapped, or at the floor of
// 48 points ended with "…"; never cut at its start, within its half, and read out whole.
TEST(CardImage, FitsEverySideIntoItsHalfOfTheCard) {
    const std::pair<QString, const char*> cases[] = {
        {"Columbus", "one line at 144"},
        {"Antidisestablishmentarianism", "one line smaller"},
        {"I am studying Japanese at a language school in Tokyo", "wrapped smaller"},
        {QString("word ").repeated(400).trimmed(), "wrapped at 48 …"},
        {QString::fromUtf8("مرحبا بالعالم، أنا أدرس اللغة اليابانية في طوكيو"), "wrapped smaller"},
        {QString::fromUtf8("東京で日本語を勉強しています").repeated(4), "wrapped smaller"},
    };
    for (const auto& [side, expected] : cases) {
        ScriptedDialogs d;
        Deckwork::CardLines = {"H", side + "|" + side};
        QImage picture(1280, 1024, QImage::Format_RGB32);
        picture.fill(Qt::white);
        CardImage image;
        image.setPicture(picture, picture.size());
        image.setFont(QFont("Liberation Sans", 144));
        Options options;
        options.questionFirst = false;
        StudyState state;
        Deck(state, image, options).ShowNext();
        EXPECT_EQ(image.texts(), QStringList({side, side}));
        for (const CardImage::Drawn& drawn : image.drawn()) {
            const QString shown = drawn.lines.join(""), size = QString::number(drawn.points);
            EXPECT_EQ(QString(drawn.lines.size() > 1 ? "wrapped " : "one line ") +
                          (drawn.points == 144 || drawn.points == 48 ? "at " + size : "smaller") +
                          (shown == side ? "" : " …"),
                      QString(expected));
            EXPECT_TRUE(shown == side ||
                        (shown.endsWith(u'…') && side.startsWith(shown.chopped(1))));
            const bool question = &drawn == &image.drawn().first();
            // Margins of 32 and 51 at the edges and 54 at the middle, less a few pixels of ink.
            EXPECT_TRUE(QRect(28, question ? 47 : 562, 1224, 415).contains(drawn.ink))
                << qPrintable(drawn.lines.join('/'));
        }
        EXPECT_TRUE(d.shown.isEmpty());
    }
}

namespace {

// A study session opened as the Start action opens one, over the working copy of a sandbox.
struct Window {
    explicit Window(const QByteArray& cards = "Q1|A1\r\nQ2|A2\r\nQ3|A3\r\n") {
        box.write("in-use.dat", "H\r\n" + cards);
    }
    void start() {
        Deckwork::LoadInUseCards();
        form.Timer1.start(10);
        form.CurrentCard = 1, form.AnswerPending = false, form.LastRandomCard = 0;
        form.Open();
    }
    QString card() const { return form.Picture1->accessibleName().replace('\n', '/'); }
    QRgb pixel(int x, int y) { return form.grab().toImage().pixel(x, y) & 0xffffff; }
    Sandbox box;
    ScriptedDialogs dialogs;
    Options options;
    Form2 form{options};
};

}  // namespace

TEST(CardWindow, OpensFullScreenOnTheFirstCardAndTakesItsKeys) {
    Window w;
    w.start();
    EXPECT_TRUE(w.form.isFullScreen() && w.form.windowFlags() & Qt::FramelessWindowHint);
    EXPECT_EQ(w.form.windowModality(), Qt::ApplicationModal);
    EXPECT_EQ(w.form.windowTitle(), "Quorvane");
    EXPECT_EQ(w.form.Picture1->image().size(), w.form.screen()->geometry().size());
    EXPECT_EQ(w.form.palette().color(QPalette::Window), look::buttonFace());
    EXPECT_EQ(
        QAccessible::queryAccessibleInterface(w.form.Picture1)->text(QAccessible::Description),
        "Flashcard");
    QTest::keyClick(w.form.Picture1, Qt::Key_Space);  // before the start timer: not yet a step
    ASSERT_TRUE(QTest::qWaitFor([&] { return w.form.takingKeys(); }));
    QStringList cards;
    for (const QString& key : QString("Space Shift+Space Ctrl+Space Alt+Backspace Meta+Space "
                                      "Num+Space Backspace A Shift+Esc")
                                  .split(' ')) {
        const QKeyCombination k = QKeySequence(key)[0];
        QTest::keyClick(w.form.Picture1, k.key(), k.keyboardModifiers());
        cards << w.card();
    }
    EXPECT_EQ(cards.join(' '), "Q1/A1 Q1/A1 Q1/A1 Q1/A1 Q1/A1 Q2 Q1 Q1 Q1");
    // Each resize lays the hints out in one row and steps on, from a fresh card picture.
    w.form.resize(1001, 700);
    QList<QList<int>> hints;
    for (QLabel* l : {w.form.Label1, w.form.Label2, w.form.Label3})
        hints << QList<int>{l->x(), l->y(), l->width(), l->font().pointSize(),
                            l->autoFillBackground()};
    EXPECT_EQ(hints,
              (QList<QList<int>>{{8, 8, 485, 9, 0}, {501, 8, 485, 9, 0}, {8, 8, 979, 9, 0}}));
    EXPECT_EQ(w.form.Picture1->image().size(), QSize(1001, 700));
    EXPECT_EQ(w.card(), "A1");
    QTest::keyClick(w.form.Picture1, Qt::Key_Escape);
    EXPECT_FALSE(w.form.isVisible() || w.form.takingKeys() || w.form.Timer1.isActive());
    EXPECT_TRUE(Deckwork::PumpStop && w.dialogs.shown.isEmpty());
}

TEST(CardWindow, ShowsTheCardPictureStretchedAndReportsWhatItCannotUse) {
    QImage red(40, 10, QImage::Format_RGB32);  // far wider than the screen
    red.fill(QColor(200, 30, 30));
    QByteArray png;
    QBuffer buffer(&png);
    buffer.open(QIODevice::WriteOnly);
    red.save(&buffer, "PNG");
    const std::tuple<const char*, QByteArray, const char*, const char*, QRgb> cases[] = {
        {"", {}, "28", "", 0},  // the built-in white card, black at its corners
        {"Whitecard/Whitecard.jpg", png, "28", "", 0xc81e1e},
        {"Whitecard/Whitecard.jpg", "no picture", "28", "Form2.Form_Load@106: Invalid picture", 0},
        {"HAND-M.CUR", "no picture", "28", "Form2.Form_Load@104: Invalid picture", 0},
        {"", {}, "abc", "Form2.Form_Resize@118: Type mismatch", 0},
        {"", {}, "99999", "Form2.Form_Resize@118: Overflow", 0},
        {"", {}, "72,5", "", 0},  // the user's decimal comma
    };
    for (const auto& [file, bytes, size, report, corner] : cases) {
        Window w("Q|A\r\n");
        QDir().mkpath(w.box.path("Whitecard"));
        if (*file) w.box.write(file, bytes);
        w.options.size = size;
        w.start();
        EXPECT_EQ(w.dialogs.reports().join(""), report);
        EXPECT_EQ(w.card(), "Q");
        const QSize s = w.form.Picture1->image().size();
        // Stretched over the whole card, not letterboxed; the built-in card reaches the edges.
        EXPECT_EQ(QList<QRgb>({w.pixel(0, 0), w.pixel(s.width() - 1, s.height() - 1),
                               w.pixel(s.width() / 2, s.height() / 2)}),
                  QList<QRgb>({corner, corner, corner ? corner : 0xffffff}))
            << file;
        EXPECT_GE(qGray(w.pixel(s.width() / 2, 1)), corner ? 0 : 250);
        w.form.close();
    }
    // Decoded at the screen's size, the built-in card looks as the whole one scaled down.
    const QSize screen(1920, 1080);
    CardPicture::prepare(screen);
    const QImage quick = CardPicture::builtIn(screen), whole(":/study/whitecard.jpg");
    EXPECT_TRUE(
        quick.size() == screen && whole.width() == 2 * screen.width() &&
        alike(quick, whole.scaled(screen, Qt::IgnoreAspectRatio, Qt::SmoothTransformation)));
}

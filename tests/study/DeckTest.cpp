#include "CurrentSet.h"
#include "Deck.h"
#include "Failure.h"
#include "Fakes.h"
#include "HintLayout.h"
#include "Pump.h"
#include "ScriptedDialogs.h"

#include <gtest/gtest.h>

#include <QSet>
#include <cmath>
#include <limits>
#include <stdexcept>

namespace {

void setDeck(const QStringList& cards) {
    Deckwork::CardLines = QStringList{QStringLiteral("Side 1|Side 2")} + cards;
    Deckwork::CardCount = int(cards.size());
}

const QStringList kThree = {"Q1|A1", "Q2|A2", "Q3|A3"};

// One session over the deck in Deckwork::CardLines, as the card window runs it.
struct Session {
    FakeOptions options;
    FakeSurface surface;
    StudyState state;
    Deck deck{state, surface, options};

    // Plays `keys` (' ' Spacebar, 'b' Backspace) and gives the card after each.
    QStringList play(const QString& keys) {
        QStringList cards;
        for (QChar key : keys) {
            if (key == QLatin1Char(' '))
                deck.ShowNext();
            else
                deck.ShowPrev();
            cards.append(surface.card());
        }
        return cards;
    }
};

// Gives the values listed, then fails: a step that keeps drawing would show up as a report.
class ScriptedRandom {
public:
    explicit ScriptedRandom(QList<double> values) : values_(std::move(values)) {
        Main::SetRandomSource([this] {
            if (values_.isEmpty()) throw std::runtime_error("out of random values");
            return values_.takeFirst();
        });
    }
    ~ScriptedRandom() { Main::SetRandomSource({}); }

private:
    QList<double> values_;
};

}  // namespace

// The first key of each sequence is the step that opening the window performs.
TEST(Navigation, InOrderSequences) {
    struct Case {
        const char* name;
        bool questionFirst;
        bool side1First;
        QStringList cards;
        QString keys;
        QStringList shown;
    };
    const Case cases[] = {
        {"question first wraps after the last answer",
         true,
         true,
         kThree,
         "        ",
         {"Q1", "Q1/A1", "Q2", "Q2/A2", "Q3", "Q3/A3", "Q1", "Q1/A1"}},
        {"together wraps after the last card",
         false,
         true,
         kThree,
         "     ",
         {"Q1/A1", "Q2/A2", "Q3/A3", "Q1/A1", "Q2/A2"}},
        {"together: back from the first card to the last and on",
         false,
         true,
         kThree,
         " b   b",
         {"Q1/A1", "Q3/A3", "Q1/A1", "Q2/A2", "Q3/A3", "Q2/A2"}},
        {"question first: back while a question shows",
         true,
         true,
         kThree,
         "     b  ",
         {"Q1", "Q1/A1", "Q2", "Q2/A2", "Q3", "Q2", "Q2/A2", "Q3"}},
        {"question first: back from a complete card",
         true,
         true,
         kThree,
         "      b  ",
         {"Q1", "Q1/A1", "Q2", "Q2/A2", "Q3", "Q3/A3", "Q2", "Q2/A2", "Q3"}},
        {"question first: back from the first question to the last",
         true,
         true,
         kThree,
         " b  ",
         {"Q1", "Q3", "Q3/A3", "Q1"}},
        {"question first: back twice",
         true,
         true,
         kThree,
         "    bb ",
         {"Q1", "Q1/A1", "Q2", "Q2/A2", "Q1", "Q3", "Q3/A3"}},
        {"side 2 is the question", true, false, {"X|Y"}, "   ", {"Y", "Y/X", "Y"}},
        {"blanks go, a third field is ignored, cards without | are blank",
         false,
         true,
         {" Alpha  | Beta |extra", "NoBar", "", "  |  ", "Last|One"},
         "      ",
         {"Alpha/Beta", "", "", "", "Last/One", "Alpha/Beta"}},
        {"a tab is part of the text", false, true, {"\tA|B\t"}, " ", {"\tA/B\t"}},
        {"one card", true, true, {"Q|A"}, "  b ", {"Q", "Q/A", "Q", "Q/A"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        ScriptedDialogs dialogs;
        setDeck(c.cards);
        Session s;
        s.options.questionFirst = c.questionFirst;
        s.options.side1First = c.side1First;
        EXPECT_EQ(s.play(c.keys), c.shown);
        EXPECT_TRUE(dialogs.errors().isEmpty());
    }
}

TEST(Navigation, StateAfterEachKindOfStep) {
    struct Case {
        bool questionFirst;
        QString keys;
        int currentCard;
        bool answerPending;
        int questionCard;
    };
    const Case cases[] = {
        {true, " ", 1, true, 1},     // question of card 1 showing
        {true, "  ", 2, false, 1},   // card 1 complete
        {true, "   b", 1, true, 1},  // back to the question of card 1
        {true, " b", 3, true, 3},    // back from card 1 to the last card
        {false, " ", 2, false, 0},   // card 1 showing
        {false, " b", 4, false, 0},  // card 3 showing; the next step wraps
    };
    setDeck(kThree);
    for (const Case& c : cases) {
        SCOPED_TRACE(c.keys.toStdString());
        Session s;
        s.options.questionFirst = c.questionFirst;
        s.play(c.keys);
        EXPECT_EQ(s.state.CurrentCard, c.currentCard);
        EXPECT_EQ(s.state.AnswerPending, c.answerPending);
        EXPECT_EQ(s.state.QuestionCard, c.questionCard);
    }
}

TEST(Navigation, DecksWithoutCardsGiveBlankCards) {
    struct Case {
        const char* name;
        QStringList lines;
        int cardCount;  // left from an earlier deck
        bool random;
    };
    // No lines at all is a working copy that could not be read; the reader has reported it
    // once, so its steps are blank cards without a report each.
    const Case cases[] = {
        {"header only", {"Side 1|Side 2"}, 0, false},
        {"header only, count of an earlier deck", {"Side 1|Side 2"}, 5, false},
        {"header only, random", {"Side 1|Side 2"}, 0, true},
        {"header only, random, earlier count", {"Side 1|Side 2"}, 5, true},
        {"no lines", {}, 0, false},
        {"no lines, random", {}, 0, true},
        {"no lines, random, earlier count", {}, 5, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        for (bool questionFirst : {true, false}) {
            ScriptedDialogs dialogs;
            Deckwork::CardLines = c.lines;
            Deckwork::CardCount = c.cardCount;
            Session s;
            s.options.questionFirst = questionFirst;
            s.options.random = c.random;
            const QStringList shown = s.play(" b  ");
            EXPECT_EQ(shown, QStringList({"", "", "", ""}));
            EXPECT_TRUE(dialogs.errors().isEmpty()) << dialogs.errors().join("\n").toStdString();
        }
    }
}

TEST(Navigation, RandomOrderNeverRepeatsTheCardJustShown) {
    for (int size : {2, 3, 10}) {
        for (bool questionFirst : {true, false}) {
            SCOPED_TRACE(size);
            ScriptedDialogs dialogs;
            QStringList cards;
            for (int i = 1; i <= size; ++i) cards << QStringLiteral("Q%1|A%1").arg(i);
            setDeck(cards);
            Session s;
            s.options.random = true;
            s.options.questionFirst = questionFirst;
            QStringList questions;
            for (int step = 0; step < 400; ++step) {
                s.deck.ShowNext();
                if (!questionFirst || s.state.AnswerPending)
                    questions.append(s.surface.onCard.first().text);
            }
            QSet<QString> seen;
            for (int i = 0; i < questions.size(); ++i) {
                seen.insert(questions[i]);
                if (i > 0) {
                    ASSERT_NE(questions[i], questions[i - 1]) << "step " << i;
                }
            }
            EXPECT_EQ(seen.size(), size);
            EXPECT_TRUE(dialogs.errors().isEmpty());
        }
    }
}

TEST(Navigation, RandomOrderWithOneCardShowsItEveryTime) {
    ScriptedDialogs dialogs;
    setDeck({"Only|One"});
    Session s;
    s.options.random = true;
    s.options.questionFirst = false;
    // A step that kept drawing would run out of values and be reported.
    ScriptedRandom random({0.1, 0.5, 0.9, 0.2, 0.7});
    EXPECT_EQ(s.play("  b  "),
              QStringList({"Only/One", "Only/One", "Only/One", "Only/One", "Only/One"}));
    EXPECT_EQ(s.state.LastRandomCard, 1);
    EXPECT_TRUE(dialogs.errors().isEmpty());
}

TEST(Navigation, RandomOrderDrawsAgainOnlyOnAnImmediateRepeat) {
    ScriptedDialogs dialogs;
    setDeck({"C1|1", "C2|2", "C3|3", "C4|4"});
    Session s;
    s.options.random = true;
    s.options.questionFirst = false;
    // 0.25 -> card 2; 0.3 -> 2 again, drawn anew: 0.75 -> 4; 0.0 -> 1; 0.3 -> 2, after one other.
    ScriptedRandom random({0.25, 0.3, 0.75, 0.0, 0.3});
    EXPECT_EQ(s.play("    "), QStringList({"C2/2", "C4/4", "C1/1", "C2/2"}));
    EXPECT_EQ(s.state.LastRandomCard, 2);
    EXPECT_TRUE(dialogs.errors().isEmpty());
}

TEST(Navigation, BackspaceInRandomOrderGoesBackThroughTheCardsShown) {
    struct Case {
        bool questionFirst;
        QString keys;
        QStringList shown;
    };
    // The values draw 2, 4, 1; going back past the first card draws afresh from the values
    // left, never the card showing.
    const Case cases[] = {
        {false, "   bbb ", {"C2/2", "C4/4", "C1/1", "C4/4", "C2/2", "C3/3", "C4/4"}},
        {true, "      b ", {"C2", "C2/2", "C4", "C4/4", "C1", "C1/1", "C4", "C4/4"}},
        {true, "    b bb ", {"C2", "C2/2", "C4", "C4/4", "C2", "C2/2", "C1", "C2", "C2/2"}},
    };
    setDeck({"C1|1", "C2|2", "C3|3", "C4|4"});
    for (const Case& c : cases) {
        SCOPED_TRACE(c.keys.toStdString());
        ScriptedDialogs dialogs;
        Session s;
        s.options.random = true;
        s.options.questionFirst = c.questionFirst;
        ScriptedRandom random({0.25, 0.75, 0.0, 0.3, 0.6, 0.8});
        EXPECT_EQ(s.play(c.keys), c.shown);
        EXPECT_TRUE(dialogs.errors().isEmpty());
    }
}

TEST(Navigation, ForgettingTheCardsShownStartsANewHistory) {
    setDeck({"C1|1", "C2|2", "C3|3", "C4|4"});
    Session s;
    s.options.random = true;
    s.options.questionFirst = false;
    ScriptedRandom random({0.25, 0.75, 0.0});
    s.play("  ");
    s.deck.ForgetShownCards();
    EXPECT_EQ(s.play("b"), QStringList({"C1/1"}));  // nothing to go back to: a fresh draw
}

TEST(RandomCard, IntegerPartPlusOneWithinTheDeck) {
    struct Case {
        double r;
        int n;
        int card;
    };
    const Case cases[] = {
        {0.0, 10, 1},
        {0.0999, 10, 1},
        {0.1, 10, 2},
        {0.95, 10, 10},
        {std::nextafter(1.0, 0.0), 10, 10},
        {std::nextafter(1.0, 0.0), std::numeric_limits<int>::max(),
         std::numeric_limits<int>::max()},
        {0.7, 1, 1},
        {0.7, 0, 1},
    };
    for (const Case& c : cases) {
        ScriptedRandom random({c.r});
        EXPECT_EQ(Main::RandomCard(c.n), c.card) << c.r << " " << c.n;
    }
}

// Surface 1366 x 768 and a line height chosen so that single and double precision differ.
TEST(ShowCard, PositionsInSinglePrecision) {
    struct Case {
        bool questionFirst;
        QString keys;
        QList<FakeSurface::Drawn> drawn;
    };
    const float qx = 683.0f - 45.7242851f / 2.0f;
    const float ax = 683.0f - 101.5f / 2.0f;
    const Case cases[] = {
        {true, " ", {{qx, 335.954987f, "Question"}}},
        {true, "  ", {{qx, 335.954987f, "Question"}, {ax, 400.014984f, "Answer text"}}},
        {false, " ", {{qx, 335.954987f, "Question"}, {ax, 400.014984f, "Answer text"}}},
    };
    setDeck({"Question|Answer text"});
    for (const Case& c : cases) {
        Session s;
        s.surface.surfaceWidth = 1366;
        s.surface.surfaceHeight = 768;
        s.surface.lineHeight = 32.03f;
        s.surface.widths = {{"Question", 45.7242851f}, {"Answer text", 101.5f}};
        s.options.questionFirst = c.questionFirst;
        s.play(c.keys);
        ASSERT_EQ(s.surface.onCard.size(), c.drawn.size());
        for (int i = 0; i < c.drawn.size(); ++i) {
            EXPECT_EQ(s.surface.onCard[i].text, c.drawn[i].text);
            EXPECT_EQ(s.surface.onCard[i].x, c.drawn[i].x) << i;
            EXPECT_EQ(s.surface.onCard[i].y, c.drawn[i].y) << i;
        }
    }
}

TEST(ShowCard, TooWideTextStartsLeftOfTheEdge) {
    setDeck({"WWWWWWWWWW|x"});
    Session s;
    s.surface.surfaceWidth = 50;
    s.surface.charWidth = 10;
    s.play(" ");
    EXPECT_EQ(s.surface.onCard.first().x, -25.0f);
}

namespace {

class RecordingSteps final : public StudySteps {
public:
    void ShowPrev() override { record("prev"); }
    void ShowNext() override { record("next"); }
    void CloseTheForm() override { record("close"); }

    QStringList calls;
    std::function<void()> during;  // runs inside each step
    bool fail = false;

private:
    void record(const char* name) {
        calls << name;
        if (during) during();
        if (fail) throw look::Failure(look::failures::DeviceIOError);
    }
};

struct Atoms {
    Atoms() {
        Deckwork::BackspaceAtom = 0xC101;
        Deckwork::SpaceAtom = 0xC102;
        Deckwork::EscapeAtom = 0xC103;
        Deckwork::PumpStop = false;
    }
    ~Atoms() { Deckwork::PumpStop = true; }
};

}  // namespace

TEST(ProcessMessages, EachIdentifierCallsItsStep) {
    Atoms atoms;
    RecordingSteps steps;
    for (quint32 id : {0xC102u, 0xC101u, 0xC103u, 0xC104u, 0u, 0xC102u})
        Deckwork::ProcessMessages(id, steps);
    EXPECT_EQ(steps.calls, QStringList({"next", "prev", "close", "next"}));
}

TEST(ProcessMessages, NothingOnceThePumpIsStopped) {
    Atoms atoms;
    RecordingSteps steps;
    Deckwork::PumpStop = true;
    Deckwork::ProcessMessages(0xC102, steps);
    EXPECT_TRUE(steps.calls.isEmpty());
}

TEST(ProcessMessages, AFailingStepIsReportedAndTheNextKeyWorks) {
    Atoms atoms;
    ScriptedDialogs dialogs;
    RecordingSteps steps;
    steps.fail = true;
    Deckwork::ProcessMessages(0xC102, steps);
    steps.fail = false;
    Deckwork::ProcessMessages(0xC101, steps);
    EXPECT_EQ(steps.calls, QStringList({"next", "prev"}));
    ASSERT_EQ(dialogs.errors().size(), 1);
    EXPECT_EQ(dialogs.errors()[0],
              expectedReport("Device I/O error", "Deckwork.ProcessMessages", 108));
}

TEST(ProcessMessages, AKeyArrivingDuringAStepIsDropped) {
    Atoms atoms;
    RecordingSteps steps;
    bool nested = false;
    steps.during = [&] {
        if (nested) return;
        nested = true;
        Deckwork::ProcessMessages(0xC102, steps);  // as while a report box is on screen
    };
    Deckwork::ProcessMessages(0xC101, steps);
    EXPECT_EQ(steps.calls, QStringList({"prev"}));
    Deckwork::ProcessMessages(0xC102, steps);
    EXPECT_EQ(steps.calls, QStringList({"prev", "next"}));
}

TEST(HintLayout, LabelsForScreenWidths) {
    struct Case {
        int pixels;
        int label3Width, label1Width, label2Left;
    };
    const Case cases[] = {
        {1920, 28470, 14175, 14415},
        {1366, 20160, 10020, 10260},
        {1001, 14685, 7282, 7522},  // W - 450 odd: the half is truncated
        {1024, 15030, 7455, 7695},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.pixels);
        const HintLayout layout = LayOutHints(c.pixels * 15);
        EXPECT_EQ(layout.top, 120);
        EXPECT_EQ(layout.label1Left, 120);
        EXPECT_EQ(layout.label3Left, 120);
        EXPECT_EQ(layout.label3Width, c.label3Width);
        EXPECT_EQ(layout.label1Width, c.label1Width);
        EXPECT_EQ(layout.label2Width, c.label1Width);
        EXPECT_EQ(layout.label2Left, c.label2Left);
        // One row from 120 to W - 210.
        EXPECT_EQ(layout.label3Left + layout.label3Width, c.pixels * 15 - 210);
    }
}

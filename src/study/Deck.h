#pragma once

#include "CardSurface.h"
#include "StudyOptions.h"

#include <QList>
#include <functional>

// Where a study session stands. The card window keeps it from one opening to the next; the
// Start action sets the first three before every session.
struct StudyState {
    int CurrentCard = 1;         // the next card in order, from 1
    bool AnswerPending = false;  // question-first: a question shows without its answer
    int LastRandomCard = 0;      // the last card drawn at random, 0 when none yet
    int QuestionCard = 0;        // question-first: the card whose question shows
};

// The operations the three study keys drive.
class StudySteps {
public:
    virtual ~StudySteps() = default;
    virtual void ShowPrev() = 0;      // Backspace
    virtual void ShowNext() = 0;      // Spacebar
    virtual void CloseTheForm() = 0;  // Esc
};

// Walks the deck in Deckwork::CardLines / CardCount and draws each card on a surface, reading
// the study options afresh at every step.
class Deck {
public:
    Deck(StudyState& state, CardSurface& surface, const StudyOptions& options);

    // Draws card `index` (a new card, or with `reveal` its answer under the question already
    // drawn); returns the card drawn, which in random order is a card drawn at random.
    int ShowCard(int index, bool reveal);
    void ShowNext();
    void ShowPrev();
    // A new session: the cards drawn at random so far are forgotten, and a new round begins.
    void ForgetShownCards() {
        shown_.clear();
        deal_.clear();
    }

private:
    int showCard(int index, bool reveal, bool again);
    int drawAtRandom();
    void drawSide(const QString& side, float lineTop, float lineHeight, bool question);

    StudyState& state_;
    CardSurface& surface_;
    const StudyOptions& options_;
    // The cards drawn at random in this session, the one on the card last, so that Backspace
    // can go back to the card really shown before.
    QList<int> shown_;
    // This round of random order: every card of the deck, those dealt first; `next_` is the
    // next to deal, and the order is settled before `decided_`.
    QList<int> deal_;
    int next_ = 0, decided_ = 0;
};

namespace Main {
// The integer part of r × n, plus 1, for the next uniform value r in [0, 1).
int RandomCard(int n);
// Reseeds the generator from the time of day.
void Randomize();
// Tests replace the generator's values; an empty function restores the generator.
void SetRandomSource(std::function<double()> source);
}  // namespace Main

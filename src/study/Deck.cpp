#include "Deck.h"

#include "CurrentSet.h"
#include "Failure.h"
#include "Trap.h"

#include <algorithm>
#include <chrono>
#include <cmath>
#include <numeric>
#include <random>

namespace Main {
namespace {

std::mt19937_64& engine() {
    static std::mt19937_64 e;
    return e;
}

std::function<double()>& source() {
    static std::function<double()> s;
    return s;
}

double nextUniform() {
    if (source()) return source()();
    const double r = std::generate_canonical<double, 53>(engine());
    // Some library versions can round up to 1.0, which would give a card past the last.
    return r < 1.0 ? r : std::nextafter(1.0, 0.0);
}

}  // namespace

int RandomCard(int n) {
    const double card = std::floor(nextUniform() * n) + 1;
    // r * n can round up to n itself for a very large n.
    return n >= 1 ? int(std::min(card, double(n))) : int(card);
}

void Randomize() {
    using namespace std::chrono;
    const auto sinceMidnight = system_clock::now().time_since_epoch() % hours(24);
    engine().seed(std::uint64_t(duration_cast<nanoseconds>(sinceMidnight).count()));
}

void SetRandomSource(std::function<double()> s) { source() = std::move(s); }

}  // namespace Main

namespace {

// The highest index of the deck, below 1 for a deck without cards. A working copy that could
// not be read has been reported once by the reader: its steps show blank cards, like an empty
// deck's, rather than a report at every key.
int upperCard() { return int(Deckwork::CardLines.size()) - 1; }

QString card(int index) {
    if (index < 0 || index >= Deckwork::CardLines.size())
        throw look::Failure(look::failures::SubscriptOutOfRange);
    return Deckwork::CardLines.at(index);
}

// Only blanks go: a tab in a card is the user's.
QString trimBlanks(const QString& text) {
    int from = 0, to = int(text.size());
    while (from < to && text.at(from) == QLatin1Char(' ')) ++from;
    while (to > from && text.at(to - 1) == QLatin1Char(' ')) --to;
    return text.mid(from, to - from);
}

}  // namespace

Deck::Deck(StudyState& state, CardSurface& surface, const StudyOptions& options)
    : state_(state), surface_(surface), options_(options) {}

int Deck::ShowCard(int index, bool reveal) { return showCard(index, reveal, false); }

// Random order deals the cards: every card once a round, in an order shuffled afresh for each
// round, so that no card keeps coming back while another has not shown yet.
int Deck::drawAtRandom() {
    const int upper = upperCard();
    if (upper < 1) return 1;  // a deck without cards: blank cards
    if (deal_.size() != upper || next_ == upper) {
        Main::Randomize();
        deal_.resize(upper);
        std::iota(deal_.begin(), deal_.end(), 1);
        next_ = decided_ = 0;
    }
    // Shuffled a card at a time as the round goes (Fisher-Yates), so that a session opens on
    // 100,000 cards without shuffling them first. A value near 1 leaves the next card where it
    // is; 0 brings the last one forward.
    const auto decide = [&] {
        const int left = upper - decided_;
        if (left > 1) deal_.swapItemsAt(decided_, decided_ + left - Main::RandomCard(left));
        ++decided_;
    };
    if (decided_ == next_) decide();
    // The card on screen does not come again at once while the round has another left: a new
    // round never starts with the card just shown, and two cards alternate.
    if (upper - next_ >= 2 && deal_[next_] == state_.LastRandomCard) {
        if (decided_ == next_ + 1) decide();
        deal_.swapItemsAt(next_, next_ + 1);
    }
    return deal_[next_++];
}

// A side that fits on one line across the card stands where it always has. A wider one is
// fitted into its half of the card, less a margin at the edges and a quarter line at the middle,
// so that the question never runs into the answer; its block is centred where the line would
// stand.
void Deck::drawSide(const QString& side, float lineTop, float lineHeight, bool question) {
    const float width = surface_.width(), height = surface_.height();
    const float textWidth = surface_.textWidth(side);
    const float margin = width / 40.0f;
    if (textWidth <= width) {
        surface_.drawText(width / 2.0f - textWidth / 2.0f, lineTop, side);
        return;
    }
    const float top = question ? height / 20.0f : height / 2.0f + lineHeight / 4.0f;
    const float bottom = question ? height / 2.0f - lineHeight / 4.0f : height - height / 20.0f;
    const QSizeF box(width - 2.0f * margin, std::max(bottom - top, 0.0f));
    const QSizeF block = surface_.fitText(side, box);
    const float y = lineTop + lineHeight / 2.0f - float(block.height()) / 2.0f;
    surface_.drawFitted(width / 2.0f - float(block.width()) / 2.0f,
                        std::max(std::min(y, bottom - float(block.height())), top), side, box);
}

// `again` shows card `index` as it stands, also in random order: going back to a card shown
// before draws nothing new.
int Deck::showCard(int index, bool reveal, bool again) {
    look::Trap trap("Form2.ShowCard");
    int n = index;
    QString question, answer;
    trap.at(100, [&] {
        if (!reveal) surface_.clear();
    });
    trap.at(102, [&] { n = index; });
    trap.at(104, [&] {
        if (!options_.Option3() || reveal) return;
        if (!again) {
            n = drawAtRandom();
            shown_.append(n);
        }
        state_.LastRandomCard = n;
    });
    trap.at(106, [&] {
        if (upperCard() <= 0) return;
        const QStringList parts = card(n).split(QLatin1Char('|'));
        if (parts.size() < 2) return;
        if (options_.Option5()) {
            question = trimBlanks(parts.at(0));
            answer = trimBlanks(parts.at(1));
        } else if (options_.Option6()) {
            question = trimBlanks(parts.at(1));
            answer = trimBlanks(parts.at(0));
        }
    });
    // Single precision throughout, so that a card sits where it always has to the pixel.
    trap.at(108, [&] {
        if (reveal) return;
        const float height = surface_.textHeight(question);
        const float y = surface_.height() / 2.0f - height / 2.0f - height;
        drawSide(question, y, height, true);
    });
    // The answer goes one empty line of the question's height below the question.
    trap.at(110, [&] {
        if (!options_.Option2() && !reveal) return;
        const float height = surface_.textHeight(question);
        const float y = surface_.height() / 2.0f - height / 2.0f - height + 2.0f * height;
        drawSide(answer, y, height, false);
    });
    return n;
}

void Deck::ShowNext() {
    // The wrap comes at the start of the step after the last card.
    if (state_.CurrentCard > Deckwork::CardCount) state_.CurrentCard = 1;
    if (options_.Option1()) {
        if (!state_.AnswerPending) {
            state_.QuestionCard = ShowCard(state_.CurrentCard, false);
            state_.AnswerPending = true;
        } else {
            ShowCard(state_.QuestionCard, true);
            state_.AnswerPending = false;
            state_.CurrentCard = state_.CurrentCard + 1;
        }
    } else {
        ShowCard(state_.CurrentCard, false);
        state_.CurrentCard = state_.CurrentCard + 1;
    }
}

void Deck::ShowPrev() {
    const bool questionFirst = options_.Option1();
    // ShowNext has already moved past the card on screen unless its answer is still to come.
    const int onScreen =
        questionFirst && state_.AnswerPending ? state_.CurrentCard : state_.CurrentCard - 1;
    int target = onScreen - 1;
    if (target < 1) target = Deckwork::CardCount;
    int drawn;
    // Backspace goes back through the cards really shown, in random order too, and on purpose:
    // its hint promises the previous card, and a card dealt afresh there would be plainly wrong.
    if (options_.Option3() && shown_.size() >= 2) {
        shown_.removeLast();
        drawn = showCard(shown_.last(), false, true);
    } else {
        // Nothing to go back to: the card drawn now starts the history afresh.
        if (options_.Option3()) shown_.clear();
        drawn = ShowCard(target, false);
    }
    if (questionFirst) {
        state_.QuestionCard = drawn;
        state_.AnswerPending = true;
        state_.CurrentCard = target;
    } else {
        state_.CurrentCard = target + 1;
    }
}

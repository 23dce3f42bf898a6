#pragma once

#include "Codec.h"
#include "ListModel.h"

#include <QItemSelectionModel>

namespace editor {

// What the editor's operations work on: the set list, the card list, their highlights and the
// flag that marks the set created during this visit. No widget is needed; the window shows these.
class Lists final {
public:
    explicit Lists(bool& newSetSelected) : NewSetSelected(newSetSelected) {}

    ListModel sets{1};
    QItemSelectionModel setSelection{&sets};
    ListModel cards{2};
    QItemSelectionModel cardSelection{&cards};
    bool& NewSetSelected;
    // The card entries last listed and the lines they come from: the same lines listed again
    // (the editor fills its lists twice as it opens) keep their entries.
    codec::Lines listedLines;
    QVector<Entry> listedCards;

    // The first highlighted entry, counted from 1; 0 when none is.
    int selectedSet() const { return firstSelected(setSelection); }
    int selectedCard() const { return firstSelected(cardSelection); }
    // Highlights entry k alone and makes it the current entry, which a view showing the list
    // scrolls into sight (once shown, if hidden); outside the list nothing happens.
    void selectSet(int k) { select(setSelection, k); }
    void selectCard(int k) { select(cardSelection, k); }

private:
    static int firstSelected(const QItemSelectionModel& selection);
    static void select(QItemSelectionModel& selection, int k);
};

}  // namespace editor

#pragma once

#include "ListModel.h"

#include <QItemSelectionModel>
#include <QObject>

namespace editor {

// What the editor's operations work on: the set list, the card list, their highlights and the
// flag that marks the set created during this visit. No widget is needed; the window shows these.
class Lists final : public QObject {
    Q_OBJECT
public:
    explicit Lists(bool& newSetSelected) : NewSetSelected(newSetSelected) {}

    ListModel sets{1};
    QItemSelectionModel setSelection{&sets};
    ListModel cards{2};
    QItemSelectionModel cardSelection{&cards};
    bool& NewSetSelected;

    // The first highlighted entry, counted from 1; 0 when none is.
    int selectedSet() const { return firstSelected(setSelection); }
    int selectedCard() const { return firstSelected(cardSelection); }
    // Highlights entry k alone and scrolls it into view; outside the list nothing happens.
    void selectSet(int k) { select(setSelection, k, &Lists::setEntryShown); }
    void selectCard(int k) { select(cardSelection, k, &Lists::cardEntryShown); }

signals:
    void setEntryShown(const QModelIndex& index);
    void cardEntryShown(const QModelIndex& index);

private:
    static int firstSelected(const QItemSelectionModel& selection);
    void select(QItemSelectionModel& selection, int k, void (Lists::*shown)(const QModelIndex&));
};

}  // namespace editor

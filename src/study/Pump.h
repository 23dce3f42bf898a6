#pragma once

#include "Deck.h"

#include <QtGlobal>

namespace Deckwork {

// Raised while no card window takes keys; cleared when the card window starts taking them.
inline bool PumpStop = true;
// The identifiers of the three keys: the atoms of "A00F1", "A00F2" and "A00F3".
inline quint32 BackspaceAtom = 0;
inline quint32 SpaceAtom = 0;
inline quint32 EscapeAtom = 0;

// The dispatcher of one key event: calls the step its identifier stands for, under the pump's
// error trap. A key that arrives while a step is still running (a report on screen) is dropped.
void ProcessMessages(quint32 identifier, StudySteps& steps);

}  // namespace Deckwork

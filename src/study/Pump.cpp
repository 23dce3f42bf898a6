#include "Pump.h"

#include "Trap.h"

namespace Deckwork {

void ProcessMessages(quint32 identifier, StudySteps& steps) {
    static bool stepping = false;
    if (stepping) return;
    look::Trap trap("Deckwork.ProcessMessages");
    if (PumpStop) return;
    stepping = true;
    // The numbers follow the pump's passes: waiting and taking the message are the event
    // loop's work now.
    trap.at(108, [&] {
        if (identifier == BackspaceAtom)
            steps.ShowPrev();
        else if (identifier == SpaceAtom)
            steps.ShowNext();
        else if (identifier == EscapeAtom)
            steps.CloseTheForm();
    });
    stepping = false;
}

}  // namespace Deckwork

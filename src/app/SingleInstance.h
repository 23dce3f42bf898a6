#pragma once

#include <functional>

// One program window per card folder: a second start on the same folder brings the first copy's
// window to the front and ends. The command-line verbs run beside a copy with its window.
namespace instance {

// True when a copy of the program with its window already runs on the card folder and has
// brought its window to the front: this start is then over. Otherwise this copy takes over,
// and from then on `toFront` answers each later start on the folder. A copy that no longer
// answers does not hold up a new one.
bool HandedOver(std::function<void()> toFront);

}  // namespace instance

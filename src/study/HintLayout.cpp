#include "HintLayout.h"

#include <cmath>

HintLayout LayOutHints(int width) {
    HintLayout layout;
    layout.label3Width = width - 330;
    layout.label1Width = (width - 450) / 2;  // C++ division truncates, as wanted
    layout.label2Width = layout.label1Width;
    layout.label2Left = layout.label1Width + 120 + 120;
    return layout;
}

int TwipsToPixels(int twips) { return int(std::lround(twips / 15.0)); }

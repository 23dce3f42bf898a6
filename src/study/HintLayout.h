#pragma once

// Where the three key hints of the card window go for a window `width` twips wide, in twips.
struct HintLayout {
    int top = 120;         // all three, one row
    int label1Left = 120;  // "Press 'Spacebar' ...", left half
    int label1Width = 0;
    int label2Left = 0;  // "Press 'Backspace' ...", right half
    int label2Width = 0;
    int label3Left = 120;  // "Press 'ESC' ...", full width
    int label3Width = 0;
};

HintLayout LayOutHints(int width);

// Twips to pixels at 15 twips a pixel, to the nearest pixel.
int TwipsToPixels(int twips);

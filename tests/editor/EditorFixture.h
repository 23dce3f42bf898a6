#pragma once

#include "CurrentSet.h"
#include "Form3.h"
#include "ProgramFolder.h"
#include "ScriptedDialogs.h"

#include <gtest/gtest.h>
#include <QPointer>
#include <QPushButton>
#include <QTreeView>

// The main window's texts, as ReadSets hands them over.
class RecordingTexts final : public Deckwork::SetTextsView {
public:
    RecordingTexts() { Deckwork::SetSetTextsView(this); }
    ~RecordingTexts() override { Deckwork::SetSetTextsView(nullptr); }
    void showSetTexts(const Deckwork::SetTexts& t) override { texts = t; }
    Deckwork::SetTexts texts;
};

// A program folder as the start-up leaves it, with a stand-in main window, and the editor
// opened the way "Edit Cards" opens it. Every prompt and question is answered by `dialogs`.
class EditorTest : public ::testing::Test {
protected:
    ~EditorTest() override;

    // The start-up's share in the card files: provisioning, the stored set, ReadSets.
    void startProgram();
    // Forgets everything in memory and starts again on the same folder.
    void restartProgram();
    // "Edit Cards": both lists filled, the set in hand highlighted, editor shown, main hidden.
    Form3& openEditor();

    QTreeView* setList() const;
    QTreeView* cardList() const;
    QPushButton* button(const char* name) const;
    void click(const char* name);
    // Clicks entry k (from 1) of the set list with the mouse.
    void clickSet(int k);

    QStringList setEntries() const;
    // "Side 1|Side 2" for each entry of the card list.
    QStringList cardEntries() const;
    // The first highlighted entry (from 1), 0 when none.
    int highlightedSet() const;
    int highlightedCard() const;
    // Highlights card entry k as a click would.
    void highlightCard(int k);
    // True when entry `row` (from 0) of `view` lies inside the visible part of the list.
    static bool visible(QTreeView* view, int row);

    QString storedSelectedSet() const;

    ProgramFolder folder;
    ScriptedDialogs dialogs;
    RecordingTexts mainTexts;
    QWidget mainWindow;
    QPointer<Form3> editor;
};

// The last line of `lines`, or "(none)" when there is none.
inline QString lastOf(const QStringList& lines) { return lines.value(lines.size() - 1, "(none)"); }

// A card file: the header line, then `count` cards "Word i|Mot i".
QByteArray cardFile(const char* header, int count);

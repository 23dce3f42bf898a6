#pragma once

#include "Fakes.h"
#include "Form2.h"
#include "ProgramFolder.h"

#include <QStringList>
#include <functional>
#include <memory>

// A study session opened the way the main window's Start action opens one, without the main
// window: the cards go into the working copy of a fresh program folder, are loaded into the
// deck, and the card window opens over them with the options a test chooses.
class StudySession {
public:
    explicit StudySession(const QStringList& cards);

    // The Start action: load the deck, arm the start timer, set the study state, maximise,
    // open.
    void start();
    // The same, waiting in the card window's own loop; `during` runs inside it.
    void startModal(const std::function<void()>& during);
    // Waits until the card window takes the keys.
    bool waitForKeys(int milliseconds = 5000);
    // The texts on the card, "/" between them, as screen readers get them.
    QString card() const;
    // Waits until the card shows `expected`.
    bool waitForCard(const QString& expected, int milliseconds = 3000);

    FakeOptions options;
    ProgramFolder folder;
    std::unique_ptr<Form2> form;

private:
    void prepare();
};

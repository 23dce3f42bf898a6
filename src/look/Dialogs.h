#pragma once

#include <QString>

namespace look {

// Every box and prompt the program shows goes through here, so tests can answer them.
class Dialogs {
public:
    virtual ~Dialogs() = default;
    // Modal box with the warning icon and one OK button.
    virtual void error(const QString& title, const QString& text) = 0;
    // Modal one-line prompt; returns the text entered, or an empty text on Cancel.
    virtual QString prompt(const QString& text, const QString& title,
                           const QString& defaultText) = 0;
    // Modal Yes/No question without an icon; true for Yes.
    virtual bool question(const QString& text, const QString& title) = 0;
    // Modal box with the information icon and one OK button, for input the program refuses.
    virtual void notice(const QString& text, const QString& title) = 0;
    // Modal file dialog: the file chosen to read, or with `save` to write (offering the name
    // `suggested`); an empty text on Cancel, which is all a program without windows answers.
    virtual QString chooseFile(const QString& /*title*/, const QString& /*suggested*/,
                               bool /*save*/) {
        return {};
    }
};

// The dialogs in use; until the program installs its own, reports go to standard error and
// every prompt is cancelled.
Dialogs& dialogs();
// Installs `d` (not owned); nullptr restores the standard-error fallback.
void setDialogs(Dialogs* d);

// The process-wide title of boxes and prompts that have no title of their own.
QString applicationTitle();
void setApplicationTitle(const QString& title);

}  // namespace look

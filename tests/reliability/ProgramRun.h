#pragma once

#include <QByteArray>
#include <QMap>
#include <QPointer>
#include <QString>
#include <QStringList>
#include <functional>

class Form1;
class Form2;
class Form3;
class QPushButton;
class QTreeView;

// The whole program in the test process, on the offscreen platform: the main window started on
// the sandbox's folder, the editor opened through "Edit Cards" and a study session opened
// through "Start Showing Flashcards", driven the way a user drives them.

// A report in short: "Location@statement: description".
QString shortReport(const QString& report);
QStringList shortReports(const QStringList& reports);

// What changed from `before` to `after` (snapshots of a folder), one readable line per entry:
// its name and its new bytes, or "<gone>".
QStringList changedEntries(const QMap<QString, QByteArray>& before,
                           const QMap<QString, QByteArray>& after);
// The entries as readable lines in the same form.
QStringList readable(const QMap<QString, QByteArray>& entries);

class EditorDriver {
public:
    // "Edit Cards" on `main`: the editor opens and the main window hides; unless told not to,
    // it waits until the editor is on screen.
    explicit EditorDriver(Form1& main, bool waitUntilShown = true);

    Form3* editor() const { return editor_; }
    QPushButton* button(const char* name) const;
    QTreeView* setList() const;
    QTreeView* cardList() const;
    void click(const char* name);
    // Highlights entry k (from 1) of a list the way a click does; a set pick also runs.
    void pickSet(int k);
    void highlightCard(int k);
    // Highlights entry k (from 1) of `view` as the arrow keys do: no click, no pick.
    static void highlightByKeys(QTreeView* view, int k);
    QStringList setEntries() const;
    QStringList cardEntries() const;  // "Side 1|Side 2"

private:
    QPointer<Form3> editor_;
};

// "Start Showing Flashcards" on `main`, pressing `keys` (" " Spacebar, "b" Backspace) once the
// card window takes them, then Esc; `first`, when given, looks at the card window before the
// first key. Returns the card shown after each step, the first card included; an empty list
// when the window never took the keys (then it is closed anyway).
QStringList studyWithKeys(Form1& main, const QString& keys,
                          const std::function<void(Form2&)>& first = {}, int timeoutMs = 20000);

// The study keys on an X server in a session of their own (session.sh), typed with xdotool; xev
// is the other program with the focus. The package test drives the whole program this way.
#include "CurrentSet.h"
#include "Form2.h"
#include "Harness.h"
#include "Options.h"
#include "Pump.h"
#include "QtDialogs.h"
#include "SurfaceWidget.h"
#include "Trap.h"
#include "XcbReply.h"

#include <gtest/gtest.h>
#include <xcb/xcb.h>
#include <QApplication>
#include <QProcess>
#include <QTest>
#include <QTimer>

namespace {

QString run(const QString& program, const QStringList& arguments) {
    QProcess p;
    p.start(program, arguments);
    p.waitForFinished(60000);
    return QString::fromUtf8(p.readAllStandardOutput()).trimmed();
}

QString xdotool(const QStringList& arguments) { return run("xdotool", arguments); }

// Waits for a state, however busy the machine is.
bool until(const std::function<bool()>& state, int ms = 60000) {
    return QTest::qWaitFor(state, ms);
}

// Another program's hold on Spacebar: grabs it, unless another program holds it.
bool grabSpace(bool keep = false) {
    static xcb_connection_t* c = xcb_connect(nullptr, nullptr);
    const xcb_window_t root = xcb_setup_roots_iterator(xcb_get_setup(c)).data->root;
    const xcb_keycode_t space = 65;  // the server's standard keyboard map
    Freed<xcb_generic_error_t> held{
        xcb_request_check(c, xcb_grab_key_checked(c, 1, root, 0, space, 1, 1))};
    if (!keep) xcb_ungrab_key(c, space, root, 0);
    xcb_flush(c);
    return !held;
}

// Another program with the keyboard focus: the modifiers of each Spacebar it got.
struct Xev {
    Xev() {
        p.start("xev", {"-event", "keyboard"});
        // The window manager may keep the focus on the card window: ask until it moves.
        EXPECT_TRUE(until([&] {
            const QString id = xdotool({"search", "--name", "^Event Tester$"});
            return !id.isEmpty() && xdotool({"windowactivate", id, "getactivewindow"}) == id;
        }));
    }
    QStringList spaces() {
        (void)until([&] {
            out += QString::fromLatin1(p.readAllStandardOutput());
            return out.contains("(keysym 0x20, space)");
        });
        QStringList states;
        for (const QString& event : std::exchange(out, {}).split("\n\n"))
            if (event.startsWith("KeyPress") && event.contains("(keysym 0x20, space)"))
                states << event.section("state ", 1).section(',', 0, 0);
        return states;
    }
    QProcess p;
    QString out;
};

}  // namespace

TEST(X11, TheStudyKeysReachTheSessionWhereverTheFocusIsAndOnlyWhileItRuns) {
    Sandbox box;
    ScriptedDialogs d;
    Options options;
    Form2 form(options);
    box.write("in-use.dat", crlf({"H", "Q1|A1", "Q2|A2", "Q3|A3"}));
    const auto open = [&] {
        Deckwork::LoadInUseCards();
        form.CurrentCard = 1, form.AnswerPending = false;
        form.Timer1.start(10);
        form.Open();
        return until([&] { return form.takingKeys(); });
    };
    const auto shows = [&](const char* card) {
        return until([&] { return form.Picture1->accessibleName() == card; });
    };
    ASSERT_TRUE(open() && form.keysSystemWide());
    Xev other;
    const QString atom = QString("%1-%1").arg(Deckwork::SpaceAtom);
    EXPECT_EQ(run("xlsatoms", {"-range", atom}).section('\t', 1), "A00F2");
    xdotool({"key", "space", "shift+space"});
    EXPECT_TRUE(shows("Q1\nA1"));
    EXPECT_EQ(other.spaces(), QStringList{"0x1"});  // only the one with Shift
    xdotool({"key", "BackSpace"});
    EXPECT_TRUE(shows("Q3"));
    // A lit Num Lock or Caps Lock does not stop the keys.
    xdotool({"key", "Num_Lock", "space"});
    EXPECT_TRUE(shows("Q3\nA3"));
    xdotool({"key", "Caps_Lock", "space", "Num_Lock", "Caps_Lock"});
    EXPECT_TRUE(shows("Q1"));
    // While a report is up, the keys are the box's when it has the focus, never the card's.
    look::QtDialogs boxes;
    look::setDialogs(&boxes);
    QTimer::singleShot(0, [&] {
        QWidget* box = nullptr;  // xev has the focus: the box is given it
        if (until([&] {
                box = QApplication::activeModalWidget();
                return box != &form && box && (box->activateWindow(), box->isActiveWindow());
            }))
            xdotool({"key", "BackSpace", "Escape"});
        if (!until([&] { return QApplication::activeModalWidget() == &form; }, 5000) && box)
            box->close();  // fail rather than hang
    });
    look::reportError("Overflow", "Form2.Form_Resize", 118);
    look::setDialogs(&d);
    EXPECT_TRUE(form.isVisible() && shows("Q1"));
    xdotool({"key", "Escape"});
    EXPECT_TRUE(until([&] { return !form.isVisible() && !form.takingKeys(); }));
    xdotool({"key", "space"});
    EXPECT_EQ(other.spaces(), QStringList{"0x0"});  // the keys are given back
    // A key another program holds stays with it; the others work.
    ASSERT_TRUE(grabSpace(true) && open());
    xdotool({"key", "space", "BackSpace"});
    EXPECT_TRUE(shows("Q3"));
    form.close();
    grabSpace();
    // The window manager closing the card window ends the session and gives the keys back.
    ASSERT_TRUE(open() && !grabSpace());
    run("wmctrl", {"-i", "-c", QString::number(form.winId())});
    EXPECT_TRUE(until([&] { return !form.isVisible() && grabSpace(); }));
    EXPECT_TRUE(Deckwork::PumpStop && d.shown.isEmpty());
}

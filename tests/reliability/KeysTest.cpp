// The study keys on a real X server, started from the main window: Spacebar already held by
// another program, the card window closed by the window manager, and the program killed while
// the card window holds the keys. Each time the keys end up where they belong.
#include "Form1.h"
#include "Form2.h"
#include "Pump.h"
#include "Sandbox.h"
#include "ScriptedDialogs.h"
#include "Settings.h"
#include "SurfaceWidget.h"
#include "XcbReply.h"

#include <gtest/gtest.h>

#include <xcb/xcb.h>
#include <QDeadlineTimer>
#include <QElapsedTimer>
#include <QGuiApplication>
#include <QProcess>
#include <QStandardPaths>
#include <QTest>
#include <QTimer>

#include <cstdlib>
#include <cstring>
#include <functional>

namespace {

constexpr xcb_keysym_t kSpace = 0x20;

bool run(const QString& program, const QStringList& arguments, QByteArray* out = nullptr) {
    QProcess p;
    p.start(program, arguments);
    if (!p.waitForFinished(10000)) {
        p.kill();
        p.waitForFinished();
        return false;
    }
    if (out) *out = p.readAllStandardOutput();
    return p.exitStatus() == QProcess::NormalExit && p.exitCode() == 0;
}

void xdotool(const QStringList& arguments) {
    EXPECT_TRUE(run(QStringLiteral("xdotool"), arguments)) << "xdotool failed";
}

// Another program on the display, with a window of its own that takes the keyboard focus.
class OtherProgram {
public:
    OtherProgram() {
        c_ = xcb_connect(nullptr, nullptr);
        screen_ = xcb_setup_roots_iterator(xcb_get_setup(c_)).data;
        window_ = xcb_generate_id(c_);
        const uint32_t values[] = {screen_->white_pixel, XCB_EVENT_MASK_KEY_PRESS};
        xcb_create_window(c_, XCB_COPY_FROM_PARENT, window_, screen_->root, 40, 40, 300, 200, 0,
                          XCB_WINDOW_CLASS_INPUT_OUTPUT, screen_->root_visual,
                          XCB_CW_BACK_PIXEL | XCB_CW_EVENT_MASK, values);
        xcb_map_window(c_, window_);
        xcb_flush(c_);
    }
    ~OtherProgram() { xcb_disconnect(c_); }

    bool focus() {
        for (int attempt = 0; attempt < 30; ++attempt) {
            xcb_set_input_focus(c_, XCB_INPUT_FOCUS_POINTER_ROOT, window_, XCB_CURRENT_TIME);
            xcb_flush(c_);
            QTest::qWait(100);
            Freed<xcb_get_input_focus_reply_t> f{
                xcb_get_input_focus_reply(c_, xcb_get_input_focus(c_), nullptr)};
            if (f && f->focus == window_) return true;
        }
        return false;
    }

    // Whether Spacebar reached this program (at its window, or through its grab) within `ms`.
    bool gotSpace(int ms) {
        bool got = false;
        QElapsedTimer timer;
        timer.start();
        do {
            QTest::qWait(10);
            while (xcb_generic_event_t* e = xcb_poll_for_event(c_)) {
                if ((e->response_type & 0x7f) == XCB_KEY_PRESS &&
                    reinterpret_cast<xcb_key_press_event_t*>(e)->detail == space())
                    got = true;
                std::free(e);
            }
        } while (timer.elapsed() < ms);
        return got;
    }

    // Takes Spacebar for itself; false while another program holds it.
    bool grabSpace() {
        const auto cookie = xcb_grab_key_checked(c_, 1, screen_->root, 0, space(),
                                                 XCB_GRAB_MODE_ASYNC, XCB_GRAB_MODE_ASYNC);
        xcb_generic_error_t* error = xcb_request_check(c_, cookie);
        std::free(error);
        return !error;
    }
    void releaseSpace() {
        xcb_ungrab_key(c_, space(), screen_->root, 0);
        xcb_flush(c_);
    }

    // Asks the window manager to close `window`, as its close button does; without a window
    // manager, asks the window itself.
    void closeWindow(xcb_window_t window) {
        xcb_client_message_event_t m{};
        m.response_type = XCB_CLIENT_MESSAGE;
        m.format = 32;
        m.window = window;
        if (windowManagerRuns()) {
            m.type = atom("_NET_CLOSE_WINDOW");
            m.data.data32[0] = XCB_CURRENT_TIME;
            m.data.data32[1] = 2;  // from a pager or the like: a user's request
            xcb_send_event(
                c_, 0, screen_->root,
                XCB_EVENT_MASK_SUBSTRUCTURE_REDIRECT | XCB_EVENT_MASK_SUBSTRUCTURE_NOTIFY,
                reinterpret_cast<const char*>(&m));
        } else {
            m.type = atom("WM_PROTOCOLS");
            m.data.data32[0] = atom("WM_DELETE_WINDOW");
            m.data.data32[1] = XCB_CURRENT_TIME;
            xcb_send_event(c_, 0, window, XCB_EVENT_MASK_NO_EVENT,
                           reinterpret_cast<const char*>(&m));
        }
        xcb_flush(c_);
    }

    bool windowManagerRuns() {
        Freed<xcb_get_property_reply_t> p{xcb_get_property_reply(
            c_,
            xcb_get_property(c_, 0, screen_->root, atom("_NET_SUPPORTING_WM_CHECK"),
                             XCB_ATOM_WINDOW, 0, 1),
            nullptr)};
        return p && xcb_get_property_value_length(p.reply) > 0;
    }

private:
    xcb_atom_t atom(const char* name) {
        Freed<xcb_intern_atom_reply_t> r{xcb_intern_atom_reply(
            c_, xcb_intern_atom(c_, 0, uint16_t(std::strlen(name)), name), nullptr)};
        return r ? r->atom : 0;
    }

    xcb_keycode_t space() {
        if (space_) return space_;
        const xcb_setup_t* setup = xcb_get_setup(c_);
        const int count = setup->max_keycode - setup->min_keycode + 1;
        Freed<xcb_get_keyboard_mapping_reply_t> map{xcb_get_keyboard_mapping_reply(
            c_, xcb_get_keyboard_mapping(c_, setup->min_keycode, uint8_t(count)), nullptr)};
        const xcb_keysym_t* symbols = xcb_get_keyboard_mapping_keysyms(map.reply);
        for (int i = 0; i < count; ++i)
            if (symbols[i * map->keysyms_per_keycode] == kSpace)
                return space_ = xcb_keycode_t(setup->min_keycode + i);
        return 0;
    }

    xcb_connection_t* c_;
    xcb_screen_t* screen_;
    xcb_window_t window_;
    xcb_keycode_t space_ = 0;
};

class Keys : public ::testing::Test {
protected:
    void SetUp() override {
        if (QGuiApplication::platformName() != QLatin1String("xcb"))
            GTEST_SKIP() << "needs an X11 display";
        if (QStandardPaths::findExecutable(QStringLiteral("xdotool")).isEmpty())
            GTEST_SKIP() << "needs xdotool";
        box.write("sets.dat", crlfLines({"Sets", "States|Capitals|StatesCapitals.dat",
                                         "Cards|Three|three.dat"}));
        box.write("three.dat", crlfLines({"Cards|Three", "Q1|A1", "Q2|A2", "Q3|A3"}));
        WriteSetting("SelectedSet", "2");
        WriteSetting("Option3", "False");
        WriteSetting("Option4", "True");
    }

    // "Start Showing Flashcards" on `main`; `during` runs once the card window takes the keys.
    static void study(Form1& main, const std::function<void(Form2&)>& during) {
        QTimer::singleShot(0, &main, [&] {
            const bool taking = QTest::qWaitFor(
                [&] { return main.cardWindow() && main.cardWindow()->takingKeys(); }, 10000);
            EXPECT_TRUE(taking) << "the card window never took the keys";
            if (taking) during(*main.cardWindow());
            // Should the session still run, end it rather than hang.
            if (main.cardWindow()->isVisible()) {
                ADD_FAILURE() << "the card window is still open";
                main.cardWindow()->close();
            }
        });
        main.PushButton1_Click();
    }

    static QString card(Form2& cards) {
        return cards.Picture1->accessibleName().replace(QLatin1Char('\n'), QLatin1Char('/'));
    }

    Sandbox box;
};

}  // namespace

TEST_F(Keys, SpacebarHeldByAnotherProgramStaysWithItAndTheOtherKeysWork) {
    ScriptedDialogs dialogs;
    OtherProgram other;
    ASSERT_TRUE(other.grabSpace());
    Form1 main;
    main.show();
    study(main, [&](Form2& cards) {
        EXPECT_EQ(card(cards), "Q1");
        xdotool({"key", "space"});
        EXPECT_TRUE(other.gotSpace(300));
        EXPECT_EQ(card(cards), "Q1");
        xdotool({"key", "BackSpace"});
        EXPECT_TRUE(QTest::qWaitFor([&] { return card(cards) == "Q3"; }, 3000)) << "Backspace";
        xdotool({"key", "Escape"});
        EXPECT_TRUE(QTest::qWaitFor([&] { return !cards.isVisible(); }, 3000)) << "Esc";
    });
    EXPECT_FALSE(main.cardWindow()->isVisible());
    EXPECT_TRUE(Deckwork::PumpStop);
    // Spacebar stayed the other program's all along.
    xdotool({"key", "space"});
    EXPECT_TRUE(other.gotSpace(300));
    EXPECT_TRUE(dialogs.errors().isEmpty());
}

TEST_F(Keys, TheWindowManagerClosingTheCardWindowEndsTheSessionAndGivesTheKeysBack) {
    ScriptedDialogs dialogs;
    OtherProgram other;
    Form1 main;
    main.show();
    for (int session = 0; session < 2; ++session) {
        SCOPED_TRACE(session);
        study(main, [&](Form2& cards) {
            xdotool({"key", "space"});
            EXPECT_TRUE(QTest::qWaitFor([&] { return card(cards) == "Q1/A1"; }, 3000));
            other.closeWindow(xcb_window_t(cards.winId()));
            EXPECT_TRUE(QTest::qWaitFor([&] { return !cards.isVisible(); }, 5000))
                << "the window manager did not close the card window";
        });
        // The Start action has returned: the session is over and the keys are free.
        EXPECT_FALSE(main.cardWindow()->isVisible());
        EXPECT_FALSE(main.cardWindow()->takingKeys());
        EXPECT_TRUE(Deckwork::PumpStop);
        ASSERT_TRUE(other.focus());
        xdotool({"key", "space"});
        EXPECT_TRUE(other.gotSpace(300));
        EXPECT_TRUE(other.grabSpace());
        other.releaseSpace();
    }
    EXPECT_TRUE(dialogs.errors().isEmpty());
}

TEST_F(Keys, KillingTheProgramWhileTheCardWindowIsOpenGivesTheKeysBack) {
    QProcess program;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert("QT_QPA_PLATFORM", "xcb");
    program.setProcessEnvironment(env);
    program.start(QStringLiteral(QUORVANE_EXECUTABLE), {"--folder", box.folder()});
    ASSERT_TRUE(program.waitForStarted());
    const auto visible = [] {
        QByteArray out;
        run("xdotool", {"search", "--onlyvisible", "--name", "^Quorvane$"}, &out);
        return QString::fromLatin1(out).split('\n', Qt::SkipEmptyParts);
    };
    QStringList windows;
    ASSERT_TRUE(QTest::qWaitFor([&] { return !(windows = visible()).isEmpty(); }, 15000))
        << "the main window never showed";
    // "Start Showing Flashcards"; the card window shows, and takes the keys 10 ms later.
    OtherProgram other;
    xdotool({"mousemove", "--window", windows.first(), "268", "21", "click", "1"});
    ASSERT_TRUE(QTest::qWaitFor([&] { return visible().size() == 2; }, 10000))
        << "the card window never showed";
    QTest::qWait(1000);
    if (other.grabSpace()) {
        other.releaseSpace();
        FAIL() << "the card window did not take Spacebar";
    }
    program.kill();  // SIGKILL: no code of the program runs any more
    ASSERT_TRUE(program.waitForFinished(5000));
    EXPECT_EQ(program.exitStatus(), QProcess::CrashExit);
    // The X server lets the keys go with the program's connection.
    ASSERT_TRUE(QTest::qWaitFor([&] { return other.grabSpace(); }, 5000))
        << "Spacebar is still held";
    other.releaseSpace();
    ASSERT_TRUE(other.focus());
    xdotool({"key", "space"});
    EXPECT_TRUE(other.gotSpace(300));
}

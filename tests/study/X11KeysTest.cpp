#include "CurrentSet.h"
#include "HintLayout.h"
#include "Pump.h"
#include "ScriptedDialogs.h"
#include "StudySession.h"
#include "XcbReply.h"

#include <gtest/gtest.h>

#include <xcb/xcb.h>
#include <QElapsedTimer>
#include <QGuiApplication>
#include <QLabel>
#include <QProcess>
#include <QStandardPaths>
#include <QTest>

#include <cstdlib>
#include <cstring>

namespace {

const QStringList kThree = {"Q1|A1", "Q2|A2", "Q3|A3"};
constexpr xcb_keysym_t kSpace = 0x20, kBackSpace = 0xff08, kNumLock = 0xff7f;

// Sends keys through the X server, as the keyboard would (XTest).
void xdotool(const QStringList& arguments) {
    ASSERT_EQ(QProcess::execute(QStringLiteral("xdotool"), arguments), 0) << "xdotool failed";
}

// Another program on the same display: its own connection and window.
class OtherClient {
public:
    struct Press {
        xcb_keycode_t code;
        uint16_t state;
        xcb_window_t window;
    };

    OtherClient() {
        c_ = xcb_connect(nullptr, nullptr);
        screen_ = xcb_setup_roots_iterator(xcb_get_setup(c_)).data;
        window_ = xcb_generate_id(c_);
        const uint32_t values[] = {screen_->white_pixel,
                                   XCB_EVENT_MASK_KEY_PRESS | XCB_EVENT_MASK_KEY_RELEASE};
        xcb_create_window(c_, XCB_COPY_FROM_PARENT, window_, screen_->root, 40, 40, 300, 200, 0,
                          XCB_WINDOW_CLASS_INPUT_OUTPUT, screen_->root_visual,
                          XCB_CW_BACK_PIXEL | XCB_CW_EVENT_MASK, values);
        xcb_map_window(c_, window_);
        xcb_flush(c_);
    }
    ~OtherClient() { xcb_disconnect(c_); }

    // Takes the keyboard focus from whatever holds it, and keeps it once the window manager has
    // done with the windows just shown.
    bool focus() {
        const bool viewable = QTest::qWaitFor([this] {
            Freed<xcb_get_window_attributes_reply_t> a{xcb_get_window_attributes_reply(
                c_, xcb_get_window_attributes(c_, window_), nullptr)};
            return a && a->map_state == XCB_MAP_STATE_VIEWABLE;
        });
        if (!viewable) return false;
        for (int attempt = 0; attempt < 20; ++attempt) {
            xcb_set_input_focus(c_, XCB_INPUT_FOCUS_POINTER_ROOT, window_, XCB_CURRENT_TIME);
            xcb_flush(c_);
            QTest::qWait(100);
            if (focused()) return true;
        }
        return false;
    }

    bool focused() {
        Freed<xcb_get_input_focus_reply_t> f{
            xcb_get_input_focus_reply(c_, xcb_get_input_focus(c_), nullptr)};
        return f && f->focus == window_;
    }

    // The keys it received within `milliseconds`.
    QList<Press> presses(int milliseconds) {
        QList<Press> got;
        QElapsedTimer timer;
        timer.start();
        do {
            QTest::qWait(10);
            while (xcb_generic_event_t* e = xcb_poll_for_event(c_)) {
                if ((e->response_type & 0x7f) == XCB_KEY_PRESS) {
                    auto* k = reinterpret_cast<xcb_key_press_event_t*>(e);
                    got.append({k->detail, k->state, k->event});
                }
                std::free(e);
            }
        } while (timer.elapsed() < milliseconds);
        return got;
    }

    bool grab(xcb_keycode_t code) {
        const auto cookie = xcb_grab_key_checked(c_, 1, screen_->root, 0, code, XCB_GRAB_MODE_ASYNC,
                                                 XCB_GRAB_MODE_ASYNC);
        xcb_generic_error_t* error = xcb_request_check(c_, cookie);
        std::free(error);
        return !error;
    }

    xcb_keycode_t keycode(xcb_keysym_t symbol) {
        const xcb_setup_t* setup = xcb_get_setup(c_);
        const int count = setup->max_keycode - setup->min_keycode + 1;
        Freed<xcb_get_keyboard_mapping_reply_t> map{xcb_get_keyboard_mapping_reply(
            c_, xcb_get_keyboard_mapping(c_, setup->min_keycode, uint8_t(count)), nullptr)};
        const xcb_keysym_t* symbols = xcb_get_keyboard_mapping_keysyms(map.reply);
        for (int i = 0; i < count; ++i)
            if (symbols[i * map->keysyms_per_keycode] == symbol)
                return xcb_keycode_t(setup->min_keycode + i);
        return 0;
    }

    // The modifiers in force now, lock keys included.
    uint16_t modifiers() {
        Freed<xcb_query_pointer_reply_t> p{
            xcb_query_pointer_reply(c_, xcb_query_pointer(c_, screen_->root), nullptr)};
        return p ? p->mask & 0xff : 0;
    }

    QString atomName(xcb_atom_t atom) {
        Freed<xcb_get_atom_name_reply_t> r{
            xcb_get_atom_name_reply(c_, xcb_get_atom_name(c_, atom), nullptr)};
        return r ? QString::fromLatin1(xcb_get_atom_name_name(r.reply),
                                       xcb_get_atom_name_name_length(r.reply))
                 : QString();
    }

    xcb_window_t window() const { return window_; }
    xcb_window_t root() const { return screen_->root; }

private:
    xcb_connection_t* c_;
    xcb_screen_t* screen_;
    xcb_window_t window_;
};

bool pressed(const QList<OtherClient::Press>& presses, xcb_keycode_t code, uint16_t state) {
    for (const auto& p : presses)
        if (p.code == code && (p.state & 0xff) == state) return true;
    return false;
}

class X11Keys : public ::testing::Test {
protected:
    void SetUp() override {
        if (QGuiApplication::platformName() != QLatin1String("xcb"))
            GTEST_SKIP() << "needs an X11 display";
        if (QStandardPaths::findExecutable(QStringLiteral("xdotool")).isEmpty())
            GTEST_SKIP() << "needs xdotool";
    }
};

}  // namespace

TEST_F(X11Keys, KeysReachTheSessionWhereverTheFocusIsUntilEsc) {
    ScriptedDialogs dialogs;
    StudySession s(kThree);
    OtherClient other;
    s.start();
    ASSERT_TRUE(s.waitForKeys());
    EXPECT_TRUE(s.form->keysSystemWide());
    ASSERT_TRUE(other.focus());
    const xcb_keycode_t space = other.keycode(kSpace);

    xdotool({"key", "space"});
    EXPECT_TRUE(s.waitForCard("Q1/A1"));
    EXPECT_FALSE(pressed(other.presses(200), space, 0)) << "the other program got Spacebar";

    ASSERT_TRUE(other.focused());
    xdotool({"key", "shift+space"});
    EXPECT_TRUE(pressed(other.presses(300), space, XCB_MOD_MASK_SHIFT));
    EXPECT_EQ(s.card(), "Q1/A1");

    xdotool({"key", "BackSpace"});
    EXPECT_TRUE(s.waitForCard("Q3"));

    // A lit Num Lock or Caps Lock does not stop the keys.
    const uint16_t before = other.modifiers();
    xdotool({"key", "Num_Lock"});
    EXPECT_NE(other.modifiers(), before) << "Num Lock did not light";
    xdotool({"key", "space"});
    EXPECT_TRUE(s.waitForCard("Q3/A3"));
    xdotool({"key", "Caps_Lock"});
    EXPECT_TRUE(other.modifiers() & XCB_MOD_MASK_LOCK);
    xdotool({"key", "space"});
    EXPECT_TRUE(s.waitForCard("Q1"));
    xdotool({"key", "Num_Lock", "Caps_Lock"});
    EXPECT_EQ(other.modifiers(), before);

    xdotool({"key", "Escape"});
    EXPECT_TRUE(QTest::qWaitFor([&] { return !s.form->isVisible(); }, 3000));
    EXPECT_FALSE(s.form->takingKeys());
    // Released: Spacebar goes to the program with the focus again.
    ASSERT_TRUE(other.focus());
    xdotool({"key", "space"});
    EXPECT_TRUE(pressed(other.presses(300), space, 0));
    EXPECT_EQ(s.card(), "Q1");
    EXPECT_TRUE(dialogs.errors().isEmpty());
}

TEST_F(X11Keys, OpeningAgainTakesTheKeysAgainWithTheSameIdentifiers) {
    ScriptedDialogs dialogs;
    StudySession s(kThree);
    OtherClient other;
    s.options.questionFirst = false;
    QList<quint32> first, second;
    s.startModal([&] {
        ASSERT_TRUE(s.waitForKeys());
        first = {Deckwork::BackspaceAtom, Deckwork::SpaceAtom, Deckwork::EscapeAtom};
        xdotool({"key", "Escape"});
    });
    EXPECT_FALSE(s.form->isVisible());
    s.startModal([&] {
        ASSERT_TRUE(s.waitForKeys());
        second = {Deckwork::BackspaceAtom, Deckwork::SpaceAtom, Deckwork::EscapeAtom};
        xdotool({"key", "space"});
        EXPECT_TRUE(s.waitForCard("Q2/A2"));
        xdotool({"key", "Escape"});
    });
    EXPECT_FALSE(s.form->isVisible());
    EXPECT_EQ(first, second);
    ASSERT_EQ(first.size(), 3);
    EXPECT_EQ(other.atomName(first[0]), "A00F1");
    EXPECT_EQ(other.atomName(first[1]), "A00F2");
    EXPECT_EQ(other.atomName(first[2]), "A00F3");
    EXPECT_TRUE(dialogs.errors().isEmpty());
}

TEST_F(X11Keys, AKeyAnotherProgramHoldsStaysWithItAndTheOthersWork) {
    ScriptedDialogs dialogs;
    StudySession s(kThree);
    OtherClient other;
    const xcb_keycode_t backspace = other.keycode(kBackSpace);
    ASSERT_TRUE(other.grab(backspace));
    s.start();
    ASSERT_TRUE(s.waitForKeys());

    xdotool({"key", "BackSpace"});
    const auto presses = other.presses(300);
    EXPECT_TRUE(pressed(presses, backspace, 0));
    EXPECT_EQ(s.card(), "Q1");

    xdotool({"key", "space"});
    EXPECT_TRUE(s.waitForCard("Q1/A1"));
    xdotool({"key", "Escape"});
    EXPECT_TRUE(QTest::qWaitFor([&] { return !s.form->isVisible(); }, 3000));
    EXPECT_TRUE(dialogs.errors().isEmpty());
}

TEST_F(X11Keys, AKeyHeldDownRepeats) {
    QStringList cards;
    for (int i = 1; i <= 100; ++i) cards << QStringLiteral("Q%1|A%1").arg(i);
    StudySession s(cards);
    s.options.questionFirst = false;
    s.start();
    ASSERT_TRUE(s.waitForKeys());
    xdotool({"keydown", "space"});
    QTest::qWait(1500);
    xdotool({"keyup", "space"});
    QTest::qWait(100);
    EXPECT_GT(s.form->CurrentCard, 5);  // the first press and its repeats
    s.form->close();
}

TEST_F(X11Keys, CardWindowCoversTheScreenWithTheHintsInOneRow) {
    StudySession s(kThree);
    s.start();
    ASSERT_TRUE(s.waitForKeys());
    const QRect screen = s.form->screen()->geometry();
    EXPECT_TRUE(QTest::qWaitFor([&] { return s.form->geometry() == screen; }));
    EXPECT_EQ(s.card(), "Q1");  // one step only, however the window manager sized it
    const HintLayout layout = LayOutHints(screen.width() * 15);
    EXPECT_EQ(s.form->Label3->geometry(),
              QRect(8, 8, TwipsToPixels(layout.label3Width), s.form->Label3->height()));
    EXPECT_EQ(s.form->Label2->x(), TwipsToPixels(layout.label2Left));
    EXPECT_EQ(s.form->Label1->y(), s.form->Label2->y());
    s.form->close();
}

#include "XcbReply.h"

#include <gtest/gtest.h>

#include <xcb/xcb.h>
#include <QApplication>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>

#include <cstring>

namespace {

// Maximising, full screen, modality and focus behave as on a desktop only under a window
// manager: openbox is started for the run when none is there.
class WindowManager : public ::testing::Environment {
public:
    void SetUp() override {
        if (QGuiApplication::platformName() != QLatin1String("xcb") || running()) return;
        if (QStandardPaths::findExecutable(QStringLiteral("openbox")).isEmpty()) return;
        openbox_.start(QStringLiteral("openbox"), {QStringLiteral("--sm-disable")});
        if (!QTest::qWaitFor([] { return running(); }, 5000)) openbox_.kill();
    }
    void TearDown() override {
        if (openbox_.state() == QProcess::NotRunning) return;
        openbox_.terminate();
        openbox_.waitForFinished(3000);
    }

private:
    static bool running() {
        xcb_connection_t* c = xcb_connect(nullptr, nullptr);
        const xcb_window_t root = xcb_setup_roots_iterator(xcb_get_setup(c)).data->root;
        const char name[] = "_NET_SUPPORTING_WM_CHECK";
        Freed<xcb_intern_atom_reply_t> atom{xcb_intern_atom_reply(
            c, xcb_intern_atom(c, 1, uint16_t(std::strlen(name)), name), nullptr)};
        bool found = false;
        if (atom && atom->atom) {
            Freed<xcb_get_property_reply_t> p{xcb_get_property_reply(
                c, xcb_get_property(c, 0, root, atom->atom, XCB_ATOM_WINDOW, 0, 1), nullptr)};
            found = p && xcb_get_property_value_length(p.reply) > 0;
        }
        xcb_disconnect(c);
        return found;
    }

    QProcess openbox_;
};

}  // namespace

// Like the other test programs, with its own settings folder; but on the X server in DISPLAY,
// when one answers, since these tests need real keyboard grabs. Without one they all skip.
int main(int argc, char** argv) {
    QTemporaryDir config;
    qputenv("XDG_CONFIG_HOME", config.path().toUtf8());
    bool display = false;
    if (!qEnvironmentVariableIsEmpty("DISPLAY")) {
        xcb_connection_t* probe = xcb_connect(nullptr, nullptr);
        display = !xcb_connection_has_error(probe);
        xcb_disconnect(probe);
    }
    qputenv("QT_QPA_PLATFORM", display ? "xcb" : "offscreen");
    QApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    ::testing::AddGlobalTestEnvironment(new WindowManager);
    return RUN_ALL_TESTS();
}

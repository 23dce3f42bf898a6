#include <gtest/gtest.h>

#include <xcb/xcb.h>
#include <QApplication>
#include <QTemporaryDir>

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
    return RUN_ALL_TESTS();
}

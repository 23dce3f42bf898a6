// The real program on the X server in DISPLAY, driven through xdotool as a user would.
#include "ProgramFolder.h"
#include "Settings.h"

#include <gtest/gtest.h>
#include <QDeadlineTimer>
#include <QProcess>
#include <QStandardPaths>
#include <QThread>

namespace {

// Output of one xdotool command, or an empty text when it fails or takes too long.
QString xdotool(const QStringList& args, int timeoutMs = 10000) {
    QProcess p;
    p.start(QStringLiteral("xdotool"), args);
    if (!p.waitForFinished(timeoutMs)) {
        p.kill();
        p.waitForFinished();
        return {};
    }
    return QString::fromUtf8(p.readAllStandardOutput()).trimmed();
}

// The visible windows titled exactly `title`.
QStringList windows(const QString& title) {
    const QString out = xdotool({"search", "--onlyvisible", "--name", "^" + title + "$"});
    return out.isEmpty() ? QStringList() : out.split('\n');
}

// Waits for a visible window titled `title` that is not in `seen`.
QString waitForWindow(const QString& title, const QStringList& seen = {}) {
    const QDeadlineTimer deadline(15000);
    while (!deadline.hasExpired()) {
        for (const QString& w : windows(title))
            if (!seen.contains(w)) return w;
        QThread::msleep(100);
    }
    ADD_FAILURE() << "no window " << title.toStdString();
    return {};
}

void click(const QString& window, int x, int y) {
    xdotool(
        {"mousemove", "--window", window, QString::number(x), QString::number(y), "click", "1"});
}

// Answers the next prompt titled `title` (one not among `seen`), typing `text` and Return.
QString answer(const QString& title, const QString& text, const QStringList& seen = {}) {
    const QString prompt = waitForWindow(title, seen);
    xdotool({"windowactivate", "--sync", prompt});
    xdotool({"type", "--delay", "20", text});
    xdotool({"key", "Return"});
    return prompt;
}

bool windowManagerRuns() {
    QProcess p;
    p.start(QStringLiteral("xprop"), {"-root", "_NET_SUPPORTING_WM_CHECK"});
    return p.waitForFinished(5000) && p.readAllStandardOutput().contains("window id");
}

class EndToEnd : public ::testing::Test {
protected:
    void SetUp() override {
        if (qEnvironmentVariableIsEmpty("DISPLAY")) GTEST_SKIP() << "needs an X11 display";
        for (const char* tool : {"xdotool", "openbox", "xprop"})
            if (QStandardPaths::findExecutable(tool).isEmpty()) GTEST_SKIP() << "needs " << tool;
        if (!windowManagerRuns()) {
            openbox_.start(QStringLiteral("openbox"), {QStringLiteral("--sm-disable")});
            const QDeadlineTimer deadline(5000);
            while (!windowManagerRuns() && !deadline.hasExpired()) QThread::msleep(100);
        }
    }
    void TearDown() override {
        stopProgram();
        if (openbox_.state() == QProcess::NotRunning) return;
        openbox_.terminate();
        openbox_.waitForFinished(3000);
    }

    // Starts the program on the test's folder and returns its main window.
    QString startProgram() {
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert("QT_QPA_PLATFORM", "xcb");
        program_.setProcessEnvironment(env);
        program_.start(QStringLiteral(QUORVANE_EXECUTABLE), {"--folder", folder.folder()});
        return waitForWindow("Quorvane");
    }
    // Closes the main window as a user would (Alt+F4, until the window manager takes it); the
    // program ends.
    bool closeProgram(const QString& mainWindow) {
        for (int attempt = 0; attempt < 5; ++attempt) {
            xdotool({"windowactivate", "--sync", mainWindow});
            xdotool({"key", "alt+F4"});
            if (program_.waitForFinished(2000)) return true;
        }
        return false;
    }
    void stopProgram() {
        if (program_.state() == QProcess::NotRunning) return;
        program_.kill();
        program_.waitForFinished();
    }

    ProgramFolder folder;
    QProcess openbox_;
    QProcess program_;
};

}  // namespace

TEST_F(EndToEnd, ANewSetAndItsCardAreStudiedAndKeptAcrossARestart) {
    QString main = startProgram();
    ASSERT_FALSE(main.isEmpty());
    click(main, 268, 435);  // "Edit Cards"
    const QString editor = waitForWindow("Edit Cards");
    ASSERT_FALSE(editor.isEmpty());
    EXPECT_TRUE(windows("Quorvane").isEmpty());  // the main window is hidden

    click(editor, 136, 149);  // "Create New Set"
    const QString first = answer("Quorvane", " Spanish ");
    answer("Quorvane", "English", {first});
    const QDeadlineTimer created(10000);
    while (!folder.exists("SpanishEnglish.dat") && !created.hasExpired()) QThread::msleep(100);

    click(editor, 136, 405);  // "Add Card"
    answer("Enter Spanish", "Red");
    answer("Enter English", "Rojo");
    const QByteArray cards = crlf({"Spanish|English", "Red|Rojo"});
    const QDeadlineTimer added(10000);
    while (folder.read("SpanishEnglish.dat") != cards && !added.hasExpired()) QThread::msleep(100);
    EXPECT_EQ(folder.read("SpanishEnglish.dat"), cards);

    click(editor, 268, 20);  // "< Back"
    main = waitForWindow("Quorvane");
    ASSERT_FALSE(main.isEmpty());
    EXPECT_TRUE(windows("Edit Cards").isEmpty());

    click(main, 268, 21);  // "Start Showing Flashcards"
    const QString cardWindow = waitForWindow("Quorvane", {main});
    ASSERT_FALSE(cardWindow.isEmpty());
    QThread::msleep(500);
    xdotool({"key", "Escape"});
    const QDeadlineTimer closed(10000);
    while (windows("Quorvane").contains(cardWindow) && !closed.hasExpired()) QThread::msleep(100);
    EXPECT_FALSE(windows("Quorvane").contains(cardWindow));
    ASSERT_TRUE(closeProgram(main));

    EXPECT_EQ(folder.read("sets.dat"), crlf({"Sets", "States|Capitals|StatesCapitals.dat",
                                             "Spanish|English|SpanishEnglish.dat"}));
    EXPECT_EQ(ReadSetting("SelectedSet", "(none)"), "2");

    // Whatever the working copy holds, the next start puts the set in hand back into it.
    folder.write("in-use.dat", folder.read("default.dat"));
    main = startProgram();
    ASSERT_FALSE(main.isEmpty());
    EXPECT_EQ(folder.read("in-use.dat"), cards);
    EXPECT_EQ(folder.read("SpanishEnglish.dat"), cards);
    EXPECT_TRUE(closeProgram(main));
}

#include "Harness.h"

#include "Trap.h"

#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>
#include <QLocale>
#include <QRegularExpression>
#include <csignal>
#ifdef QUORVANE_TEST_WIDGETS
#include <QApplication>
using TestApplication = QApplication;
#else
#include <QCoreApplication>
using TestApplication = QCoreApplication;
#endif

// Each test program keeps its settings in a folder of its own, and draws offscreen unless told.
int main(int argc, char** argv) {
    QTemporaryDir config;
    qputenv("XDG_CONFIG_HOME", config.path().toUtf8());
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    QLocale::setDefault(QLocale::German);  // the user's decimal separator is a comma
    TestApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}

QString shortReport(const QString& report) {
    static const QRegularExpression form(
        QStringLiteral("^(.*)\r\nin Brevanel2021/08/31\\.(\\w+\\.\\w+) at line (\\d+)\r\rPlease "
                       "email screenshot of this message to " QUORVANE_SUPPORT_EMAIL "$"),
        QRegularExpression::DotMatchesEverythingOption);
    const QRegularExpressionMatch m = form.match(report);
    return m.hasMatch() ? m.captured(2) + '@' + m.captured(3) + ": " + m.captured(1)
                        : "malformed: " + report;
}

void ScriptedDialogs::error(const QString& title, const QString& text) {
    shown << "error(" + title + "): " + shortReport(text);
}

void ScriptedDialogs::notice(const QString& text, const QString& title) {
    shown << "notice(" + title + "): " + text;
}

QString ScriptedDialogs::prompt(const QString& text, const QString& title, const QString& def) {
    shown << "prompt(" + title + "): " + text + " [" + def + "]";
    EXPECT_FALSE(answers_.isEmpty()) << "unscripted prompt " << qPrintable(text);
    return answers_.isEmpty() ? QString() : answers_.dequeue();
}

QString ScriptedDialogs::chooseFile(const QString& title, const QString& suggested, bool save) {
    return prompt(suggested, title, save ? "save" : "open");
}

bool ScriptedDialogs::question(const QString& text, const QString& title) {
    shown << "question(" + title + "): " + text;
    EXPECT_FALSE(replies_.isEmpty()) << "unscripted question " << qPrintable(text);
    return !replies_.isEmpty() && replies_.dequeue();
}

QStringList ScriptedDialogs::reports() const {
    QStringList out;
    for (const QString& s : shown)
        if (s.startsWith("error(Application Error): ")) out << s.mid(26);
    return out;
}

namespace {
int childFd = -1;
}

void say(const QByteArray& line) {
    const QByteArray bytes = line + '\n';
    if (::write(childFd, bytes.constData(), size_t(bytes.size())) < 0) ::_exit(3);
}

QStringList inChild(const std::function<void()>& body, int killAfterUs) {
    int fds[2];
    if (::pipe(fds) != 0) return {"no pipe"};
    const pid_t pid = ::fork();
    if (pid == 0) {
        ::close(fds[0]);
        childFd = fds[1];
        ScriptedDialogs dialogs;
        try {
            body();
        } catch (...) {
            say("throw: " + look::describe(std::current_exception()).toUtf8());
        }
        for (const QString& r : dialogs.reports()) say("report: " + r.toUtf8());
        ::_exit(0);
    }
    ::close(fds[1]);
    QByteArray said;
    char buffer[4096];
    for (ssize_t n; (n = ::read(fds[0], buffer, sizeof buffer)) > 0;) {
        said.append(buffer, n);
        if (killAfterUs >= 0 && said.contains("ready\n")) {
            ::usleep(useconds_t(killAfterUs));
            ::kill(pid, SIGKILL);
            killAfterUs = -1;
        }
    }
    ::close(fds[0]);
    ::waitpid(pid, nullptr, 0);
    return QString::fromUtf8(said).split('\n', Qt::SkipEmptyParts);
}

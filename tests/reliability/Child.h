#pragma once

#include <sys/types.h>
#include <QByteArray>
#include <QStringList>
#include <functional>

// Runs store operations in a forked child process, so that a test can limit, starve, demote or
// kill it without harming the test program. The child's error reports and anything it says
// come back to the parent through a pipe.
class Child {
public:
    explicit Child(const std::function<void()>& body);
    ~Child();
    Child(const Child&) = delete;
    Child& operator=(const Child&) = delete;

    // Reads what the child says until `text` has come or `timeoutMs` has passed.
    bool waitFor(const QByteArray& text, int timeoutMs);
    // Kills the child with SIGKILL at once.
    void kill();
    // Waits for the child to end, killing it after `timeoutMs`; true when it ended by itself.
    bool finish(int timeoutMs);

    // What the child said, line by line; error reports come as "report: <text>".
    QStringList lines() const;
    QStringList reports() const;
    int exitCode() const { return exitCode_; }

private:
    void readAvailable(int timeoutMs);
    pid_t pid_ = -1;
    int fd_ = -1;
    QByteArray output_;
    int exitCode_ = -1;
};

// From inside the child: one line to the parent.
void say(const QByteArray& line);
// True when this process has a single thread, so that a forked child is safe to use.
bool singleThreaded();

// Skips the test when this process runs threads, which a forked child could not use safely.
#define REQUIRE_FORK()                                                                   \
    do {                                                                                 \
        if (!singleThreaded()) GTEST_SKIP() << "the test program runs threads; no fork"; \
    } while (false)

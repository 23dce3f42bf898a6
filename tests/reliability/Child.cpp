#include "Child.h"

#include "Dialogs.h"
#include "Failure.h"
#include "Trap.h"

#include <poll.h>
#include <sys/wait.h>
#include <unistd.h>
#include <QDir>
#include <cerrno>
#include <csignal>

namespace {

int childFd = -1;

QByteArray escaped(const QString& text) {
    return text.toUtf8().replace('\\', "\\\\").replace('\r', "\\r").replace('\n', "\\n");
}

// The child's dialogs: every box goes to the parent as one line.
class PipeDialogs final : public look::Dialogs {
public:
    void error(const QString&, const QString& text) override { say("report: " + escaped(text)); }
    QString prompt(const QString&, const QString&, const QString&) override { return {}; }
    bool question(const QString&, const QString&) override { return false; }
    void notice(const QString& text, const QString&) override { say("notice: " + escaped(text)); }
};

}  // namespace

void say(const QByteArray& line) {
    const QByteArray bytes = line + '\n';
    for (qsizetype done = 0; done < bytes.size();) {
        const ssize_t n = ::write(childFd, bytes.constData() + done, size_t(bytes.size() - done));
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) return;
        done += n;
    }
}

bool singleThreaded() {
    return QDir(QStringLiteral("/proc/self/task"))
               .entryList(QDir::Dirs | QDir::NoDotAndDotDot)
               .size() == 1;
}

Child::Child(const std::function<void()>& body) {
    int fds[2];
    if (::pipe(fds) != 0) return;
    pid_ = ::fork();
    if (pid_ == 0) {
        ::close(fds[0]);
        childFd = fds[1];
        PipeDialogs dialogs;
        look::setDialogs(&dialogs);
        try {
            body();
        } catch (...) {
            say("throw: " + escaped(look::describe(std::current_exception())));
        }
        ::_exit(0);
    }
    ::close(fds[1]);
    fd_ = fds[0];
}

Child::~Child() {
    if (pid_ > 0) {
        kill();
        finish(10000);
    }
    if (fd_ >= 0) ::close(fd_);
}

void Child::readAvailable(int timeoutMs) {
    if (fd_ < 0) {
        ::usleep(useconds_t(timeoutMs) * 1000);
        return;
    }
    pollfd p{fd_, POLLIN, 0};
    if (::poll(&p, 1, timeoutMs) <= 0) return;
    char buffer[65536];
    const ssize_t n = ::read(fd_, buffer, sizeof buffer);
    if (n > 0) output_.append(buffer, n);
    if (n == 0) {
        ::close(fd_);
        fd_ = -1;
    }
}

bool Child::waitFor(const QByteArray& text, int timeoutMs) {
    for (int waited = 0; !output_.contains(text); waited += 10) {
        if (fd_ < 0 || waited >= timeoutMs) return false;
        readAvailable(10);
    }
    return true;
}

void Child::kill() {
    if (pid_ > 0) ::kill(pid_, SIGKILL);
}

bool Child::finish(int timeoutMs) {
    if (pid_ <= 0) return false;
    bool ended = true;
    int status = 0;
    for (int waited = 0;; waited += 10) {
        const pid_t r = ::waitpid(pid_, &status, WNOHANG);
        if (r == pid_) break;
        if (r < 0) return false;
        if (waited >= timeoutMs && ended) {
            ended = false;
            kill();
        }
        if (fd_ >= 0)
            readAvailable(10);
        else
            ::usleep(1000);
    }
    while (fd_ >= 0) readAvailable(100);
    pid_ = -1;
    exitCode_ = WIFEXITED(status) ? WEXITSTATUS(status) : -WTERMSIG(status);
    return ended;
}

QStringList Child::lines() const {
    QStringList out;
    for (const QByteArray& line : output_.split('\n'))
        if (!line.isEmpty()) out << QString::fromUtf8(line);
    return out;
}

QStringList Child::reports() const {
    QStringList out;
    for (const QString& line : lines())
        if (line.startsWith(QLatin1String("report: "))) {
            QString text;
            for (qsizetype i = 8; i < line.size(); ++i) {
                if (line[i] != QLatin1Char('\\') || i + 1 == line.size()) {
                    text += line[i];
                    continue;
                }
                const QChar next = line[++i];
                text += next == QLatin1Char('r')   ? QChar('\r')
                        : next == QLatin1Char('n') ? QChar('\n')
                                                   : next;
            }
            out << text;
        }
    return out;
}

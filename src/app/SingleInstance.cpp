#include "SingleInstance.h"

#include "Failure.h"
#include "Files.h"
#include "Lock.h"

#include <poll.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>
#include <QCoreApplication>
#include <QFile>
#include <QSocketNotifier>
#include <cstring>

namespace instance {
namespace {

// How long a running copy may take to answer.
constexpr int kAnswerMs = 3000;

// The socket of the folder's running copy; the runtime folder keeps it to this user and computer.
bool address(sockaddr_un* to) {
    const QByteArray path = QFile::encodeName(Main::RuntimeFile(Main::CardFolder(), "socket"));
    if (path.size() >= qsizetype(sizeof to->sun_path)) return false;
    std::memset(to, 0, sizeof *to);
    to->sun_family = AF_UNIX;
    std::memcpy(to->sun_path, path.constData(), size_t(path.size()));
    return true;
}

bool readyWithin(int fd, int ms) {
    pollfd wait{fd, POLLIN, 0};
    return ::poll(&wait, 1, ms) == 1;
}

// Asks the running copy to show its window; true when it said it did.
bool askRunningCopy(const sockaddr_un& at) {
    const int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (fd < 0) return false;
    char answer[3] = {};
    ucred peer{};
    socklen_t size = sizeof peer;
    // Only a copy of this user's is asked.
    const bool asked = ::connect(fd, reinterpret_cast<const sockaddr*>(&at), sizeof at) == 0 &&
                       ::getsockopt(fd, SOL_SOCKET, SO_PEERCRED, &peer, &size) == 0 &&
                       peer.uid == ::getuid() && ::write(fd, "front\n", 6) == 6 &&
                       readyWithin(fd, kAnswerMs) && ::read(fd, answer, 2) == 2;
    ::close(fd);
    return asked && std::strcmp(answer, "ok") == 0;
}

void answerLaterStarts(const sockaddr_un& at, std::function<void()> toFront) {
    const int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0);
    ::unlink(at.sun_path);  // left by a copy that ended without a word
    if (fd < 0 || ::bind(fd, reinterpret_cast<const sockaddr*>(&at), sizeof at) != 0 ||
        ::listen(fd, 8) != 0) {
        if (fd >= 0) ::close(fd);
        return;  // the window still works; later starts then open windows of their own
    }
    auto* notifier = new QSocketNotifier(fd, QSocketNotifier::Read, QCoreApplication::instance());
    const QByteArray path(at.sun_path);
    QObject::connect(notifier, &QSocketNotifier::activated, notifier, [fd, toFront] {
        const int start = ::accept4(fd, nullptr, nullptr, SOCK_CLOEXEC);
        if (start < 0) return;
        char request[8];
        if (readyWithin(start, kAnswerMs) && ::read(start, request, sizeof request) > 0) {
            toFront();
            (void)!::write(start, "ok", 2);
        }
        ::close(start);
    });
    QObject::connect(QCoreApplication::instance(), &QCoreApplication::aboutToQuit, notifier,
                     [fd, path] {
                         ::close(fd);
                         ::unlink(path.constData());
                     });
}

}  // namespace

bool HandedOver(std::function<void()> toFront) {
    sockaddr_un at;
    if (!address(&at)) return false;
    try {
        // Two starts at the same moment: one takes over, the other then finds it.
        const Main::Lock lock;
        if (askRunningCopy(at)) return true;
        answerLaterStarts(at, std::move(toFront));
    } catch (const look::Failure&) {
        // Without the folder's lock this copy simply opens its window.
    }
    return false;
}

}  // namespace instance

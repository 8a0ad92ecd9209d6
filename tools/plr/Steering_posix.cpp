#include "tools/plr/Steering_posix.h"

#include <fcntl.h>
#include <poll.h>
#include <sys/file.h>
#include <sys/signalfd.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <time.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <thread>

#include "tools/plr/PlrCommands.h"

namespace {

// How long a client has to say what it wants once connected: the changer waits for nobody.
constexpr int kRequestMs = 1000;
// How long a replaced plr run has to end (it may be finishing a change, up to its timeout).
constexpr int kReplaceSeconds = 30;
// How long plr next waits for the change it asked for.
constexpr int kAnswerMs = 120000;

std::string RuntimeFolder(std::string& error) {
    const char* base = std::getenv("XDG_RUNTIME_DIR");
    if (!base || base[0] != '/') {
        error = "XDG_RUNTIME_DIR is not set: plr run and the commands that steer it meet there";
        return std::string();
    }
    return std::string(base) + "/pelorand";
}

// The folder of the socket, made when missing; refused unless it is the user's own directory
// that nobody else may enter, since whoever can write there could stand in for the changer.
bool PrivateFolder(const std::string& dir, bool make, std::string& error) {
    if (make && ::mkdir(dir.c_str(), 0700) != 0 && errno != EEXIST) {
        error = "cannot create " + dir + ": " + std::strerror(errno);
        return false;
    }
    struct stat info;
    if (::lstat(dir.c_str(), &info) != 0) {
        error = dir + ": " + std::strerror(errno);
        return false;
    }
    if (!S_ISDIR(info.st_mode) || info.st_uid != ::geteuid() || (info.st_mode & 077)) {
        error = dir + " is not a folder of this user's that only the user may enter (mode 0700)";
        return false;
    }
    return true;
}

bool SocketAddress(const std::string& path, sockaddr_un& address, std::string& error) {
    std::memset(&address, 0, sizeof address);
    address.sun_family = AF_UNIX;
    if (path.size() >= sizeof address.sun_path) {
        error = "the socket's path is too long: " + path;
        return false;
    }
    std::memcpy(address.sun_path, path.c_str(), path.size() + 1);
    return true;
}

bool SameUser(int fd) {
    ucred peer;
    socklen_t size = sizeof peer;
    return ::getsockopt(fd, SOL_SOCKET, SO_PEERCRED, &peer, &size) == 0 && peer.uid == ::geteuid();
}

// Reads until EOF, a line's end when oneLine, or the time is up.
std::string ReadFrom(int fd, int timeoutMs, bool oneLine) {
    std::string text;
    const auto until = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
    for (;;) {
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
                              until - std::chrono::steady_clock::now())
                              .count();
        pollfd p = {fd, POLLIN, 0};
        if (left <= 0 || ::poll(&p, 1, static_cast<int>(left)) <= 0) break;
        char buffer[512];
        const ssize_t got = ::read(fd, buffer, sizeof buffer);
        if (got <= 0) break;
        text.append(buffer, static_cast<std::size_t>(got));
        if (oneLine && text.find('\n') != std::string::npos) break;
        if (text.size() > 65536) break;
    }
    return text;
}

void WriteAll(int fd, const std::string& text) {
    std::size_t done = 0;
    while (done < text.size()) {
        const ssize_t n = ::send(fd, text.data() + done, text.size() - done, MSG_NOSIGNAL);
        if (n <= 0) return;
        done += static_cast<std::size_t>(n);
    }
}

// A connection to the user's plr run; -1 with errno when there is none.
int Connect(const std::string& path) {
    sockaddr_un address;
    std::string error;
    if (!SocketAddress(path, address, error)) {
        errno = ENAMETOOLONG;
        return -1;
    }
    const int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (fd < 0) return -1;
    if (::connect(fd, reinterpret_cast<const sockaddr*>(&address), sizeof address) != 0) {
        const int why = errno;
        ::close(fd);
        errno = why;
        return -1;
    }
    return fd;
}

}  // namespace

CSteeringServer::~CSteeringServer() {
    DropClient();
    if (m_listen >= 0) {
        ::close(m_listen);
        ::unlink(m_socketPath.c_str());
    }
    if (m_signals >= 0) ::close(m_signals);
    // The lock goes with its descriptor; the file stays, for the next plr run to lock.
    if (m_lock >= 0) ::close(m_lock);
}

bool CSteeringServer::Start(bool replace, const sigset_t& ending, std::string& error) {
    const std::string dir = RuntimeFolder(error);
    if (dir.empty() || !PrivateFolder(dir, true, error)) return false;
    m_socketPath = dir + "/changer.sock";
    const std::string lockPath = dir + "/changer.lock";
    sockaddr_un address;
    if (!SocketAddress(m_socketPath, address, error)) return false;

    // Close-on-exec: the desktop tools a change starts (a swaybg kept running) must not hold
    // the place after this changer is gone.
    m_lock = ::open(lockPath.c_str(), O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW, 0600);
    if (m_lock < 0) {
        error = "cannot open " + lockPath + ": " + std::strerror(errno);
        return false;
    }
    if (::flock(m_lock, LOCK_EX | LOCK_NB) != 0) {
        char pid[32] = {};
        const ssize_t got = ::pread(m_lock, pid, sizeof pid - 1, 0);
        const std::string who = got > 0 ? std::string(pid, static_cast<std::size_t>(got)) : "?";
        if (!replace) {
            error = "plr run is running already for this user (process " + who +
                    "); 'plr run --replace' ends it and takes its place";
            return false;
        }
        const int fd = Connect(m_socketPath);
        if (fd >= 0) {
            WriteAll(fd, "quit\n");
            ReadFrom(fd, kAnswerMs, false);
            ::close(fd);
        }
        bool taken = false;
        for (int i = 0; i < kReplaceSeconds * 20 && !taken; ++i) {
            taken = ::flock(m_lock, LOCK_EX | LOCK_NB) == 0;
            if (!taken) std::this_thread::sleep_for(std::chrono::milliseconds(50));
        }
        if (!taken) {
            error = "the running plr run (process " + who + ") did not end in " +
                    std::to_string(kReplaceSeconds) + " seconds";
            return false;
        }
    }
    const std::string pid = std::to_string(::getpid());
    if (::ftruncate(m_lock, 0) != 0 || ::pwrite(m_lock, pid.data(), pid.size(), 0) < 0) {
        // Only the message of a second plr run loses the number; the lock holds regardless.
    }

    // Whatever socket is there was left by a changer that no longer holds the lock.
    ::unlink(m_socketPath.c_str());
    m_listen = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0);
    if (m_listen < 0 ||
        ::bind(m_listen, reinterpret_cast<const sockaddr*>(&address), sizeof address) != 0 ||
        ::listen(m_listen, 8) != 0) {
        error = "cannot listen on " + m_socketPath + ": " + std::strerror(errno);
        if (m_listen >= 0) ::close(m_listen);
        m_listen = -1;
        return false;
    }
    m_signals = ::signalfd(-1, &ending, SFD_NONBLOCK | SFD_CLOEXEC);
    if (m_signals < 0) {
        error = std::string("cannot watch the ending signals: ") + std::strerror(errno);
        return false;
    }
    return true;
}

void CSteeringServer::DropClient() {
    if (m_client >= 0) ::close(m_client);
    m_client = -1;
}

bool CSteeringServer::HasRuntimeFolder() {
    std::string error;
    return !RuntimeFolder(error).empty();
}

SteerRequest CSteeringServer::Wait(int timeoutMs) {
    DropClient();  // a request left unanswered gets no answer
    const auto until = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
    for (;;) {
        int wait = -1;
        if (timeoutMs >= 0) {
            const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
                                  until - std::chrono::steady_clock::now())
                                  .count();
            // Rounded up: a tick is never taken before its time.
            wait = left <= 0 ? 0 : static_cast<int>(left) + 1;
        }
        pollfd p[2] = {{m_signals, POLLIN, 0}, {m_listen, POLLIN, 0}};
        const int ready = ::poll(p, 2, wait);
        if (ready < 0 && errno != EINTR) return SteerRequest::None;
        signalfd_siginfo taken;
        if (::read(m_signals, &taken, sizeof taken) == static_cast<ssize_t>(sizeof taken)) {
            return SteerRequest::Ended;
        }
        if (ready > 0 && (p[1].revents & POLLIN)) {
            const int fd = ::accept4(m_listen, nullptr, nullptr, SOCK_CLOEXEC);
            if (fd >= 0) {
                if (!SameUser(fd)) {
                    ::close(fd);
                    continue;
                }
                m_client = fd;
                std::string line = ReadFrom(fd, kRequestMs, true);
                line = line.substr(0, line.find('\n'));
                if (line == "next") return SteerRequest::Next;
                if (line == "pause") return SteerRequest::Pause;
                if (line == "resume") return SteerRequest::Resume;
                if (line == "status") return SteerRequest::Status;
                if (line == "quit") return SteerRequest::Quit;
                Answer("2\nunknown request\n");
                continue;
            }
        }
        if (ready == 0) return SteerRequest::None;
    }
}

void CSteeringServer::Answer(const std::string& text) {
    if (m_client < 0) return;
    WriteAll(m_client, text);
    DropClient();
}

int SendSteeringRequest(const std::string& request) {
    std::string error;
    const std::string dir = RuntimeFolder(error);
    if (dir.empty()) {
        Fail(error);
        return 1;
    }
    struct stat info;
    if (::lstat(dir.c_str(), &info) != 0 && errno == ENOENT) {
        Fail("no plr run is running for this user");
        return 1;
    }
    if (!PrivateFolder(dir, false, error)) return Fail(error);
    const int fd = Connect(dir + "/changer.sock");
    if (fd < 0) {
        if (errno == ENOENT || errno == ECONNREFUSED) {
            Fail("no plr run is running for this user");
            return 1;
        }
        return Fail("cannot reach plr run: " + std::string(std::strerror(errno)));
    }
    if (!SameUser(fd)) {
        ::close(fd);
        return Fail("the socket in " + dir + " is not this user's plr run");
    }
    WriteAll(fd, request + "\n");
    const std::string answer = ReadFrom(fd, kAnswerMs, false);
    ::close(fd);
    // The answer: its exit code on the first line, then what to print.
    const std::size_t end = answer.find('\n');
    if (end == std::string::npos || end == 0) {
        Fail("plr run gave no answer");
        return 1;
    }
    const int code = answer[0] - '0';
    std::fwrite(answer.data() + end + 1, 1, answer.size() - end - 1, code == 0 ? stdout : stderr);
    return code >= 0 && code <= 2 ? code : 2;
}

namespace {

int Steer(const char* request, const std::vector<std::string>& args) {
    if (!args.empty()) return Fail("unknown argument '" + args[0] + "' (see --help)");
    return SendSteeringRequest(request);
}

}  // namespace

int RunNext(const std::vector<std::string>& args) {
    return Steer("next", args);
}
int RunPause(const std::vector<std::string>& args) {
    return Steer("pause", args);
}
int RunResume(const std::vector<std::string>& args) {
    return Steer("resume", args);
}
int RunStatus(const std::vector<std::string>& args) {
    return Steer("status", args);
}

#include "tools/plr/Command_posix.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstdlib>
#include <cstring>

extern char** environ;

std::string FindProgram(const std::string& program) {
    auto executable = [](const std::string& path) {
        struct stat info;
        return ::stat(path.c_str(), &info) == 0 && S_ISREG(info.st_mode) &&
               ::access(path.c_str(), X_OK) == 0;
    };
    if (program.empty()) return std::string();
    if (program.find('/') != std::string::npos) return executable(program) ? program : "";
    const char* path = std::getenv("PATH");
    std::string dirs = path ? path : "/usr/local/bin:/usr/bin:/bin";
    std::size_t start = 0;
    while (start <= dirs.size()) {
        std::size_t colon = dirs.find(':', start);
        if (colon == std::string::npos) colon = dirs.size();
        std::string dir = dirs.substr(start, colon - start);
        if (dir.empty()) dir = ".";
        const std::string candidate = dir + "/" + program;
        if (executable(candidate)) return candidate;
        start = colon + 1;
    }
    return std::string();
}

std::string CommandResult::Describe(const std::string& program) const {
    if (!started) return program + ": " + error;
    std::string why;
    if (stopped) {
        why = program + " was stopped as plr ends";
    } else if (timedOut) {
        why = program + " did not finish in time";
    } else if (exitCode < 0) {
        why = program + " was ended by a signal";
    } else {
        why = program + " failed (exit " + std::to_string(exitCode) + ")";
    }
    // The program's own first line of complaint says the most.
    std::string first = error.substr(0, error.find('\n'));
    if (!first.empty()) why += ": " + first;
    return why;
}

namespace {

struct Pipe {
    int fd[2] = {-1, -1};
    ~Pipe() {
        for (int f : fd) {
            if (f >= 0) ::close(f);
        }
    }
    bool Open() { return ::pipe2(fd, O_CLOEXEC) == 0; }
    void CloseEnd(int which) {
        if (fd[which] >= 0) ::close(fd[which]);
        fd[which] = -1;
    }
};

}  // namespace

bool SignalPending(const sigset_t& set) {
    sigset_t pending;
    if (sigpending(&pending) != 0) return false;
    for (int s = 1; s < NSIG; ++s) {
        if (sigismember(&set, s) == 1 && sigismember(&pending, s) == 1) return true;
    }
    return false;
}

namespace {

// The changer waits for its ending signals with them blocked; a child must not inherit that,
// or it could not be stopped.
void ResetSignals(posix_spawnattr_t& attributes, short flags) {
    sigset_t none, defaults;
    sigemptyset(&none);
    sigemptyset(&defaults);
    for (int s : {SIGTERM, SIGINT, SIGHUP, SIGPIPE, SIGCHLD}) sigaddset(&defaults, s);
    posix_spawnattr_setsigmask(&attributes, &none);
    posix_spawnattr_setsigdefault(&attributes, &defaults);
    posix_spawnattr_setflags(&attributes, POSIX_SPAWN_SETSIGMASK | POSIX_SPAWN_SETSIGDEF | flags);
}

// Starts program with argv as its arguments, and lets go of actions and attributes. The
// posix_spawn error, 0 when it started.
int Spawn(const std::string& program, const std::vector<std::string>& argv,
          posix_spawn_file_actions_t& actions, posix_spawnattr_t& attributes, pid_t& pid) {
    std::vector<char*> args;
    for (const std::string& a : argv) args.push_back(const_cast<char*>(a.c_str()));
    args.push_back(nullptr);
    const int rc = posix_spawn(&pid, program.c_str(), &actions, &attributes, args.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    posix_spawnattr_destroy(&attributes);
    return rc;
}

}  // namespace

pid_t StartDetached(const std::vector<std::string>& argv, int errorFd, std::string& error) {
    const std::string program = argv.empty() ? std::string() : FindProgram(argv[0]);
    if (program.empty()) {
        error = (argv.empty() ? std::string("no command") : argv[0]) + ": not found";
        return -1;
    }
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
    posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
    if (errorFd >= 0) {
        posix_spawn_file_actions_adddup2(&actions, errorFd, 2);
    } else {
        posix_spawn_file_actions_addopen(&actions, 2, "/dev/null", O_WRONLY, 0);
    }
    posix_spawnattr_t attributes;
    posix_spawnattr_init(&attributes);
    ResetSignals(attributes, POSIX_SPAWN_SETSID);
    pid_t pid = -1;
    const int rc = Spawn(program, argv, actions, attributes, pid);
    if (rc != 0) {
        error = argv[0] + ": " + std::strerror(rc);
        return -1;
    }
    return pid;
}

CommandResult RunCommand(const std::vector<std::string>& argv, int timeoutMs,
                         const sigset_t* stopOn) {
    CommandResult result;
    if (argv.empty()) {
        result.error = "no command";
        return result;
    }
    const std::string program = FindProgram(argv[0]);
    if (program.empty()) {
        result.error = "not found";
        return result;
    }
    Pipe out, err;
    if (!out.Open() || !err.Open()) {
        result.error = std::strerror(errno);
        return result;
    }
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
    posix_spawn_file_actions_adddup2(&actions, out.fd[1], 1);
    posix_spawn_file_actions_adddup2(&actions, err.fd[1], 2);
    // A group of its own: a time limit or an ending signal then ends whatever it started too.
    posix_spawnattr_t attributes;
    posix_spawnattr_init(&attributes);
    ResetSignals(attributes, POSIX_SPAWN_SETPGROUP);
    posix_spawnattr_setpgroup(&attributes, 0);

    pid_t pid = -1;
    const int rc = Spawn(program, argv, actions, attributes, pid);
    out.CloseEnd(1);
    err.CloseEnd(1);
    if (rc != 0) {
        result.error = std::strerror(rc);
        return result;
    }
    result.started = true;

    using Clock = std::chrono::steady_clock;
    const Clock::time_point deadline = Clock::now() + std::chrono::milliseconds(timeoutMs);
    // Both outputs are read as they come, so a talkative program never blocks on a full pipe.
    // Once the program has ended, only what is already there is read: something it left running
    // in the background may hold the pipes open for as long as it likes.
    pollfd fds[2] = {{out.fd[0], POLLIN, 0}, {err.fd[0], POLLIN, 0}};
    std::string* sinks[2] = {&result.out, &result.error};
    int open = 2, status = 0;
    bool exited = false;
    while (open > 0 || !exited) {
        if (!exited && ::waitpid(pid, &status, WNOHANG) == pid) exited = true;
        const auto left =
            std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now());
        const bool stop = !exited && stopOn && SignalPending(*stopOn);
        if (!exited && (left.count() <= 0 || stop)) {
            (stop ? result.stopped : result.timedOut) = true;
            ::kill(-pid, SIGKILL);
            while (::waitpid(pid, &status, 0) < 0 && errno == EINTR) {
            }
            break;
        }
        if (open == 0) {
            ::usleep(2000);  // outputs closed, the program not yet gone
            continue;
        }
        const int wait = exited ? 0 : static_cast<int>(std::min<long long>(left.count(), 20));
        const int ready = ::poll(fds, 2, wait);
        if (ready < 0 && errno == EINTR) continue;
        if (ready < 0 || (ready == 0 && exited)) break;
        for (int i = 0; i < 2; ++i) {
            if (fds[i].fd < 0 || !(fds[i].revents & (POLLIN | POLLHUP | POLLERR))) continue;
            char buffer[4096];
            const ssize_t n = ::read(fds[i].fd, buffer, sizeof buffer);
            if (n > 0) {
                if (sinks[i]->size() < (1u << 20)) {
                    sinks[i]->append(buffer, static_cast<std::size_t>(n));
                }
            } else if (n == 0 || errno != EINTR) {
                fds[i].fd = -1;
                --open;
            }
        }
        if (exited && Clock::now() >= deadline) break;  // a background writer that never stops
        if (exited && stopOn && SignalPending(*stopOn)) break;
    }
    if (!result.timedOut && !result.stopped)
        result.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    return result;
}

bool SplitCommandWords(const std::string& text, std::vector<std::string>& words,
                       std::string& error) {
    words.clear();
    std::string word;
    bool inWord = false;
    for (std::size_t i = 0; i < text.size(); ++i) {
        const char c = text[i];
        if (c == ' ' || c == '\t' || c == '\n') {
            if (inWord) words.push_back(word);
            word.clear();
            inWord = false;
        } else if (c == '\'') {
            const std::size_t close = text.find('\'', i + 1);
            if (close == std::string::npos) {
                error = "unclosed ' in the command";
                return false;
            }
            word += text.substr(i + 1, close - i - 1);
            i = close;
            inWord = true;
        } else if (c == '"') {
            std::size_t j = i + 1;
            for (; j < text.size() && text[j] != '"'; ++j) {
                if (text[j] == '\\' && j + 1 < text.size()) ++j;
                word += text[j];
            }
            if (j >= text.size()) {
                error = "unclosed \" in the command";
                return false;
            }
            i = j;
            inWord = true;
        } else if (c == '\\' && i + 1 < text.size()) {
            word += text[++i];
            inWord = true;
        } else {
            word += c;
            inWord = true;
        }
    }
    if (inWord) words.push_back(word);
    if (words.empty()) {
        error = "the command is empty";
        return false;
    }
    return true;
}

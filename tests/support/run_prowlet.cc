// Runs a program with captured output and a hard time limit.
#include "tests/support/run_prowlet.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <stdlib.h>
#include <sys/ioctl.h>
#include <termios.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <stdexcept>

namespace {

struct Pipe {
    int fd[2] = {-1, -1};
    Pipe() {
        if (pipe2(fd, O_CLOEXEC) != 0) throw std::runtime_error("pipe2 failed");
    }
    ~Pipe() {
        for (int f : fd)
            if (f >= 0) close(f);
    }
    void closeEnd(int i) {
        if (fd[i] >= 0) close(fd[i]);
        fd[i] = -1;
    }
};

// Reads outFd into out and errFd into err until both end (a pseudo-terminal's
// master ends with EIO once the child and its children have closed it),
// then reaps pid; kills it after limit.
RunResult collect(pid_t pid, int outFd, int errFd, std::chrono::seconds limit) {
    RunResult r;
    auto deadline = std::chrono::steady_clock::now() + limit;
    pollfd fds[2] = {{outFd, POLLIN, 0}, {errFd, POLLIN, 0}};
    std::string *sinks[2] = {&r.out, &r.err};
    int open = 0;
    for (const pollfd &f : fds) open += f.fd >= 0;
    while (open > 0) {
        auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
            deadline - std::chrono::steady_clock::now());
        if (left.count() <= 0) {
            r.timedOut = true;
            kill(pid, SIGKILL);
            break;
        }
        int n = poll(fds, 2, static_cast<int>(left.count()));
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) break;
        for (int i = 0; i < 2; ++i) {
            if (fds[i].fd < 0 || !(fds[i].revents & (POLLIN | POLLHUP | POLLERR))) continue;
            char buf[65536];
            ssize_t got = read(fds[i].fd, buf, sizeof buf);
            if (got > 0) {
                sinks[i]->append(buf, static_cast<size_t>(got));
            } else {
                fds[i].fd = -1;
                --open;
            }
        }
    }
    int wstatus = 0;
    while (waitpid(pid, &wstatus, 0) < 0 && errno == EINTR) {
    }
    if (WIFEXITED(wstatus))
        r.status = WEXITSTATUS(wstatus);
    else if (WIFSIGNALED(wstatus))
        r.status = 128 + WTERMSIG(wstatus);
    return r;
}

// The master side of a pseudo-terminal of the given width; closed with it.
struct PseudoTerminal {
    int master = -1;
    std::string slave;
    explicit PseudoTerminal(unsigned short columns) {
        master = posix_openpt(O_RDWR | O_NOCTTY | O_CLOEXEC);
        char name[128];
        if (master < 0 || grantpt(master) != 0 || unlockpt(master) != 0 || ptsname_r(master, name, sizeof name) != 0)
            throw std::runtime_error("no pseudo-terminal");
        slave = name;
        winsize size{};
        size.ws_row = 24;
        size.ws_col = columns;
        ioctl(master, TIOCSWINSZ, &size);
    }
    ~PseudoTerminal() {
        if (master >= 0) close(master);
    }
};

}  // namespace

bool pseudo_terminals_available() {
    const int master = posix_openpt(O_RDWR | O_NOCTTY | O_CLOEXEC);
    if (master < 0) return false;
    close(master);
    return true;
}

RunResult run_prowlet_on_terminal(const std::vector<std::string> &args, bool stdoutOnTerminal,
                                  std::chrono::seconds limit, unsigned short columns) {
    PseudoTerminal terminal(columns);
    Pipe out;
    std::vector<std::string> argvStore = {"prowlet"};
    argvStore.insert(argvStore.end(), args.begin(), args.end());
    std::vector<char *> argv;
    for (auto &a : argvStore) argv.push_back(a.data());
    argv.push_back(nullptr);

    // The slave is opened here, before the child runs, and raw, so the bytes
    // written arrive as written (no "\r" before each "\n"); the master ends
    // once the child, its only other holder, is gone.
    int slave = open(terminal.slave.c_str(), O_RDWR | O_NOCTTY | O_CLOEXEC);
    if (slave < 0) throw std::runtime_error("cannot open the pseudo-terminal");
    termios mode{};
    tcgetattr(slave, &mode);
    cfmakeraw(&mode);
    tcsetattr(slave, TCSANOW, &mode);
    pid_t pid = fork();
    if (pid < 0) throw std::runtime_error("fork failed");
    if (pid == 0) {
        setsid();
        ioctl(slave, TIOCSCTTY, 0);
        dup2(slave, 2);
        dup2(stdoutOnTerminal ? slave : out.fd[1], 1);
        int devnull = open("/dev/null", O_RDONLY);
        if (devnull >= 0) dup2(devnull, 0);
        execv(PROWLET_BINARY, argv.data());
        _exit(127);
    }
    close(slave);
    out.closeEnd(1);
    if (stdoutOnTerminal) out.closeEnd(0);
    return collect(pid, out.fd[0], terminal.master, limit);
}

RunResult run_program(const std::string &path, const std::vector<std::string> &args,
                      std::chrono::seconds limit, const std::string &cwd,
                      const std::string &argv0) {
    Pipe out, err;
    std::vector<std::string> argvStore;
    argvStore.push_back(argv0.empty() ? path : argv0);
    argvStore.insert(argvStore.end(), args.begin(), args.end());
    std::vector<char *> argv;
    for (auto &a : argvStore) argv.push_back(a.data());
    argv.push_back(nullptr);

    pid_t pid = fork();
    if (pid < 0) throw std::runtime_error("fork failed");
    if (pid == 0) {
        dup2(out.fd[1], 1);
        dup2(err.fd[1], 2);
        int devnull = open("/dev/null", O_RDONLY);
        if (devnull >= 0) dup2(devnull, 0);
        if (!cwd.empty() && chdir(cwd.c_str()) != 0) _exit(126);
        execv(path.c_str(), argv.data());
        _exit(127);
    }
    out.closeEnd(1);
    err.closeEnd(1);
    return collect(pid, out.fd[0], err.fd[0], limit);
}

RunResult run_prowlet(const std::vector<std::string> &args, std::chrono::seconds limit,
                      const std::string &cwd) {
    return run_program(PROWLET_BINARY, args, limit, cwd, "prowlet");
}

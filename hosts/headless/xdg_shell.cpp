#include "hosts/headless/xdg_shell.h"

#include <cerrno>
#include <csignal>
#include <cstdlib>
#include <fcntl.h>
#include <sys/stat.h>
#include <sys/types.h>
#include <sys/wait.h>
#include <unistd.h>

extern char** environ;

namespace tessivra::headless {

namespace {

bool isOpen(std::string_view operation) {
    constexpr std::string_view open = "open";
    if (operation.size() != open.size()) return false;
    for (std::size_t i = 0; i < open.size(); ++i) {
        char c = operation[i];
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
        if (c != open[i]) return false;
    }
    return true;
}

bool isExecutableFile(const std::string& path) {
    struct stat st {};
    return ::stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode) &&
           ::access(path.c_str(), X_OK) == 0;
}

// The opener's full path, found the way a shell finds a command, and made absolute, since the
// opener starts in another directory. Empty when there is none. Done before starting anything,
// because between the two forks only the simplest system calls are safe.
std::string locate(const std::string& opener) {
    if (opener.empty()) return {};
    if (opener.find('/') != std::string::npos) {
        std::string path = opener;
        if (path.front() != '/') {
            char cwd[4096];
            if (::getcwd(cwd, sizeof cwd) == nullptr) return {};
            path = std::string(cwd) + "/" + path;
        }
        return isExecutableFile(path) ? path : std::string();
    }
    const char* env = std::getenv("PATH");
    std::string_view dirs = env ? env : "/usr/local/bin:/usr/bin:/bin";
    while (true) {
        auto end = dirs.find(':');
        std::string dir(dirs.substr(0, end));
        if (dir.empty()) {
            char cwd[4096];
            if (::getcwd(cwd, sizeof cwd) != nullptr) dir = cwd;
        }
        std::string candidate = dir + "/" + opener;
        if (isExecutableFile(candidate)) return candidate;
        if (end == std::string_view::npos) return {};
        dirs.remove_prefix(end + 1);
    }
}

// What the opener's process writes back when it cannot become the opener.
struct Failure {
    int stage; // 1 changing directory, 2 starting the program
    int error;
};

void closeBoth(int fds[2]) {
    ::close(fds[0]);
    ::close(fds[1]);
}

} // namespace

XdgShell::XdgShell(std::string opener) : opener_(std::move(opener)) {}

ErrorOr<std::int32_t> XdgShell::ShellExecuteA(std::int32_t /*hwnd*/, std::string_view operation,
                                              std::string_view file,
                                              std::string_view /*parameters*/,
                                              std::string_view directory,
                                              std::int32_t /*showCommand*/) {
    using namespace shellresult;
    if (!isOpen(operation)) return NoAssociation;
    // A text with a NUL would reach the opener cut short.
    if (file.empty() || file.find('\0') != std::string_view::npos) return FileNotFound;
    if (directory.find('\0') != std::string_view::npos) return PathNotFound;
    const std::string program = locate(opener_);
    if (program.empty()) return FileNotFound;

    // Everything the new process needs is made here: after fork it only makes system calls.
    std::string name = opener_, address(file), workingDirectory(directory);
    char* argv[] = {name.data(), address.data(), nullptr};

    // Closed by a successful start; otherwise it carries the reason back.
    int report[2];
    if (::pipe2(report, O_CLOEXEC) != 0) return OutOfMemory;

    const pid_t intermediate = ::fork();
    if (intermediate < 0) {
        closeBoth(report);
        return OutOfMemory;
    }
    if (intermediate == 0) {
        // The intermediate process starts the opener and leaves at once, so the opener is
        // adopted by the system's reaper and the caller only ever waits for this process.
        const pid_t child = ::fork();
        if (child == 0) {
            ::close(report[0]);
            sigset_t none;
            ::sigemptyset(&none);
            ::sigprocmask(SIG_SETMASK, &none, nullptr);
            Failure failure{1, 0};
            if (workingDirectory.empty() || ::chdir(workingDirectory.c_str()) == 0) {
                failure.stage = 2;
                ::execve(program.c_str(), argv, environ);
            }
            failure.error = errno;
            [[maybe_unused]] auto written = ::write(report[1], &failure, sizeof failure);
            ::_exit(127);
        }
        ::_exit(child < 0 ? 1 : 0);
    }
    ::close(report[1]);

    int status = 0;
    pid_t waited;
    do {
        waited = ::waitpid(intermediate, &status, 0);
    } while (waited < 0 && errno == EINTR);
    // ECHILD: the process ignores its children's ends and the system reaped it already.
    if (waited == intermediate && !(WIFEXITED(status) && WEXITSTATUS(status) == 0)) {
        ::close(report[0]);
        return OutOfMemory;
    }

    // Returns once the opener has started (end of file) or has failed to.
    Failure failure{};
    ssize_t got;
    do {
        got = ::read(report[0], &failure, sizeof failure);
    } while (got < 0 && errno == EINTR);
    ::close(report[0]);
    if (got != static_cast<ssize_t>(sizeof failure)) return Started;
    if (failure.stage == 1) return PathNotFound;
    return failure.error == EACCES ? AccessDenied : FileNotFound;
}

} // namespace tessivra::headless

#pragma once

#include <functional>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

namespace testsupport {

// The user id a step runs as when the tests run as root, who would pass
// every permission check the step is about.
inline constexpr uid_t kUnprivilegedId = 65534; // nobody

// The id that RunUnprivileged runs its step as.
inline uid_t UnprivilegedUser() { return geteuid() == 0 ? kUnprivilegedId : geteuid(); }

// Runs step in a child process as UnprivilegedUser() and tells whether it
// returned true. The child leaves with _exit, so no destructor of the
// parent's objects (temporary folders) runs twice.
inline bool RunUnprivileged(const std::function<bool()> &step) {
    const pid_t child = fork();
    if (child < 0)
        return false;
    if (child == 0) {
        if (geteuid() == 0 && (setgid(kUnprivilegedId) != 0 || setuid(kUnprivilegedId) != 0))
            _exit(2);
        bool ok = false;
        try {
            ok = step();
        } catch (...) {
        }
        _exit(ok ? 0 : 1);
    }
    int status = 0;
    while (waitpid(child, &status, 0) < 0) {
    }
    return WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

} // namespace testsupport

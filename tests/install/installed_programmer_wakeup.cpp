// Starts an installed programmer, as a user would from the desktop's menu,
// with the DS5000 loader simulator on COM1, and passes when the simulator
// receives the wake-up carriage return.
//
//   installed_programmer_wakeup PROGRAM WORKDIR
//
// WORKDIR holds the programmer's home, configuration and run-time folders, so the
// user's own settings are never read or written. The programmer is ended
// once the wake-up arrived, and in any case after a deadline.
#include "LoaderSimulator.h"

#include <cerrno>
#include <chrono>
#include <csignal>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <string>
#include <sys/prctl.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>
#include <vector>

extern char **environ;

namespace {

using namespace std::chrono_literals;
namespace fs = std::filesystem;

// Start-up of a sanitizer build under a loaded machine can take a while.
constexpr auto kWakeUpDeadline = 60s;
constexpr auto kExitGrace = 5s;
// After the wake-up the loader's banner comes back; the program must still be
// running once it has had the time to take it in.
constexpr auto kStillRunningAfter = 500ms;

// COM1 goes to the simulator; every other COM name goes to a path that does
// not exist, so that whatever port the program picks, it never reaches a
// device of this machine.
bool WriteSettings(const fs::path &configDir, const std::string &simulatorPath) {
    std::ofstream ini(configDir / "Vorlan.ini", std::ios::trunc);
    ini << "[ComPort]\nPort=COM1\n\n[Ports]\nCOM1=" << simulatorPath << "\n";
    for (int n = 2; n <= 16; ++n)
        ini << "COM" << n << "=" << (configDir / "no-such-device").string() << "\n";
    return static_cast<bool>(ini.flush());
}

class TEnvironment {
  public:
    TEnvironment(const fs::path &home, const fs::path &config, const fs::path &runtime) {
        const std::vector<std::string> replaced = {"HOME=", "XDG_CONFIG_HOME=", "XDG_RUNTIME_DIR=", "QT_QPA_PLATFORM="};
        for (char **entry = environ; *entry; ++entry) {
            const std::string text = *entry;
            bool keep = true;
            for (const auto &prefix : replaced)
                keep = keep && text.rfind(prefix, 0) != 0;
            if (keep)
                texts_.push_back(text);
        }
        texts_.push_back("HOME=" + home.string());
        texts_.push_back("XDG_CONFIG_HOME=" + config.string());
        texts_.push_back("XDG_RUNTIME_DIR=" + runtime.string());
        texts_.push_back("QT_QPA_PLATFORM=offscreen");
        for (auto &text : texts_)
            pointers_.push_back(text.data());
        pointers_.push_back(nullptr);
    }
    char **Pointers() { return pointers_.data(); }

  private:
    std::vector<std::string> texts_;
    std::vector<char *> pointers_;
};

// The child gets its own process group, so that ending it ends whatever it
// started, and dies with this process should a test runner kill it first.
pid_t Start(const std::string &program, TEnvironment &environment) {
    std::string programCopy = program;
    char *arguments[] = {programCopy.data(), nullptr};
    const pid_t parent = getpid();
    const pid_t pid = fork();
    if (pid == 0) {
        setpgid(0, 0);
        prctl(PR_SET_PDEATHSIG, SIGKILL);
        if (getppid() != parent)
            _exit(126);
        execve(program.c_str(), arguments, environment.Pointers());
        _exit(127);
    }
    if (pid > 0)
        setpgid(pid, pid);
    return pid;
}

// Returns true when the child has ended; its wait status goes to `status`.
bool Reap(pid_t pid, int &status) {
    const pid_t result = waitpid(pid, &status, WNOHANG);
    return result == pid || (result < 0 && errno == ECHILD);
}

void Stop(pid_t pid) {
    int status = 0;
    kill(-pid, SIGTERM);
    const auto deadline = std::chrono::steady_clock::now() + kExitGrace;
    while (std::chrono::steady_clock::now() < deadline) {
        if (Reap(pid, status))
            return;
        std::this_thread::sleep_for(20ms);
    }
    std::cerr << "the programmer did not end on SIGTERM; killing it\n";
    kill(-pid, SIGKILL);
    waitpid(pid, &status, 0);
}

std::string Describe(int status) {
    if (WIFEXITED(status))
        return "exit code " + std::to_string(WEXITSTATUS(status));
    if (WIFSIGNALED(status))
        return std::string("signal ") + strsignal(WTERMSIG(status));
    return "status " + std::to_string(status);
}

} // namespace

int main(int argc, char **argv) {
    if (argc != 3) {
        std::cerr << "usage: installed_programmer_wakeup PROGRAM WORKDIR\n";
        return 2;
    }
    const std::string program = argv[1];
    const fs::path work = argv[2];
    if (access(program.c_str(), X_OK) != 0) {
        std::cerr << program << " is not an executable program\n";
        return 1;
    }

    loadersim::TLoaderSimulator simulator;
    const fs::path home = work / "home";
    const fs::path config = work / "config";
    fs::create_directories(home);
    fs::create_directories(config);
    const fs::path runtime = work / "runtime";
    fs::create_directories(runtime);
    fs::permissions(runtime, fs::perms::owner_all, fs::perm_options::replace);
    if (!WriteSettings(config, simulator.SlavePath())) {
        std::cerr << "cannot write the settings file in " << config << "\n";
        return 1;
    }

    TEnvironment environment(home, config, runtime);
    const pid_t pid = Start(program, environment);
    if (pid < 0) {
        std::cerr << "cannot start " << program << ": " << std::strerror(errno) << "\n";
        return 1;
    }

    bool received = false;
    int status = 0;
    bool ended = false;
    const auto deadline = std::chrono::steady_clock::now() + kWakeUpDeadline;
    while (!received && !ended && std::chrono::steady_clock::now() < deadline) {
        received = simulator.WaitForReceived(1, 100ms);
        ended = Reap(pid, status);
    }
    if (received && !ended) {
        std::this_thread::sleep_for(kStillRunningAfter);
        ended = Reap(pid, status);
        if (ended) {
            std::cerr << "the programmer ended with " << Describe(status) << " after the wake-up\n";
            return 1;
        }
    }
    if (!ended)
        Stop(pid);

    const std::string bytes = simulator.Received();
    if (!received) {
        std::cerr << "the simulator received nothing; the programmer "
                  << (ended ? "ended with " + Describe(status) : "was still running") << "\n";
        return 1;
    }
    if (bytes.front() != '\r') {
        std::cerr << "the first byte the simulator received was " << static_cast<int>(bytes.front())
                  << ", not the wake-up carriage return\n";
        return 1;
    }
    std::cout << "the installed programmer woke the simulated loader on " << simulator.SlavePath() << "\n";
    return 0;
}

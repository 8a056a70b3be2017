#include "CliHarness.h"

#include <cerrno>
#include <csignal>
#include <cstdlib>
#include <fcntl.h>
#include <fstream>
#include <poll.h>
#include <sstream>
#include <stdexcept>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

namespace clitest {

namespace {

using Clock = std::chrono::steady_clock;

int Spawn(const std::string &path, const std::vector<std::string> &args, int in, int out, int err) {
    const pid_t pid = fork();
    if (pid < 0)
        throw std::runtime_error("fork failed");
    if (pid == 0) {
        dup2(in, 0);
        dup2(out, 1);
        dup2(err, 2);
        // A process group of its own: the test's own terminal signals stay away.
        setpgid(0, 0);
        std::vector<char *> argv;
        argv.push_back(const_cast<char *>(path.c_str()));
        for (const auto &a : args)
            argv.push_back(const_cast<char *>(a.c_str()));
        argv.push_back(nullptr);
        execv(path.c_str(), argv.data());
        _exit(127);
    }
    return pid;
}

} // namespace

std::string ReadFile(const std::string &path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream s;
    s << in.rdbuf();
    return s.str();
}

TRun RunDs5000(const std::vector<std::string> &args, const std::string &input,
               std::chrono::milliseconds interruptAfter) {
    int inPipe[2], outPipe[2], errPipe[2];
    if (pipe(inPipe) || pipe(outPipe) || pipe(errPipe))
        throw std::runtime_error("pipe failed");
    const int pid = Spawn(DS5000_BIN, args, inPipe[0], outPipe[1], errPipe[1]);
    close(inPipe[0]);
    close(outPipe[1]);
    close(errPipe[1]);
    if (!input.empty())
        (void)!write(inPipe[1], input.data(), input.size());
    close(inPipe[1]);
    TRun run;
    const auto start = Clock::now();
    bool interrupted = false;
    int open = 2;
    while (open > 0) {
        pollfd fds[2] = {{outPipe[0], POLLIN, 0}, {errPipe[0], POLLIN, 0}};
        poll(fds, 2, 20);
        for (int i = 0; i < 2; ++i) {
            if (fds[i].fd < 0 || !(fds[i].revents & (POLLIN | POLLHUP)))
                continue;
            char buf[4096];
            const ssize_t n = read(fds[i].fd, buf, sizeof buf);
            if (n <= 0) {
                close(fds[i].fd);
                (i == 0 ? outPipe[0] : errPipe[0]) = -1;
                --open;
                continue;
            }
            (i == 0 ? run.out : run.err).append(buf, static_cast<std::size_t>(n));
        }
        const auto elapsed = Clock::now() - start;
        if (!interrupted && interruptAfter.count() > 0 && elapsed > interruptAfter) {
            kill(pid, SIGINT);
            interrupted = true;
        }
        if (elapsed > std::chrono::seconds(120))
            kill(pid, SIGKILL);
        if (outPipe[0] < 0 && errPipe[0] < 0)
            break;
    }
    int status = 0;
    waitpid(pid, &status, 0);
    run.code = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
    return run;
}

TSimProcess::TSimProcess(const std::string &dir, const std::string &name, std::vector<std::string> options) {
    link_ = dir + "/" + name;
    image_ = dir + "/" + name + ".image";
    log_ = dir + "/" + name + ".log";
    options.insert(options.end(), {"--link", link_, "--image", image_, "--log", log_});
    int outPipe[2];
    if (pipe(outPipe))
        throw std::runtime_error("pipe failed");
    const int devnull = ::open("/dev/null", O_RDWR);
    pid_ = Spawn(DS5000SIM_BIN, options, devnull, outPipe[1], devnull);
    close(outPipe[1]);
    close(devnull);
    // The first line ("PTY <path>") comes once the link is in place.
    std::string first;
    char c;
    const auto end = Clock::now() + std::chrono::seconds(10);
    while (Clock::now() < end && first.find('\n') == std::string::npos) {
        pollfd p{outPipe[0], POLLIN, 0};
        if (poll(&p, 1, 100) > 0 && read(outPipe[0], &c, 1) == 1)
            first.push_back(c);
    }
    close(outPipe[0]);
    if (first.rfind("PTY ", 0) != 0)
        throw std::runtime_error("ds5000sim did not start");
}

TSimProcess::~TSimProcess() { Stop(); }

void TSimProcess::Stop() {
    if (pid_ < 0)
        return;
    kill(pid_, SIGTERM);
    int status = 0;
    waitpid(pid_, &status, 0);
    pid_ = -1;
}

std::string TSimProcess::Image() {
    Stop();
    return ReadFile(image_);
}

std::string TSimProcess::Received() {
    Stop();
    return ReadFile(log_);
}

TTempDir::TTempDir() {
    char dir[] = "/tmp/ds5000-cli-XXXXXX";
    if (!mkdtemp(dir))
        throw std::runtime_error("mkdtemp failed");
    path_ = dir;
}

TTempDir::~TTempDir() { (void)!std::system(("rm -rf '" + path_ + "'").c_str()); }

std::string TTempDir::Write(const std::string &name, const std::string &content) const {
    const std::string path = path_ + "/" + name;
    std::ofstream(path, std::ios::binary) << content;
    return path;
}

} // namespace clitest

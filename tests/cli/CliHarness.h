#pragma once

#include <chrono>
#include <string>
#include <vector>

namespace clitest {

struct TRun {
    int code = -1;
    std::string out, err;
};

// Runs the ds5000 binary with the arguments, feeding `input` on its standard
// input; `interruptAfter` > 0 sends SIGINT after that long. Killed after 120 s.
TRun RunDs5000(const std::vector<std::string> &args, const std::string &input = "",
               std::chrono::milliseconds interruptAfter = std::chrono::milliseconds(0));

// The ds5000sim program on a pseudo-terminal of its own, reached through a
// symbolic link; stopped (and its image written) when destroyed or Stop()ped.
class TSimProcess {
  public:
    explicit TSimProcess(const std::string &dir, const std::string &name, std::vector<std::string> options = {});
    ~TSimProcess();
    TSimProcess(const TSimProcess &) = delete;
    TSimProcess &operator=(const TSimProcess &) = delete;

    const std::string &Link() const { return link_; }
    // Stops it; then the memory image and the received bytes can be read.
    void Stop();
    std::string Image();
    std::string Received();

  private:
    int pid_ = -1;
    std::string link_, image_, log_;
};

// A fresh folder that goes away with the object.
class TTempDir {
  public:
    TTempDir();
    ~TTempDir();
    const std::string &Path() const { return path_; }
    std::string Write(const std::string &name, const std::string &content) const;

  private:
    std::string path_;
};

std::string ReadFile(const std::string &path);

} // namespace clitest

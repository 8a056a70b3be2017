#pragma once

#include "HexFile.h"
#include "PortLine.h"

#include <atomic>
#include <chrono>
#include <cstddef>
#include <functional>
#include <string>
#include <vector>

namespace loader {

// How far a download got, also when it ended early.
struct TLoadProgress {
    std::size_t bytesSent = 0, bytesTotal = 0;
    std::size_t recordsSent = 0, recordsTotal = 0;
    bool complete = false;
};
using TProgressHandler = std::function<void(std::size_t done, std::size_t total)>;

// A conversation with the DS5000's ROM loader over one line: wake it, send a
// command, read its echo and reply lines up to the prompt. Every wait has a
// deadline worked out from the line rate and the length of what is awaited;
// an "E:" reply raises ELoader (loader error) naming the command (and the
// record, in a download).
class TLoaderSession {
  public:
    TLoaderSession(TPortLine &line, const std::atomic<bool> *cancel = nullptr);

    // Raises DTR, sends a carriage return and waits for the banner and the
    // prompt, or the prompt alone from a loader already awake; tries three
    // times. Raises ELoader (timeout) when nothing fitting came.
    void Wake();
    bool SawBanner() const { return !banner_.empty(); }
    const std::string &Banner() const { return banner_; }

    // Sends one command line (at most 16 characters, the carriage return is
    // added) and returns its reply lines, the echo and prompt left out.
    // `expectedReply` is how many characters the reply may take at most, for
    // the deadline.
    std::vector<std::string> Command(const std::string &text, std::size_t expectedReply = 64,
                                     const TProgressHandler &progress = {});

    // Sends L and then the file's records, each record in one write; stops
    // at the first error the loader reports.
    void Load(const THexFile &file, const TProgressHandler &progress = {});
    const TLoadProgress &LoadProgress() const { return load_; }

    // Extra allowance on every deadline (also the whole wait for a short reply).
    static constexpr std::chrono::milliseconds kSlack{1500};
    // How far a download's writes may run ahead of the line's pace.
    static constexpr std::chrono::milliseconds kLead{250};

  private:
    std::chrono::steady_clock::time_point DeadlineFor(std::size_t characters) const;
    [[noreturn]] void NoAnswer(const std::string &what);
    void CheckCancel(const std::string &what) const;
    [[noreturn]] void RaiseLoaderError(const std::string &command, const std::string &line,
                                       const std::string &where = "");

    TPortLine &line_;
    const std::atomic<bool> *cancel_;
    std::string banner_;
    TLoadProgress load_;
};

// The meaning of an "E:" reply line, for messages ("E:RANGE (an address outside the memory range)").
std::string DescribeLoaderError(const std::string &line);

} // namespace loader

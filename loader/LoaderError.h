#pragma once

#include <stdexcept>
#include <string>

namespace loader {

// How a run ended; the values are the programmer's exit codes.
enum class TOutcome : int {
    Done = 0,
    Usage = 1,       // bad arguments, an unreadable or invalid HEX file
    Port = 2,        // the port cannot be opened, a write failed, the line is gone
    LoaderError = 3, // the loader answered with an error
    Differs = 4,     // verify found a difference
    Timeout = 5,     // the loader did not answer in time
    Interrupted = 130,
};

// A failure with the outcome it stands for.
class ELoader : public std::runtime_error {
  public:
    ELoader(TOutcome outcome, const std::string &message) : std::runtime_error(message), outcome_(outcome) {}
    TOutcome Outcome() const { return outcome_; }

  private:
    TOutcome outcome_;
};

// The short word scripts see for an outcome ("done", "port", ...).
const char *OutcomeName(TOutcome outcome);

} // namespace loader

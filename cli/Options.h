#pragma once

#include "loader/Commands.h"

#include <optional>
#include <string>
#include <vector>

namespace cli {

// The settings file the windows keep their port in.
inline constexpr const char *kSettingsFile = "Vorlan.ini";

// What the command line asked for.
struct TOptions {
    std::vector<std::string> ports;   // --port COMn, in order
    std::vector<std::string> devices; // --device PATH, in order
    std::optional<long> baud;
    bool json = false;
    bool quiet = false;
    bool yes = false;

    std::string command;
    std::string file;      // program, verify, crc --file
    std::string output;    // dump -o
    std::string partition; // program --partition (hex address)
    bool verify = false;   // program --verify
    std::string from, to;  // address texts
    std::string value;     // fill, put, mcon
    std::string portNumber;
    std::string key;
};

// Hex text ("7FFF", "0x7FFF", "7FFFh") to a number no greater than `max`;
// raises ELoader (usage) naming `what` otherwise.
unsigned ParseHexNumber(const std::string &text, unsigned max, const std::string &what);
// The --from/--to pair as a range for the loader.
loader::TRange ParseRange(const TOptions &options);

} // namespace cli

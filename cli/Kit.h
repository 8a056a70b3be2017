#pragma once

#include "Options.h"
#include "Progress.h"
#include "cport/ComPort.h"
#include "loader/HexFile.h"
#include "loader/LoaderError.h"

#include <atomic>
#include <nlohmann/json.hpp>
#include <string>
#include <vector>

namespace cli {

// One kit the command runs on: a COM name of the engine's port table.
struct TTarget {
    std::string comName; // "COM3"
    std::string label;   // what the user named: "COM3" or the device path
};

// The kits named by --port and --device (a device gets a COM name no entry
// of the port table uses), or the port of the settings file when neither
// was given. Reads the settings file's port table first.
std::vector<TTarget> ResolveTargets(const TOptions &options);

// The settings file's line settings, the target's port name and the rate
// given on the command line.
void SetUpPort(cport::TComPort &port, const TTarget &target, const TOptions &options);

// What one command did on one kit.
struct TResult {
    std::string port, command;
    loader::TOutcome outcome = loader::TOutcome::Done;
    std::string message; // the failure, or the summary of success
    nlohmann::json details = nlohmann::json::object();
    std::string output; // what goes to standard output in text mode (a dump)
};

// Runs the command of `options` on one kit: opens the port with the settings
// file's line settings (and the overrides), wakes the loader, does the work,
// lowers DTR and closes. Never raises.
TResult RunOnKit(const TOptions &options, const TTarget &target, std::size_t kit, TProgressBoard &board,
                 const std::atomic<bool> &cancel, const loader::THexFile *file);

// The interactive session of "terminal"; returns the exit code.
int RunTerminal(const TOptions &options, const TTarget &target, const std::atomic<bool> &cancel);

} // namespace cli

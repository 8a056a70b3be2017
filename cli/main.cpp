// ds5000: the command-line programmer for the DS5000's ROM loader.
#include "Kit.h"
#include "Options.h"
#include "Progress.h"
#include "cport/PortList.h"
#include "cport/posix/PortTable.h"
#include "loader/HexFile.h"
#include "loader/LoaderError.h"

#include <CLI/CLI.hpp>
#include <atomic>
#include <cctype>
#include <csignal>
#include <cstdio>
#include <iostream>
#include <thread>
#include <unistd.h>

namespace {

using loader::ELoader;
using loader::TOutcome;

std::atomic<bool> g_cancel{false};
extern "C" void OnInterrupt(int) { g_cancel = true; }

constexpr const char *kExitCodes = R"(Exit codes:
  0  done
  1  usage error, or an unreadable or invalid HEX file
  2  port problem (cannot open, write failed, line gone)
  3  the loader reported an error
  4  verify found a difference
  5  the loader did not answer in time
  130 interrupted (Ctrl-C)
With several ports the code is that of the first port that failed.
Port and line settings come from Vorlan.ini ([ComPort], [Ports]) as for the
windows; --port, --device and --baud override them for one run.)";

void Describe(CLI::App &app, cli::TOptions &o) {
    app.add_option("--port", o.ports, "COM name of a kit (COM1..COM16); repeat for several kits")->type_name("COMn");
    app.add_option("--device", o.devices, "device path of a kit; repeat for several kits")->type_name("PATH");
    app.add_option("--baud", o.baud, "line rate in bits per second")->type_name("N");
    app.add_flag("--json", o.json, "print one JSON object per result");
    app.add_flag("--quiet", o.quiet, "no progress, no summaries on standard error");
    app.add_flag("--yes", o.yes, "do not ask before unlock erases the memory");
    app.require_subcommand(1, 1);
    app.footer(kExitCodes);

    const auto range = [&](CLI::App *sub) {
        sub->add_option("--from", o.from, "first address (hex)")->type_name("A");
        sub->add_option("--to", o.to, "last address (hex)")->type_name("A");
    };
    app.add_subcommand("detect", "list every port where a loader answers, with its device path");
    auto *program = app.add_subcommand("program", "wake, W, L, send the file; stop at the first loader error");
    program->add_option("FILE", o.file, "Intel HEX file")->required();
    program->add_option("--partition", o.partition, "partition address (hex, 2 kB steps, default 2000)")
        ->type_name("N");
    program->add_flag("--verify", o.verify, "read back with D and compare afterwards");
    auto *verify = app.add_subcommand("verify", "read back with D and compare with the file's records");
    verify->add_option("FILE", o.file, "Intel HEX file")->required();
    auto *dump = app.add_subcommand("dump", "Intel HEX of the memory to a file or standard output");
    range(dump);
    dump->add_option("-o", o.output, "output file")->type_name("FILE");
    auto *crc = app.add_subcommand("crc", "the loader's CRC-16, and the file's when given");
    range(crc);
    crc->add_option("--file", o.file, "Intel HEX file to compare with")->type_name("FILE");
    auto *fill = app.add_subcommand("fill", "fill memory with a constant");
    fill->add_option("VALUE", o.value, "byte (hex)")->required();
    range(fill);
    auto *get = app.add_subcommand("get", "read the four port latches (or one)");
    get->add_option("PORT", o.portNumber, "0..3");
    auto *put = app.add_subcommand("put", "write a port latch");
    put->add_option("PORT", o.portNumber, "0..3")->required();
    put->add_option("VALUE", o.value, "byte (hex)")->required();
    auto *mcon = app.add_subcommand("mcon", "read or write the memory-control register");
    mcon->add_option("VALUE", o.value, "byte (hex) to write");
    app.add_subcommand("lock", "set the security lock");
    app.add_subcommand("unlock", "clear the lock; this erases the memory (asks first unless --yes)");
    auto *key = app.add_subcommand("key", "load the 40-bit encryption key");
    key->add_option("HEX10", o.key, "ten hex digits")->required();
    app.add_subcommand("terminal", "a raw session with the loader (Ctrl-] leaves)");
}

// Every argument is checked before a port is opened.
void CheckArguments(const cli::TOptions &o) {
    (void)cli::ParseRange(o);
    if (!o.partition.empty())
        (void)loader::PartitionCommand(cli::ParseHexNumber(o.partition, 0x8000, "--partition"));
    if (!o.value.empty())
        (void)cli::ParseHexNumber(o.value, 0xFF, "value");
    if (!o.portNumber.empty())
        (void)cli::ParseHexNumber(o.portNumber, 3, "port");
    if (o.command == "key") {
        bool ok = o.key.size() == 10;
        for (char c : o.key)
            ok = ok && std::isxdigit(static_cast<unsigned char>(c));
        if (!ok)
            throw ELoader(TOutcome::Usage, "key \"" + o.key + "\": give exactly 10 hexadecimal digits");
    }
    if (o.baud && (*o.baud < 50 || *o.baud > 4000000))
        throw ELoader(TOutcome::Usage, "--baud " + std::to_string(*o.baud) + ": give a rate from 50 to 4000000");
}

bool Confirm(const std::string &question) {
    if (!isatty(STDIN_FILENO))
        return false;
    std::fprintf(stderr, "%s [y/N] ", question.c_str());
    std::string answer;
    std::getline(std::cin, answer);
    return !answer.empty() && (answer[0] == 'y' || answer[0] == 'Y');
}

void Print(const cli::TOptions &o, const cli::TResult &r) {
    if (o.json) {
        nlohmann::json j = r.details;
        j["port"] = r.port;
        j["command"] = r.command;
        j["outcome"] = loader::OutcomeName(r.outcome);
        j["exit_code"] = static_cast<int>(r.outcome);
        j["message"] = r.message;
        std::cout << j.dump() << std::endl;
        return;
    }
    if (r.outcome != TOutcome::Done) {
        std::cerr << "ds5000: " << r.port << ": " << r.message << std::endl;
        return;
    }
    if (!r.output.empty()) {
        std::cout << r.output << std::flush;
        if (!o.quiet)
            std::cerr << r.port << ": " << r.message << std::endl;
        return;
    }
    std::cout << r.port << ": " << r.message << std::endl;
}

int Run(cli::TOptions &o) {
    std::unique_ptr<loader::THexFile> file;
    if (!o.file.empty())
        file = std::make_unique<loader::THexFile>(loader::ReadHexFile(o.file));
    if (o.command == "dump" && o.output.empty() && o.ports.size() + o.devices.size() > 1 && !o.json)
        throw ELoader(TOutcome::Usage, "dump of several kits needs -o FILE (each kit gets FILE.PORT)");
    CheckArguments(o);
    if (o.command == "unlock" && !o.yes && !Confirm("Unlock erases the whole memory and the key of the chip. Go on?"))
        throw ELoader(TOutcome::Usage, "unlock erases the memory: confirm, or give --yes");

    std::vector<cli::TTarget> targets = cli::ResolveTargets(o);
    if (o.command == "detect" && o.ports.empty() && o.devices.empty()) {
        targets.clear();
        for (const auto &p : cport::EnumerateSerialPorts())
            targets.push_back({p.Name, p.Name + " " + p.Device});
        if (targets.empty())
            throw ELoader(TOutcome::Timeout, "detect: no serial ports on this machine");
    }
    if (o.command == "terminal") {
        if (targets.size() != 1)
            throw ELoader(TOutcome::Usage, "terminal talks to one kit: give one --port or --device");
        return cli::RunTerminal(o, targets[0], g_cancel);
    }

    std::vector<std::string> names;
    for (const auto &t : targets)
        names.push_back(t.label);
    cli::TProgressBoard board(names, !o.quiet, isatty(STDERR_FILENO) != 0);
    std::vector<cli::TResult> results(targets.size());
    if (targets.size() == 1) {
        results[0] = cli::RunOnKit(o, targets[0], 0, board, g_cancel, file.get());
    } else {
        std::vector<std::thread> threads;
        for (std::size_t i = 0; i < targets.size(); ++i)
            threads.emplace_back([&, i] { results[i] = cli::RunOnKit(o, targets[i], i, board, g_cancel, file.get()); });
        for (auto &t : threads)
            t.join();
    }
    if (o.command == "detect") {
        bool any = false;
        for (const auto &r : results) {
            any = any || r.outcome == TOutcome::Done;
            if (o.json)
                Print(o, r);
            else if (r.outcome == TOutcome::Done)
                std::cout << r.port << ": " << r.message << std::endl;
        }
        if (!any && !o.json)
            std::cerr << "ds5000: detect: no loader answered" << std::endl;
        return any ? 0 : static_cast<int>(TOutcome::Timeout);
    }
    int code = 0;
    for (const auto &r : results) {
        Print(o, r);
        if (code == 0 && r.outcome != TOutcome::Done)
            code = static_cast<int>(r.outcome);
    }
    return code;
}

} // namespace

int main(int argc, char **argv) {
    CLI::App app("ds5000: programs a DS5000 through its ROM loader", "ds5000");
    cli::TOptions options;
    Describe(app, options);
    try {
        app.parse(argc, argv);
    } catch (const CLI::CallForHelp &e) {
        return app.exit(e);
    } catch (const CLI::CallForAllHelp &e) {
        return app.exit(e);
    } catch (const CLI::ParseError &e) {
        app.exit(e);
        return static_cast<int>(TOutcome::Usage);
    }
    for (auto *sub : app.get_subcommands())
        options.command = sub->get_name();

    struct sigaction action {};
    action.sa_handler = OnInterrupt;
    sigemptyset(&action.sa_mask);
    sigaction(SIGINT, &action, nullptr);
    sigaction(SIGTERM, &action, nullptr);
    try {
        return Run(options);
    } catch (const ELoader &e) {
        if (options.json)
            std::cout << nlohmann::json{{"command", options.command},
                                        {"outcome", loader::OutcomeName(e.Outcome())},
                                        {"exit_code", static_cast<int>(e.Outcome())},
                                        {"message", e.what()}}
                             .dump()
                      << std::endl;
        else
            std::cerr << "ds5000: " << e.what() << std::endl;
        return static_cast<int>(e.Outcome());
    } catch (const std::exception &e) {
        std::cerr << "ds5000: " << e.what() << std::endl;
        return static_cast<int>(TOutcome::Port);
    }
}

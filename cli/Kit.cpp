#include "Kit.h"

#include "cport/PortTableSettings.h"
#include "cport/ValueTexts.h"
#include "cport/posix/PortTable.h"
#include "loader/Commands.h"
#include "loader/LoaderSession.h"
#include "loader/MemoryImage.h"
#include "loader/PortLine.h"

#include <cstdio>
#include <fstream>

namespace cli {

using loader::ELoader;
using loader::TOutcome;

namespace {

std::string Hex(unsigned value, int digits) {
    char buf[16];
    std::snprintf(buf, sizeof buf, "%0*X", digits, value);
    return buf;
}

} // namespace

void SetUpPort(cport::TComPort &port, const TTarget &target, const TOptions &options) {
    port.RestoreSettings(cport::slIniFile, kSettingsFile);
    port.SetPort(target.comName);
    if (options.baud) {
        const std::string text = std::to_string(*options.baud);
        const cport::TBaudRate rate = cport::TextToBaudRate(text);
        if (cport::BaudRateToText(rate) == text) {
            port.SetBaudRate(rate);
        } else {
            port.SetBaudRate(cport::brCustom);
            port.SetCustomBaudRate(static_cast<std::int32_t>(*options.baud));
        }
    }
}

namespace {

nlohmann::json DifferencesJson(const loader::TComparison &c) {
    nlohmann::json list = nlohmann::json::array();
    for (const auto &d : c.first) {
        nlohmann::json one = {{"address", Hex(d.address, 4)}, {"expected", Hex(d.expected, 2)}, {"line", d.line}};
        one["actual"] =
            d.actual < 0 ? nlohmann::json(nullptr) : nlohmann::json(Hex(static_cast<unsigned>(d.actual), 2));
        list.push_back(one);
    }
    return list;
}

std::string DifferencesText(const loader::TComparison &c) {
    std::string out = std::to_string(c.differingBytes) + " of " + std::to_string(c.comparedBytes) +
                      " bytes differ in " + std::to_string(c.differingRecords) + " records";
    for (const auto &d : c.first)
        out += "\n  " + Hex(d.address, 4) + "h: file " + Hex(d.expected, 2) + " (line " + std::to_string(d.line) +
               "), chip " + (d.actual < 0 ? std::string("not read") : Hex(static_cast<unsigned>(d.actual), 2));
    return out;
}

void ReportVerify(TResult &r, const loader::TComparison &c) {
    r.details["compared_bytes"] = c.comparedBytes;
    r.details["differing_bytes"] = c.differingBytes;
    r.details["differing_records"] = c.differingRecords;
    r.details["first_differences"] = DifferencesJson(c);
    if (c.differingBytes > 0) {
        r.outcome = TOutcome::Differs;
        r.message = "verify: " + DifferencesText(c);
    }
}

// The work of one command on a woken session.
void Work(const TOptions &o, TResult &r, loader::TLoaderSession &session, std::size_t kit, TProgressBoard &board,
          const loader::THexFile *file) {
    const auto progress = [&](std::size_t done, std::size_t total) { board.Update(kit, done, total); };
    const std::string &c = o.command;
    if (c == "detect") {
        r.details["banner"] = session.Banner();
        r.message = session.SawBanner() ? session.Banner() : "loader prompt (no banner: it was awake already)";
    } else if (c == "program") {
        const unsigned partition = o.partition.empty() ? 0x2000 : ParseHexNumber(o.partition, 0x8000, "--partition");
        session.Command(loader::PartitionCommand(partition));
        board.Begin(kit, "download");
        session.Load(*file, progress);
        const auto &p = session.LoadProgress();
        r.details["bytes"] = file->DataBytes();
        r.details["records"] = p.recordsSent;
        r.details["sent_bytes"] = p.bytesSent;
        r.details["partition"] = Hex(partition, 4);
        r.message = "programmed " + std::to_string(file->DataBytes()) + " bytes in " + std::to_string(p.recordsSent) +
                    " records";
        if (o.verify) {
            board.Begin(kit, "read-back");
            const auto cmp = loader::VerifyFile(session, *file, progress);
            r.details["verified"] = true;
            ReportVerify(r, cmp);
            if (cmp.differingBytes == 0)
                r.message += ", verified: no difference";
        }
    } else if (c == "verify") {
        board.Begin(kit, "read-back");
        const auto cmp = loader::VerifyFile(session, *file, progress);
        ReportVerify(r, cmp);
        if (cmp.differingBytes == 0)
            r.message = "verified " + std::to_string(cmp.comparedBytes) + " bytes: no difference";
    } else if (c == "dump") {
        board.Begin(kit, "dump");
        const auto image = loader::Dump(session, ParseRange(o), progress);
        const std::string hex = loader::FormatHex(image);
        r.details["bytes"] = image.KnownCount();
        if (o.output.empty()) {
            r.output = hex;
            if (o.json)
                r.details["hex"] = hex;
        } else {
            const std::string path = o.output + (o.ports.size() + o.devices.size() > 1 ? "." + r.port : "");
            std::ofstream out(path, std::ios::binary | std::ios::trunc);
            out << hex;
            out.close();
            if (!out)
                throw ELoader(TOutcome::Usage, "cannot write " + path);
            r.details["file"] = path;
        }
        r.message = "dumped " + std::to_string(image.KnownCount()) + " bytes";
    } else if (c == "crc") {
        loader::TRange range = ParseRange(o);
        if (file && !range.from && !range.to) {
            const auto spans = loader::SpansOf(*file, 0x10000);
            if (!spans.empty())
                range = {spans.front().begin, spans.back().end};
        }
        const std::uint16_t crc = loader::Crc(session, range);
        r.details["crc"] = Hex(crc, 4);
        r.message = "CRC " + Hex(crc, 4);
        if (file) {
            const std::uint16_t want = loader::FileCrc(*file, range.from.value_or(0), range.to.value_or(0x7FFF));
            r.details["file_crc"] = Hex(want, 4);
            r.details["from"] = Hex(range.from.value_or(0), 4);
            r.details["to"] = Hex(range.to.value_or(0x7FFF), 4);
            r.message += ", file " + Hex(want, 4) + " over " + Hex(range.from.value_or(0), 4) + ".." +
                         Hex(range.to.value_or(0x7FFF), 4);
            if (want != crc) {
                r.outcome = TOutcome::Differs;
                r.message = "crc: the chip's CRC " + Hex(crc, 4) + " differs from the file's " + Hex(want, 4);
            }
        }
    } else if (c == "fill") {
        const unsigned value = ParseHexNumber(o.value, 0xFF, "fill value");
        loader::Fill(session, static_cast<std::uint8_t>(value), ParseRange(o));
        r.details["value"] = Hex(value, 2);
        r.message = "filled with " + Hex(value, 2);
    } else if (c == "get") {
        if (!o.portNumber.empty()) {
            const int n = static_cast<int>(ParseHexNumber(o.portNumber, 3, "port"));
            const auto v = loader::GetPort(session, n);
            r.details["P" + std::to_string(n)] = Hex(v, 2);
            r.message = "P" + std::to_string(n) + "=" + Hex(v, 2);
        } else {
            const auto v = loader::GetPorts(session);
            for (int n = 0; n < 4; ++n) {
                r.details["P" + std::to_string(n)] = Hex(v[static_cast<std::size_t>(n)], 2);
                r.message += (n ? " P" : "P") + std::to_string(n) + "=" + Hex(v[static_cast<std::size_t>(n)], 2);
            }
        }
    } else if (c == "put") {
        const int n = static_cast<int>(ParseHexNumber(o.portNumber, 3, "port"));
        const unsigned value = ParseHexNumber(o.value, 0xFF, "port value");
        loader::PutPort(session, n, static_cast<std::uint8_t>(value));
        r.message = "P" + std::to_string(n) + " set to " + Hex(value, 2);
    } else if (c == "mcon") {
        if (!o.value.empty())
            loader::WriteMcon(session, static_cast<std::uint8_t>(ParseHexNumber(o.value, 0xFF, "MCON value")));
        const std::uint8_t v = loader::ReadMcon(session);
        r.details["mcon"] = Hex(v, 2);
        r.details["partition"] = Hex((v >> 4) * 0x800u, 4);
        r.details["range"] = (v & 0x08) ? "32K" : "8K";
        r.message = "MCON=" + Hex(v, 2) + " (partition " + Hex((v >> 4) * 0x800u, 4) + "h, " +
                    ((v & 0x08) ? "32 kB" : "8 kB") + " range)";
    } else if (c == "lock") {
        loader::Lock(session);
        r.message = "locked";
    } else if (c == "unlock") {
        loader::Unlock(session);
        r.message = "unlocked; the memory is erased";
    } else if (c == "key") {
        loader::LoadKey(session, o.key);
        r.message = "key loaded";
    }
}

} // namespace

std::vector<TTarget> ResolveTargets(const TOptions &options) {
    cport::RestorePortTable(kSettingsFile);
    std::vector<TTarget> targets;
    for (const auto &p : options.ports) {
        if (cport::ComNumber(p) == 0)
            throw ELoader(TOutcome::Usage, "--port " + p + ": give a name from COM1 to COM16");
        targets.push_back({"COM" + std::to_string(cport::ComNumber(p)), p});
    }
    auto &table = cport::TPortTable::Instance();
    int next = 16;
    for (const auto &d : options.devices) {
        // A COM name that neither the table nor another target uses.
        const auto taken = [&](const std::string &name) {
            if (table.HasEntry(name))
                return true;
            for (const auto &t : targets)
                if (t.comName == name)
                    return true;
            return false;
        };
        while (next >= 1 && taken("COM" + std::to_string(next)))
            --next;
        if (next < 1)
            throw ELoader(TOutcome::Usage, "too many ports at once");
        const std::string name = "COM" + std::to_string(next);
        table.SetEntry(name, d);
        targets.push_back({name, d});
    }
    if (targets.empty()) {
        cport::TComPort port;
        port.SetName("ComPort");
        port.RestoreSettings(cport::slIniFile, kSettingsFile);
        targets.push_back({port.Port(), port.Port()});
    }
    return targets;
}

TResult RunOnKit(const TOptions &options, const TTarget &target, std::size_t kit, TProgressBoard &board,
                 const std::atomic<bool> &cancel, const loader::THexFile *file) {
    TResult r;
    r.port = target.label;
    r.command = options.command;
    r.details["com"] = target.comName;
    loader::TPortLine line;
    loader::TLoaderSession session(line, &cancel);
    try {
        SetUpPort(line.Port(), target, options);
        r.details["baud"] = line.BitsPerSecond();
        board.Begin(kit, "wake-up");
        line.Open();
        session.Wake();
        Work(options, r, session, kit, board, file);
    } catch (const ELoader &e) {
        r.outcome = e.Outcome();
        r.message = e.what();
    } catch (const std::exception &e) {
        r.outcome = TOutcome::Port;
        r.message = e.what();
    }
    if (options.command == "program") {
        const auto &p = session.LoadProgress();
        r.details["download"] = {{"sent_bytes", p.bytesSent},
                                 {"total_bytes", p.bytesTotal},
                                 {"sent_records", p.recordsSent},
                                 {"total_records", p.recordsTotal},
                                 {"complete", p.complete}};
        if (!p.complete && p.bytesSent > 0)
            r.message += "; partial download: " + std::to_string(p.bytesSent) + " of " + std::to_string(p.bytesTotal) +
                         " bytes (" + std::to_string(p.recordsSent) + " of " + std::to_string(p.recordsTotal) +
                         " records) were sent";
    }
    line.Close();
    board.Finish(kit, std::string(loader::OutcomeName(r.outcome)) + ": " + r.message.substr(0, r.message.find('\n')));
    return r;
}

} // namespace cli

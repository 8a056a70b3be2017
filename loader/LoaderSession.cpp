#include "LoaderSession.h"

#include "LoaderError.h"
#include "LoaderReplies.h"

#include <algorithm>
#include <cctype>
#include <thread>

namespace loader {

namespace {

using Clock = std::chrono::steady_clock;

bool EndsWith(const std::string &s, const std::string &tail) {
    return s.size() >= tail.size() && s.compare(s.size() - tail.size(), tail.size(), tail) == 0;
}

std::string Upper(std::string s) {
    for (char &c : s)
        c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    return s;
}

// Splits at the line breaks: the first piece holds the echo, the others are
// reply lines.
std::vector<std::string> SplitLines(const std::string &text) {
    const std::string br = replies::kLineBreak;
    std::vector<std::string> out;
    std::size_t pos = 0;
    for (;;) {
        const std::size_t at = text.find(br, pos);
        if (at == std::string::npos) {
            out.push_back(text.substr(pos));
            return out;
        }
        out.push_back(text.substr(pos, at - pos));
        pos = at + br.size();
    }
}

// Where an error reply starts in received text: "E:" at the start of a reply line.
std::size_t FindErrorLine(const std::string &text) {
    const std::string mark = std::string(replies::kLineBreak) + replies::kErrorPrefix;
    const std::size_t at = text.find(mark);
    return at == std::string::npos ? at : at + std::string(replies::kLineBreak).size();
}

std::string ErrorLineAt(const std::string &text, std::size_t at) {
    const std::size_t end = text.find(replies::kLineBreak, at);
    return text.substr(at, end == std::string::npos ? std::string::npos : end - at);
}

// Which record the loader found a fault in, from what came back after the
// error line: the loader's command line echoes what followed the fault, so
// the first echo is the record after the faulty one, or, for a fault inside
// a record, the rest of it. Without an echo the fault was in the last thing
// sent. Index `file.records.size()` stands for the end record.
std::size_t FaultyRecord(const THexFile &file, std::size_t recordsSent, bool endSent, const std::string &fromError) {
    const std::size_t sent = recordsSent + (endSent ? 1 : 0);
    const auto textOf = [&](std::size_t k) {
        return k < file.records.size() ? Upper(file.records[k].text) : std::string(":00000001FF");
    };
    std::string echo;
    const auto pieces = SplitLines(fromError);
    for (std::size_t i = 1; i < pieces.size() && echo.empty(); ++i)
        if (pieces[i].size() > 1 && pieces[i][0] == '>')
            echo = pieces[i].substr(1);
    if (echo.empty())
        return sent == 0 ? 0 : sent - 1;
    for (std::size_t k = 1; k < sent; ++k)
        if (textOf(k) == echo)
            return k - 1;
    for (std::size_t k = 0; k < sent; ++k)
        if (EndsWith(textOf(k), echo))
            return k;
    return sent == 0 ? 0 : sent - 1;
}

} // namespace

std::string DescribeLoaderError(const std::string &line) {
    const std::string prefix = replies::kErrorPrefix;
    const std::string mnemonic = line.compare(0, prefix.size(), prefix) == 0 ? line.substr(prefix.size()) : line;
    for (const auto &entry : replies::kErrorTexts)
        if (mnemonic == entry.mnemonic)
            return line + " (" + entry.meaning + ")";
    return line;
}

TLoaderSession::TLoaderSession(TPortLine &line, const std::atomic<bool> *cancel) : line_(line), cancel_(cancel) {}

Clock::time_point TLoaderSession::DeadlineFor(std::size_t characters) const {
    return Clock::now() + kSlack + 2 * line_.LineTime(characters);
}

void TLoaderSession::CheckCancel(const std::string &what) const {
    if (cancel_ && cancel_->load())
        throw ELoader(TOutcome::Interrupted, what + ": interrupted");
}

void TLoaderSession::NoAnswer(const std::string &what) {
    CheckCancel(what);
    if (line_.Gone())
        throw ELoader(TOutcome::Port, what + ": the line to " + line_.Port().Port() + " is gone (cable pulled?)");
    throw ELoader(TOutcome::Timeout, what + ": the loader did not answer in time on " + line_.Port().Port() + " at " +
                                         std::to_string(line_.BitsPerSecond()) + " baud");
}

void TLoaderSession::RaiseLoaderError(const std::string &command, const std::string &line, const std::string &where) {
    throw ELoader(TOutcome::LoaderError,
                  command + ": the loader reported " + DescribeLoaderError(line) + (where.empty() ? "" : " " + where));
}

void TLoaderSession::Wake() {
    const std::string prompt = replies::kPrompt;
    std::size_t garbage = 0;
    for (int attempt = 0; attempt < 3; ++attempt) {
        CheckCancel("wake-up");
        garbage += line_.Take().size();
        line_.SetDTR(true);
        // A loader left inside a download takes the end record and comes back
        // to its prompt; one at its command line answers it with an error and
        // the prompt. The first tries send the carriage return alone, which
        // the loader measures the rate on.
        line_.Write(attempt < 2 ? "\r" : ":00000001FF\r");
        const bool ok = line_.WaitFor([&](const std::string &s) { return EndsWith(s, prompt); },
                                      DeadlineFor(64) - kSlack + std::chrono::milliseconds(700), cancel_);
        if (!ok)
            continue;
        // Anything more after the prompt means it was not the end yet.
        std::this_thread::sleep_for(line_.LineTime(4) + std::chrono::milliseconds(20));
        const std::string got = line_.Peek();
        if (!EndsWith(got, prompt))
            continue;
        line_.Take();
        const std::string upper = Upper(got);
        const std::size_t at = upper.find(replies::kBannerMark);
        if (at != std::string::npos) {
            const std::size_t begin = got.rfind('\n', at);
            const std::size_t end = got.find('\r', at);
            banner_ = got.substr(begin == std::string::npos ? 0 : begin + 1,
                                 end == std::string::npos ? std::string::npos
                                                          : end - (begin == std::string::npos ? 0 : begin + 1));
        }
        return;
    }
    garbage += line_.Take().size();
    CheckCancel("wake-up");
    if (line_.Gone())
        throw ELoader(TOutcome::Port, "wake-up: the line to " + line_.Port().Port() + " is gone (cable pulled?)");
    throw ELoader(
        TOutcome::Timeout,
        "wake-up: no loader prompt on " + line_.Port().Port() + " at " + std::to_string(line_.BitsPerSecond()) +
            " baud" +
            (garbage > 0 ? " (" + std::to_string(garbage) + " bytes came that made no sense: wrong rate?)"
                         : ": the line stayed silent (is the kit on and in loader mode? a loader woken at another rate "
                           "answers at that rate only, until it is reset)"));
}

std::vector<std::string> TLoaderSession::Command(const std::string &text, std::size_t expectedReply,
                                                 const TProgressHandler &progress) {
    const std::string command = Upper(text);
    const std::string name = command.substr(0, command.find(' '));
    CheckCancel(name);
    line_.Take();
    line_.Write(command + "\r");
    const std::string prompt = replies::kPrompt;
    const auto deadline = DeadlineFor(command.size() + expectedReply);
    for (;;) {
        const auto slice = std::min(deadline, Clock::now() + std::chrono::milliseconds(200));
        const bool ok = line_.WaitFor(
            [&](const std::string &s) { return s.size() >= command.size() + prompt.size() && EndsWith(s, prompt); },
            slice, cancel_);
        if (ok)
            break;
        CheckCancel(name);
        if (progress)
            progress(line_.Peek().size(), expectedReply);
        if (Clock::now() >= deadline)
            NoAnswer(name);
    }
    const std::string got = line_.Take();
    if (progress)
        progress(got.size(), std::max(expectedReply, got.size()));
    std::vector<std::string> lines = SplitLines(got.substr(0, got.size() - prompt.size()));
    lines.erase(lines.begin()); // the echo
    for (const auto &l : lines)
        if (l.compare(0, 2, replies::kErrorPrefix) == 0)
            RaiseLoaderError(name, l);
    return lines;
}

void TLoaderSession::Load(const THexFile &file, const TProgressHandler &progress) {
    load_ = {};
    load_.recordsTotal = file.records.size();
    load_.bytesTotal = file.DownloadBytes();
    CheckCancel("L");
    line_.Take();
    line_.Write("L\r");
    // The echo, then silence: the loader takes records from here on. A loader
    // that refuses the download says so at once, with an error line and the prompt.
    if (!line_.WaitFor([&](const std::string &s) { return s.find('L') != std::string::npos; }, DeadlineFor(16),
                       cancel_))
        NoAnswer("L");
    line_.WaitFor([](const std::string &s) { return EndsWith(s, replies::kPrompt); },
                  Clock::now() + line_.LineTime(24) + std::chrono::milliseconds(30), cancel_);
    if (const std::string got = line_.Peek(); FindErrorLine(got) != std::string::npos)
        RaiseLoaderError("L", ErrorLineAt(got, FindErrorLine(got)));

    bool endSent = false;
    const auto failIfReported = [&] {
        if (FindErrorLine(line_.Peek()) == std::string::npos)
            return;
        // Nothing more is sent. What already went after the faulty record
        // reaches the loader's command line, which echoes it: wait until the
        // line is quiet, then the first echo tells which record followed the
        // fault.
        const auto limit = DeadlineFor(load_.bytesSent + 64);
        std::size_t seen = 0;
        while (Clock::now() < limit) {
            seen = line_.Peek().size();
            const auto quiet = Clock::now() + std::chrono::milliseconds(150) + line_.LineTime(64);
            line_.WaitFor([&](const std::string &s) { return s.size() > seen; }, std::min(quiet, limit), cancel_);
            if (line_.Peek().size() == seen || (cancel_ && cancel_->load()))
                break;
        }
        const std::string got = line_.Take();
        const std::size_t at = FindErrorLine(got);
        const std::size_t index = FaultyRecord(file, load_.recordsSent, endSent, got.substr(at));
        const std::string where = index >= file.records.size()
                                      ? "at the end record (line " + std::to_string(file.endLine) + ")"
                                      : "at the record of line " + std::to_string(file.records[index].line) +
                                            " (record " + std::to_string(index + 1) + " of " +
                                            std::to_string(file.records.size()) + ")";
        RaiseLoaderError("L", ErrorLineAt(got, at), where);
    };

    // Writes run no further ahead of the line than kLead: a pseudo-terminal
    // or a deep adapter buffer would take the whole file at once, and then
    // neither a deadline nor a stop at the first error would mean anything.
    const auto start = Clock::now();
    const auto keepPace = [&] {
        for (;;) {
            const auto ahead = line_.LineTime(load_.bytesSent) - (Clock::now() - start);
            if (ahead <= kLead)
                return;
            CheckCancel("L");
            std::this_thread::sleep_for(std::min<Clock::duration>(ahead - kLead, std::chrono::milliseconds(50)));
        }
    };
    for (const auto &record : file.records) {
        failIfReported();
        CheckCancel("L");
        keepPace();
        line_.Write(record.text + "\r\n");
        load_.bytesSent += record.text.size() + 2;
        ++load_.recordsSent;
        if (progress)
            progress(load_.bytesSent, load_.bytesTotal);
    }
    failIfReported();
    keepPace();
    line_.Write(":00000001FF\r\n");
    endSent = true;
    load_.bytesSent += 13;
    const bool back = line_.WaitFor([](const std::string &s) { return EndsWith(s, replies::kPrompt); },
                                    DeadlineFor(32) + kLead, cancel_);
    failIfReported();
    if (!back)
        NoAnswer("L");
    line_.Take();
    load_.complete = true;
    if (progress)
        progress(load_.bytesSent, load_.bytesTotal);
}

} // namespace loader

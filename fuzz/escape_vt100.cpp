// Random bytes through the VT100 parser, one character at a time and in
// batches of sizes the input chooses: both ways must give the same outcomes,
// and nothing may grow past the sequence limit.
#include "cport/EscapeCodes.h"

#include <cstdint>
#include <cstdlib>
#include <string>

namespace {

struct Trace {
    std::string log;
    void Char(char c) { log += 'c', log += c; }
    void Code(cport::TEscapeCodes &p) {
        log += 'e';
        log += static_cast<char>(p.LastCode());
        log += p.SequenceText();
        for (const auto &t : p.Parameters())
            log += '|', log += t;
        log += '\n';
        p.ClearParameters();
    }
};

void Check(bool ok) {
    if (!ok)
        std::abort();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size) {
    if (size == 0)
        return 0;
    const std::size_t step = 1 + data[0] % 64;
    const std::string input(reinterpret_cast<const char *>(data) + 1, size - 1);

    cport::TEscapeCodesVT100 single;
    Trace one;
    for (char c : input) {
        switch (single.FeedChar(c)) {
        case cport::erChar:
            one.Char(single.LastChar());
            break;
        case cport::erCode:
            Check(single.LastCode() != cport::ecIncomplete);
            one.Code(single);
            break;
        case cport::erPending:
            break;
        }
        Check(single.SequenceText().size() <= cport::TEscapeCodes::MaxSequenceLength);
    }

    cport::TEscapeCodesVT100 batched;
    Trace many;
    for (std::size_t at = 0; at < input.size();) {
        const std::size_t length = std::min(step, input.size() - at);
        if (const std::size_t run = batched.PlainRun(input.data() + at, length)) {
            for (std::size_t i = 0; i < run; ++i)
                many.Char(input[at + i]);
            at += run;
            continue;
        }
        std::size_t used = 0;
        const cport::TEscapeResult result = batched.FeedChars(input.data() + at, length, used);
        Check(used > 0 && used <= length);
        at += used;
        if (result == cport::erChar)
            many.Char(batched.LastChar());
        else if (result == cport::erCode)
            many.Code(batched);
    }
    Check(one.log == many.log);

    // Whatever the parameters, building an outgoing sequence is safe and the
    // parser reads its own output back as the same code.
    cport::TStringList params;
    cport::SplitParameters(input.substr(0, 32), params);
    const auto code = static_cast<cport::TEscapeCode>(data[0] % 36);
    const std::string sent = single.CodeToSequence(code, &params);
    if (!sent.empty()) {
        cport::TEscapeCodesVT100 reader;
        int codes = 0;
        for (char c : sent)
            if (reader.FeedChar(c) == cport::erCode) {
                ++codes;
                Check(reader.LastCode() == code);
            }
        Check(codes == 1);
    }
    return 0;
}

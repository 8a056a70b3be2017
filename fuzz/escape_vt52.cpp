// Random bytes through the VT52 parser: sequences stay short, every
// completed code is a real one, and what it sends it reads back.
#include "cport/EscapeCodes.h"

#include <cstdint>
#include <cstdlib>
#include <string>

namespace {
void Check(bool ok) {
    if (!ok)
        std::abort();
}
} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size) {
    cport::TEscapeCodesVT52 parser;
    std::size_t pending = 0;
    for (std::size_t i = 0; i < size; ++i) {
        switch (parser.FeedChar(static_cast<char>(data[i]))) {
        case cport::erChar:
            Check(pending == 0);
            Check(parser.LastChar() == static_cast<char>(data[i]));
            break;
        case cport::erCode:
            Check(parser.LastCode() != cport::ecIncomplete);
            Check(parser.SequenceText().size() <= 3);
            Check(parser.Parameters().size() == (parser.LastCode() == cport::ecMoveTo ? 2u : 0u));
            parser.ClearParameters();
            pending = 0;
            break;
        case cport::erPending:
            ++pending;
            Check(pending <= 3);
            break;
        }
    }
    if (size >= 3) {
        cport::TStringList params{std::to_string(static_cast<int>(data[1]) - 40), std::to_string(data[2])};
        const auto code = static_cast<cport::TEscapeCode>(data[0] % 36);
        const std::string sent = parser.CodeToSequence(code, &params);
        if (!sent.empty()) {
            cport::TEscapeCodesVT52 reader;
            int codes = 0;
            for (char c : sent)
                if (reader.FeedChar(c) == cport::erCode) {
                    ++codes;
                    Check(reader.LastCode() == code);
                }
            Check(codes == 1);
        }
    }
    return 0;
}

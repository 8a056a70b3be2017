// Feeds the packet assembler random settings and a random stream in random
// chunks, with handlers that may change settings or fail in the middle of a
// scan. Checks that the collected text stays below the buffer limit and, when
// nothing interferes, that no received byte is lost or reported twice.

#include "cport/ComDataPacket.h"

#include <fuzzer/FuzzedDataProvider.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <stdexcept>
#include <string>

namespace {

// A small alphabet makes start and stop strings match often; upper and lower
// case exercise the case rule, the zero byte the explicit lengths.
std::string Text(FuzzedDataProvider &in, std::size_t maxLength) {
    static const char kAlphabet[] = {'a', 'A', 'b', 'B', '<', '>', '\0', '\xE1'};
    std::string text(in.ConsumeIntegralInRange<std::size_t>(0, maxLength), ' ');
    for (char &c : text)
        c = kAlphabet[in.ConsumeIntegral<std::uint8_t>() % sizeof(kAlphabet)];
    return text;
}

void Check(bool condition, const char *what) {
    if (!condition) {
        std::fprintf(stderr, "data packet invariant broken: %s\n", what);
        std::abort();
    }
}

struct HandlerFailure : std::runtime_error {
    HandlerFailure() : std::runtime_error("handler failure") {}
};

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size) {
    FuzzedDataProvider in(data, size);
    cport::TComDataPacket packet;
    packet.SetCaseInsensitive(in.ConsumeBool());
    packet.SetIncludeStrings(in.ConsumeBool());
    packet.SetMaxBufferSize(in.ConsumeIntegralInRange<std::int32_t>(-2, 48));
    packet.SetSize(in.ConsumeIntegralInRange<std::int32_t>(-2, 24));
    packet.SetStartString(Text(in, 3));
    packet.SetStopString(Text(in, 3));
    const bool meddle = in.ConsumeBool();
    // Handler actions come from their own slice of the input, so that they do
    // not shift the stream when the fuzzer mutates them.
    const std::string actions = in.ConsumeBytesAsString(in.ConsumeIntegralInRange<std::size_t>(0, 16));
    std::size_t nextAction = 0;

    std::string reported;
    const auto handle = [&](const std::string &text) {
        reported += text;
        if (!meddle || nextAction >= actions.size())
            return;
        const auto action = static_cast<std::uint8_t>(actions[nextAction++]);
        switch (action % 8) {
        case 0:
            packet.SetStopString(std::string(1 + action / 64, '>'));
            break;
        case 1:
            packet.SetStartString(action & 0x10 ? "<" : "");
            break;
        case 2:
            packet.SetSize(action / 16);
            break;
        case 3:
            packet.SetCaseInsensitive(!packet.CaseInsensitive());
            break;
        case 4:
            packet.SetMaxBufferSize(action / 8 - 4);
            break;
        case 5:
            packet.SetIncludeStrings(!packet.IncludeStrings());
            break;
        case 6:
            throw HandlerFailure();
        default:
            break;
        }
    };
    packet.OnPacket = [&](fw::TComponent *, const std::string &text) { handle(text); };
    packet.OnDiscard = [&](fw::TComponent *, const std::string &text) { handle(text); };

    // Nothing is lost only when strings are kept and received text is collected.
    const bool conserving = !meddle && packet.IncludeStrings() && (packet.Size() > 0 || !packet.StopString().empty());
    std::string received;
    while (in.remaining_bytes() > 0) {
        const std::string chunk = Text(in, 40);
        received += chunk;
        try {
            packet.AcceptData(nullptr, chunk.data(), static_cast<std::int32_t>(chunk.size()));
        } catch (const HandlerFailure &) {
        }
        const bool collecting = packet.Size() > 0 || !packet.StopString().empty();
        if (collecting && packet.MaxBufferSize() > 0)
            Check(packet.Collected().size() < static_cast<std::size_t>(packet.MaxBufferSize()),
                  "collected text reached the limit");
        if (conserving)
            Check(reported + packet.Collected() == received, "reports and remainder differ from the stream");
    }
    return 0;
}

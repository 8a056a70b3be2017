// Every event property and link callback may be replaced or cleared by the
// very handler it is calling. Run under AddressSanitizer, a component that
// calls the property in place (rather than a copy) reads freed memory here.
#include "cport/ComDataPacket.h"
#include "cport/ComTerminalModel.h"
#include "tests/support/FakeComDevice.h"

#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

using namespace cport;
using testsupport::FakeDevicePort;

namespace {

struct Components {
    Components() {
        port.SetEvents({}); // events are dispatched by the test itself
        port.AddLink(&link);
    }
    ~Components() {
        port.Close();
        port.RemoveLink(&link);
    }
    void Dispatch(std::uint32_t mask, const std::string &input = {}) {
        if (!port.Connected())
            port.Open();
        port.fake->input = input;
        port.DispatchEvents(MaskToEvents(mask));
    }
    FakeDevicePort port;
    TComLink link;
    TComDataPacket packet;
    TComTerminalModel term;
    std::vector<std::string> log;
};

// Arms slot with a handler that first replaces (or clears) slot and then
// reads its own captured state, which a call in place would have freed.
template <typename Event> void ArmSelfReplacing(Event &slot, std::vector<std::string> &log, bool clear) {
    slot = [&slot, &log, clear, tag = std::string(40, 'h')](auto &&...) {
        if (clear)
            slot = nullptr;
        else
            slot = [&log](auto &&...) { log.push_back("replacement"); };
        log.push_back(tag.substr(0, 4));
    };
}

struct Row {
    const char *name;
    std::function<void(Components &, bool clear)> arm;
    std::function<void(Components &)> fire;
};

#define SLOT(expr) [](Components &c, bool clear) { ArmSelfReplacing(expr, c.log, clear); }

const Row kRows[] = {
    {"port OnBeforeOpen", SLOT(c.port.OnBeforeOpen), [](Components &c) { c.port.Open(), c.port.Close(); }},
    {"port OnAfterOpen", SLOT(c.port.OnAfterOpen), [](Components &c) { c.port.Open(), c.port.Close(); }},
    {"port OnBeforeClose", SLOT(c.port.OnBeforeClose), [](Components &c) { c.port.Open(), c.port.Close(); }},
    {"port OnAfterClose", SLOT(c.port.OnAfterClose), [](Components &c) { c.port.Open(), c.port.Close(); }},
    {"port OnRxChar", SLOT(c.port.OnRxChar), [](Components &c) { c.Dispatch(comm::EV_RXCHAR, "ab"); }},
    {"port OnTxEmpty", SLOT(c.port.OnTxEmpty), [](Components &c) { c.Dispatch(comm::EV_TXEMPTY); }},
    {"port OnBreak", SLOT(c.port.OnBreak), [](Components &c) { c.Dispatch(comm::EV_BREAK); }},
    {"port OnRing", SLOT(c.port.OnRing), [](Components &c) { c.Dispatch(comm::EV_RING); }},
    {"port OnRxFlag", SLOT(c.port.OnRxFlag), [](Components &c) { c.Dispatch(comm::EV_RXFLAG); }},
    {"port OnError", SLOT(c.port.OnError), [](Components &c) { c.Dispatch(comm::EV_ERR); }},
    {"port OnRx80Full", SLOT(c.port.OnRx80Full), [](Components &c) { c.Dispatch(comm::EV_RX80FULL); }},
    {"port OnCTSChange", SLOT(c.port.OnCTSChange), [](Components &c) { c.Dispatch(comm::EV_CTS); }},
    {"port OnDSRChange", SLOT(c.port.OnDSRChange), [](Components &c) { c.Dispatch(comm::EV_DSR); }},
    {"port OnRLSDChange", SLOT(c.port.OnRLSDChange), [](Components &c) { c.Dispatch(comm::EV_RLSD); }},
    {"port OnRxBuf",
     [](Components &c, bool clear) {
         c.link.OnRxBuf = [](fw::TComponent *, const char *, int) {};
         ArmSelfReplacing(c.port.OnRxBuf, c.log, clear);
     },
     [](Components &c) { c.Dispatch(comm::EV_RXCHAR, "ab"); }},
    {"link OnRxBuf", SLOT(c.link.OnRxBuf), [](Components &c) { c.Dispatch(comm::EV_RXCHAR, "ab"); }},
    {"link OnRing", SLOT(c.link.OnRing), [](Components &c) { c.Dispatch(comm::EV_RING); }},
    {"link OnCTSChange", SLOT(c.link.OnCTSChange), [](Components &c) { c.Dispatch(comm::EV_CTS); }},
    {"link OnDSRChange", SLOT(c.link.OnDSRChange), [](Components &c) { c.Dispatch(comm::EV_DSR); }},
    {"link OnRLSDChange", SLOT(c.link.OnRLSDChange), [](Components &c) { c.Dispatch(comm::EV_RLSD); }},
    {"link OnTxActivity", SLOT(c.link.OnTxActivity), [](Components &c) { c.Dispatch(comm::EV_TXEMPTY); }},
    {"link OnRxActivity", SLOT(c.link.OnRxActivity), [](Components &c) { c.Dispatch(comm::EV_RXCHAR, "ab"); }},
    {"packet OnPacket",
     [](Components &c, bool clear) {
         c.packet.SetStopString("!");
         ArmSelfReplacing(c.packet.OnPacket, c.log, clear);
     },
     [](Components &c) { c.packet.AcceptData(nullptr, "p!", 2); }},
    {"packet OnDiscard",
     [](Components &c, bool clear) {
         c.packet.SetStartString("<");
         c.packet.SetStopString(">");
         ArmSelfReplacing(c.packet.OnDiscard, c.log, clear);
     },
     [](Components &c) { c.packet.AcceptData(nullptr, "x<y>", 4); }},
    {"terminal OnStrRecieved", SLOT(c.term.OnStrRecieved), [](Components &c) { c.term.LinkRxBuf(nullptr, "a", 1); }},
    {"terminal OnChar", SLOT(c.term.OnChar), [](Components &c) { c.term.LinkRxBuf(nullptr, "a", 1); }},
    {"terminal OnUnhandledCode", SLOT(c.term.OnUnhandledCode),
     [](Components &c) { c.term.LinkRxBuf(nullptr, "\x1b[1J", 4); }},
    {"terminal OnGetEscapeCodes", SLOT(c.term.OnGetEscapeCodes),
     [](Components &c) { c.term.SetEmulation(teNone), c.term.SetEmulation(teVT52); }},
};

#undef SLOT

} // namespace

TEST(EventReassignment, AHandlerMayReplaceOrClearItsOwnProperty) {
    for (const Row &row : kRows)
        for (const bool clear : {false, true}) {
            SCOPED_TRACE(std::string(row.name) + (clear ? " cleared" : " replaced"));
            Components c;
            row.arm(c, clear);
            row.fire(c);
            row.fire(c);
            ASSERT_FALSE(c.log.empty());
            EXPECT_EQ(c.log.front(), "hhhh");
            EXPECT_EQ(c.log.back(), clear ? "hhhh" : "replacement");
        }
}

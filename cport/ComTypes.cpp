#include "ComTypes.h"

#include "ComDevice.h"

namespace cport {

std::int32_t BaudRateValue(TBaudRate rate) {
    static constexpr std::int32_t kRates[] = {0,     110,   300,   600,   1200,  2400,   4800,   9600,
                                              14400, 19200, 38400, 56000, 57600, 115200, 128000, 256000};
    return rate <= br256000 ? kRates[rate] : 0;
}

std::uint32_t EventToMask(TComEvent event) {
    static constexpr std::uint32_t kBits[] = {comm::EV_RXCHAR, comm::EV_TXEMPTY, comm::EV_RXFLAG, comm::EV_RING,
                                              comm::EV_BREAK,  comm::EV_CTS,     comm::EV_DSR,    comm::EV_ERR,
                                              comm::EV_RLSD,   comm::EV_RX80FULL};
    return event <= evRx80Full ? kBits[event] : 0;
}

std::uint32_t EventsToMask(TComEvents events) {
    std::uint32_t mask = 0;
    for (int e = evRxChar; e <= evRx80Full; ++e)
        if (events.Contains(static_cast<TComEvent>(e)))
            mask |= EventToMask(static_cast<TComEvent>(e));
    return mask;
}

TComEvents MaskToEvents(std::uint32_t mask) {
    TComEvents events;
    for (int e = evRxChar; e <= evRx80Full; ++e)
        if (mask & EventToMask(static_cast<TComEvent>(e)))
            events.Include(static_cast<TComEvent>(e));
    return events;
}

} // namespace cport

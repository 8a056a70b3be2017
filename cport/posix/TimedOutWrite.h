#pragma once

#include <cstddef>

namespace cport::posix {

// What becomes of a write whose time ran out while `accepted` of its bytes
// had been handed to the kernel and the tty's output queue (TIOCOUTQ) still
// held `queued` bytes.
//
// Linux can only empty the whole output queue (TCOFLUSH), never a part of
// it, and a queue may hold bytes of earlier writes that have long been
// reported complete. So the queue is emptied only when it provably holds
// nothing but this write's rest: the queue is first in, first out, so when it
// is no longer than what this write put into it, every byte in it is this
// write's. Otherwise nothing is dropped, and the accepted bytes stay queued
// and go out in order once the line moves. On a pseudo-terminal the queue
// always reads 0 (the bytes sit unread at the far end, where a flush would
// destroy them, earlier writes' included), so nothing is ever flushed there.
struct TTimedOutWrite {
    std::size_t sent; // the count the write reports: accepted minus what it drops
    bool flush;       // empty the output queue: it holds this write's rest only
};

constexpr TTimedOutWrite SettleTimedOutWrite(std::size_t accepted, std::size_t queued) {
    if (queued > 0 && queued <= accepted)
        return {accepted - queued, true};
    return {accepted, false};
}

} // namespace cport::posix

#include "cli/Progress.h"

#include <gtest/gtest.h>

namespace {

struct Row {
    std::size_t done, total;
    double seconds;
    const char *text;
};

TEST(Progress, BytesRateAndTimeLeft) {
    for (const Row &r : {Row{0, 1000, 0.0, "0/1000 bytes"}, // no rate yet
                         Row{500, 1000, 1.0, "500/1000 bytes  0.5 kB/s  0:01 left"},
                         Row{5760, 92160, 1.0, "5760/92160 bytes  5.8 kB/s  0:15 left"},
                         Row{1000, 100000, 10.0, "1000/100000 bytes  0.1 kB/s  16:30 left"},
                         Row{1000, 1000, 2.0, "1000/1000 bytes"}}) // done: nothing left to estimate
        EXPECT_EQ(cli::TProgressBoard::Describe(r.done, r.total, r.seconds), r.text);
}

} // namespace

// The command line's host: Ctrl-C is handled at the first event check after
// it, one check or a run of them alike.
#include <gtest/gtest.h>

#include <sstream>

#include "cli/cli_host.h"

namespace quellon::cli {
namespace {

TEST(CliHost, AnInterruptIsHandledOnceAtTheFirstCheckOfARun) {
    std::ostringstream err;
    CliHost host(err);
    bool stop = false;
    int handled = 0;
    host.onInterrupt = [&] {
        ++handled;
        stop = true;
    };
    // Nothing pending: the whole run is made.
    EXPECT_EQ(host.DoEventsAfter(500, stop), 500u);
    EXPECT_EQ(host.DoEventsAfter(0, stop), 0u);
    EXPECT_EQ(handled, 0);
    host.InterruptFlag() = true;
    // The first call of the run handles it; the stop it sets ends the run.
    EXPECT_EQ(host.DoEventsAfter(500, stop), 1u);
    EXPECT_EQ(handled, 1);
    EXPECT_EQ(host.DoEventsAfter(500, stop), 0u);
    // Once handled, it is not handled again.
    stop = false;
    EXPECT_EQ(host.DoEventsAfter(500, stop), 500u);
    host.DoEvents();
    EXPECT_EQ(handled, 1);
}

}  // namespace
}  // namespace quellon::cli

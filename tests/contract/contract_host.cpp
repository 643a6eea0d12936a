// The contracts against the simulated Windows.
#include <gtest/gtest.h>
#include <winsim.h>

#include "contract.h"

TEST(PlatformContracts, HoldOnTheSimulatedMachine) {
    winsim::Reset();
    winsim::MakeDirectory("C:\\Contract");
    EXPECT_EQ(0, RunContracts("C:\\Contract"));
}

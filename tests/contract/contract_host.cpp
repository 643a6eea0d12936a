// The contracts against the simulated Windows, run inside a simulated process as the programs
// are, on a 32-bit machine and under WOW64.
#include <gtest/gtest.h>
#include <winsim.h>
#include <winsim_print.h>

#include <fstream>
#include <sstream>

#include "contract.h"

namespace {
// What a Windows installation has beyond a fresh simulated machine: a printer with its driver,
// and the standard print processor's file, which the contracts register a copy of.
void PrepareMachine(bool wow64) {
    winsim::Reset();
    winsim::SetWow64(wow64);
    winsim::MakeDirectory("C:\\Contract");
    winsim::DriverInfo driver;
    driver.name = "Generic / Text Only";
    winsim::AddDriver(driver);
    winsim::PrinterInfo printer;
    printer.name = "Contract Printer";
    printer.driver = driver.name;
    winsim::AddPrinter(printer);
    winsim::PutFile(winsim::ProcessorDirectory(winsim::kEnvironmentX86) + "\\winprint.dll",
                    "print processor");
}

int RunInProcess() {
    int failures = -1;
    std::ifstream rc(CONTRACT_RC);
    std::stringstream rcText;
    rcText << rc.rdbuf();
    HINSTANCE module = winsim::RegisterModule("platform_contracts", rcText.str(), "");
    winsim::RunProcess(module, [&failures] { failures = RunContracts("C:\\Contract"); });
    return failures;
}
} // namespace

TEST(PlatformContracts, HoldOnTheSimulatedMachine) {
    PrepareMachine(false);
    EXPECT_EQ(0, RunInProcess());
}

TEST(PlatformContracts, HoldUnderSimulatedWow64) {
    PrepareMachine(true);
    EXPECT_EQ(0, RunInProcess());
}

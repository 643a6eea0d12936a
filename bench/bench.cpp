// Prints what the programs cost beyond their fixed pauses on the simulated machine: CPU time of
// whole runs against their virtual time, and the time per object with many objects around.
//   qmr_bench [--whole]    --whole: only the whole runs (scripts/bench_wine.sh reads their pauses)
#include <winsim.h>
#include <winsim_print.h>
#include <winsim_registry.h>

#include <stdio.h>
#include <string.h>
#include <time.h>

#include <functional>
#include <memory>
#include <string>

#include "QMR640_Installer/DriverVersion.h"
#include "QMR640_Installer/KSTPOS_Installer.h"
#include "QMR640_Uninstaller/KSTPOS_Uninstaller.h"
#include "QMR640_Uninstaller/resource.h"
#include "common/app_context.h"
#include "common/status.h"
#include "removal/pnp_cleanup.h"
#include "removal/removal_steps.h"

extern const std::string kInstallerRc, kInstallerHeader, kUninstallerRc, kUninstallerHeader;

namespace {
const char kDriver[] = "KESTORA QMR-640";

HINSTANCE Installer() {
    return winsim::RegisterModule("QMR640_Installer", kInstallerRc, kInstallerHeader);
}
HINSTANCE Uninstaller() {
    return winsim::RegisterModule("QMR640_Uninstaller", kUninstallerRc, kUninstallerHeader);
}

double CpuSeconds() {
    return double(clock()) / CLOCKS_PER_SEC;
}

void PrepareMedia() {
    winsim::SetCurrentDirectory("C:\\Media");
    for (const char *folder : {"Driver32", "Driver64"})
        for (const char *file :
             {"UNIDRV.DLL", "UNIDRVUI.DLL", "UNIDRV.HLP", "UNIRES.DLL", "QMR640.dll", "UI640.dll",
              "UNI640.dll", "UI640.INI", "QMR640.GPD", "STDNAMES.GPD", "MON640.dll", "PRO640.dll"})
            winsim::PutFile(std::string("C:\\Media\\") + folder + "\\" + file, "file");
    for (const char *folder : {"Driver32", "Driver64"})
        winsim::PutFile(std::string("C:\\Media\\") + folder + "\\QMR640.inf",
                        "[Version]\r\nSignature=\"$Windows NT$\"\r\nClass=Printer\r\n[KESTORA]\r\n"
                        "\"KESTORA QMR-640\"=QMR640\r\n[KESTORA.NTamd64]\r\n"
                        "\"KESTORA QMR-640\"=QMR640\r\n");
    winsim::PutFile("C:\\Media\\QMR640_Uninstaller.exe", "MZ");
    winsim::PutFile("C:\\Media\\QMR640_Config.KST", "[QMR640]\r\nPORTDLG=FALSE\r\nPORT=COM1\r\n");
}

void UninstallEverything() {
    auto done = std::make_shared<bool>(false);
    winsim::SetUser([done](HWND dialog) {
        HWND uninstall = winsim::FindItem(dialog, IDC_UNINSTALL);
        if (!*done && uninstall != NULL && winsim::IsEnabled(uninstall)) {
            *done = true;
            winsim::Click(uninstall);
        }
    });
    winsim::RunProcess(Uninstaller(), [] { CKSTPOS_UninstallerApp().InitInstance(); });
}

void Scenario(const char *name, const std::function<void()> &setUp,
              const std::function<void()> &run) {
    const int rounds = 20;
    double cpu = 0;
    unsigned long long virtualMs = 0, pauses = 0;
    for (int i = 0; i < rounds; ++i) {
        winsim::Reset();
        PrepareMedia();
        winsim::SetBoxAnswer(
            [](const winsim::Box &b) { return (b.flags & 0xF) == MB_YESNO ? IDNO : IDOK; });
        setUp();
        unsigned long long startVirtual = winsim::ElapsedMs();
        size_t startPauses = winsim::Pauses().size();
        double start = CpuSeconds();
        run();
        cpu += CpuSeconds() - start;
        virtualMs += winsim::ElapsedMs() - startVirtual;
        unsigned long long sum = 0;
        std::vector<winsim::Pause> all = winsim::Pauses();
        for (size_t p = startPauses; p < all.size(); ++p)
            sum += all[p].ms;
        pauses += sum;
    }
    printf("%-34s cpu %8.2f ms/run   virtual %8llu ms   fixed pauses %8llu ms\n", name,
           1000.0 * cpu / rounds, virtualMs / rounds, pauses / rounds);
}

void AddPrinters(int count, const char *driver) {
    for (int i = 0; i < count; ++i) {
        winsim::PrinterInfo printer;
        printer.name = std::string("Printer ") + std::to_string(i);
        printer.driver = driver;
        winsim::AddPrinter(printer);
    }
}

void Scaling(const char *what, int count, const std::function<void(int)> &setUp,
             const std::function<void()> &run) {
    winsim::Reset();
    PrepareMedia();
    setUp(count);
    double start = CpuSeconds();
    run();
    double seconds = CpuSeconds() - start;
    printf("%-34s %6d objects   %8.2f ms   %8.3f us/object\n", what, count, 1000.0 * seconds,
           1e6 * seconds / count);
}
} // namespace

int main(int argc, char **argv) {
    bool wholeOnly = argc > 1 && strcmp(argv[1], "--whole") == 0;
    printf(
        "Whole runs (CPU time against the virtual time, which is the sum of the fixed pauses):\n");
    Scenario(
        "classic installation (XP)", [] {},
        [] { winsim::RunProcess(Installer(), [] { CKSTPOS_InstallerApp().InitInstance(); }); });
    Scenario(
        "print-UI installation (7 x64)",
        [] {
            winsim::SetVersion(winsim::kWindows7);
            winsim::SetWow64(true);
        },
        [] { winsim::RunProcess(Installer(), [] { CKSTPOS_InstallerApp().InitInstance(); }); });
    Scenario(
        "full uninstallation (XP)",
        [] { winsim::RunProcess(Installer(), [] { CKSTPOS_InstallerApp().InitInstance(); }); },
        UninstallEverything);
    if (wholeOnly)
        return 0;

    printf("\nScaling (time per object should stay flat):\n");
    for (int count : {1000, 10000}) {
        Scaling(
            "uninstaller listing printers", count,
            [](int n) {
                winsim::DriverInfo driver;
                driver.name = kDriver;
                winsim::AddDriver(driver);
                AddPrinters(n, kDriver);
            },
            [] {
                winsim::SetUser([](HWND dialog) {
                    HWND list = winsim::FindItem(dialog, IDC_PRINTER_LIST);
                    if (!winsim::ListItems(list).empty())
                        winsim::Click(winsim::FindItem(dialog, IDCANCEL));
                });
                winsim::RunProcess(Uninstaller(), [] { CKSTPOS_UninstallerApp().InitInstance(); });
            });
        Scaling(
            "version check over printers", count,
            [](int n) { AddPrinters(n, "Generic / Text Only"); },
            [] {
                winsim::RunProcess(Installer(), [] {
                    CompareDriverVersion(kDriver, "KST PRINT PROCESSOR QMR640", 3, 3, 0, 0, FALSE);
                });
            });
        Scaling(
            "INF removal over OEM INFs", count,
            [](int n) {
                for (int i = 0; i < n; ++i)
                    winsim::PutFile(winsim::InfDirectory() + "\\oem" + std::to_string(i) + ".inf",
                                    "[Version]\r\nSignature=\"$Windows NT$\"\r\n[Other]\r\n");
            },
            [] {
                winsim::RunProcess(Uninstaller(), [] {
                    SetCurrentProgram(kUninstallerProgram);
                    StatusText status;
                    StepHost host = ProgramStepHost(FALSE, 2005, &status, NULL);
                    DeleteINFFile(host);
                });
            });
        Scaling(
            "USB records walk", count,
            [](int n) {
                for (int i = 0; i < n; ++i)
                    winsim::AddDevice({"USB\\VID_1234&PID_" + std::to_string(i) + "\\1",
                                       {"USB\\Vid_1234&Pid_" + std::to_string(i)},
                                       true,
                                       "USB",
                                       ""});
            },
            [] {
                winsim::RunProcess(Uninstaller(), [] {
                    SetCurrentProgram(kUninstallerProgram);
                    StatusText status;
                    StepHost host = ProgramStepHost(FALSE, 2005, &status, NULL);
                    DeleteVidPid(host, STATUS_QUIET);
                });
            });
    }
    return 0;
}

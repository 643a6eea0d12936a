// Files an attacker who can write only to the installation media (or the current directory)
// plants there: DLLs the programs load and programs they start. None of them may run.
#include <winsim_registry.h>

#include <algorithm>

#include "QMR640_Uninstaller/resource.h"
#include "common/dll_search.h"
#include "harness.h"

namespace {

const char kProgramFolder[] = "C:\\Media";
const char kElsewhere[] = "C:\\Elsewhere"; // the current directory, when the user started there
const char *const kLateLibraries[] = {"comctl32.dll", "setupapi.dll", "shlwapi.dll",
                                      "winspool.drv"};
// A DLL the system lacks, which a system component may still ask for by name.
const char kNotInSystem[] = "absent.dll";

void PlantLibraries() {
    winsim::SetProgramFolder(kProgramFolder);
    winsim::SetCurrentDirectory(kElsewhere);
    for (const char *library : kLateLibraries)
        for (const char *folder : {kProgramFolder, kElsewhere})
            winsim::PutFile(std::string(folder) + "\\" + library, "planted");
    winsim::PutFile(std::string(kElsewhere) + "\\" + kNotInSystem, "planted");
}

// What the Windows build's delay-load stubs do at the first call into each library.
std::vector<std::string> LoadByName() {
    for (const char *library : kLateLibraries)
        LoadLibraryA(library);
    return winsim::LoadedLibraries();
}

bool AllFromSystem(const std::vector<std::string> &loaded) {
    return std::all_of(loaded.begin(), loaded.end(), [](const std::string &path) {
        return path.rfind("C:\\WINDOWS\\system32\\", 0) == 0;
    });
}

struct Release {
    const char *name;
    bool setDefaultDllDirectories;
    bool setDllDirectory;
};
const Release kReleases[] = {
    {"2000 and XP before SP1", false, false},
    {"XP SP1 to 7 without KB2533623", false, true},
    {"8 and later, or 7 with KB2533623", true, true},
};

void SetUpRelease(const Release &release) {
    winsim::Reset();
    winsim::SetFunctionAvailable("SetDefaultDllDirectories", release.setDefaultDllDirectories);
    winsim::SetFunctionAvailable("SetDllDirectoryA", release.setDllDirectory);
    PlantLibraries();
}

TEST(PlantedDlls, WithoutTheLockTheLoaderTakesThePlantedCopy) {
    SetUpRelease(kReleases[1]);
    std::vector<std::string> loaded = LoadByName();
    ASSERT_EQ(4u, loaded.size());
    EXPECT_EQ("C:\\Media\\comctl32.dll", loaded[0]);
}

// On every release, and with each call of the lock failing in turn: either the lock holds, and
// every later load by name finds the system's copy and never the current directory (where the
// release can take it out of the search), or the program is told to stop.
TEST(PlantedDlls, NoLoadAfterTheLockReachesAPlantedCopy) {
    for (const Release &release : kReleases) {
        SetUpRelease(release);
        ASSERT_TRUE(LockDllSearch()) << release.name;
        std::vector<std::string> calls = winsim::CallLog();
        EXPECT_TRUE(AllFromSystem(LoadByName())) << release.name;
        EXPECT_EQ(4u, winsim::LoadedLibraries().size()) << release.name;
        bool currentSearched = !release.setDllDirectory;
        EXPECT_EQ(currentSearched, LoadLibraryA(kNotInSystem) != NULL) << release.name;

        std::map<std::string, int> seen;
        for (const std::string &call : calls) {
            int nth = ++seen[call];
            SetUpRelease(release);
            winsim::FailCall(call, ERROR_ACCESS_DENIED, nth);
            if (!LockDllSearch())
                continue;
            EXPECT_TRUE(AllFromSystem(LoadByName()))
                << release.name << ", " << call << " #" << nth << " failing";
            EXPECT_EQ(currentSearched, LoadLibraryA(kNotInSystem) != NULL)
                << release.name << ", " << call << " #" << nth << " failing";
        }
    }
}

// A system directory that fills the buffer: nothing is loaded from a path cut short.
TEST(PlantedDlls, ALongSystemDirectoryStopsTheProgramWhereTheLockNeedsIt) {
    SetUpRelease(kReleases[1]);
    winsim::SetWindowsDirectory("C:\\" + std::string(MAX_PATH, 'W'));
    EXPECT_FALSE(LockDllSearch());
    EXPECT_TRUE(winsim::LoadedLibraries().empty());
}

// The programs name what they start by its full path, so a net.exe, cmd.exe or rundll32.exe
// beside them or in the current directory is never the one that runs.
class PlantedPrograms : public MachineTest {
  protected:
    void SetUp() override {
        MachineTest::SetUp();
        PutMedia(kMedia);
    }
    static std::vector<std::string> Started() {
        std::vector<std::string> lines;
        for (const winsim::Launch &launch : winsim::Launches())
            lines.push_back(launch.commandLine);
        return lines;
    }
    // Installation on XP and on 7, then the removal of what was installed.
    static void RunAll() {
        EXPECT_EQ(0, RunInstaller());
        winsim::SetVersion(winsim::kWindows7);
        EXPECT_EQ(0, RunInstaller());
        EXPECT_EQ(0, RunUninstaller());
    }
};

TEST_F(PlantedPrograms, EveryProgramIsStartedByItsSystemPath) {
    winsim::SetUser([](HWND dialog) {
        HWND uninstall = winsim::FindItem(dialog, IDC_UNINSTALL);
        if (winsim::WindowText(dialog) == "KESTORA QMR-640 Uninstaller" &&
            winsim::IsEnabled(uninstall))
            winsim::Click(uninstall);
    });
    RunAll();
    std::vector<std::string> started = Started();
    ASSERT_GE(started.size(), 4u);
    EXPECT_EQ(kNetStartSpooler, started.front());
    for (const std::string &line : started) {
        bool net = line == kNetStartSpooler || line == kNetStopSpooler;
        EXPECT_TRUE(net || line.rfind(kPrintUI, 0) == 0) << line;
    }
    // CreateProcessA is also given the program apart, so it searches for nothing, and the
    // system directory to work in, so the child finds nothing planted beside the programs.
    for (const winsim::Launch &launch : winsim::Launches()) {
        EXPECT_EQ(launch.commandLine.substr(1, launch.application.size() + 1),
                  launch.application + "\"");
        EXPECT_EQ("C:\\WINDOWS\\system32", launch.currentDirectory);
    }
}

// The system directory cannot be read, or does not fit: nothing is started, each skipped start
// leaves its line in the trace log, and the runs still end.
TEST_F(PlantedPrograms, AnUnreadableSystemDirectoryStartsNothing) {
    for (int filled = 0; filled < 2; ++filled) {
        MachineTest::SetUp();
        PutMedia(kMedia);
        if (filled)
            winsim::SetWindowsDirectory("C:\\" + std::string(MAX_PATH, 'W'));
        else
            winsim::FailCall("GetSystemDirectoryA", ERROR_ACCESS_DENIED);
        winsim::SetVersion(winsim::kWindows7);
        EXPECT_EQ(0, RunInstaller());
        EXPECT_TRUE(Started().empty());
        // A Windows directory too long for a path also turns the trace log off.
        std::vector<std::string> steps = LogSteps(kInstallerLog);
        EXPECT_EQ(filled != 0, steps.empty());
        for (const char *program : {"net.exe", "rundll32.exe"}) {
            std::string line =
                "GetSystemDirectoryA failed. (5) " + std::string(program) + " is not started.";
            if (!filled) {
                EXPECT_NE(steps.end(), std::find(steps.begin(), steps.end(), line)) << program;
            }
        }
        ASSERT_FALSE(winsim::Boxes().empty());
        EXPECT_EQ("CreateProcess failed.", winsim::Boxes()[0].text);
    }
}

} // namespace

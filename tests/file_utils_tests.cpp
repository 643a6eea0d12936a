// Copies with ".old" recovery, tree deletion and the model folder's security.
#include <aclapi.h>

#include "common/file_utils.h"
#include "common/trace_log.h"
#include "harness.h"

namespace {

const char kSource[] = "C:\\Media\\Driver32\\MON640.dll";
const char kDest[] = "C:\\WINDOWS\\system32\\MON640.dll";
const char kOld[] = "C:\\WINDOWS\\system32\\MON640.dll.old";

class FileUtilsTest : public MachineTest {
  protected:
    void SetUp() override {
        MachineTest::SetUp();
        StartTraceLog("\\QMR-640_Installer.txt");
        winsim::PutFile(kSource, "new monitor");
    }
    // GuardedCopy runs where the programs run it: in a process, so rename reaches the disk.
    static void Copy(const char *source = kSource) {
        RunInInstaller([source] { GuardedCopy(source, kDest); });
    }
};

TEST_F(FileUtilsTest, CopyOverwritesAndLogsTheSource) {
    winsim::PutFile(kDest, "old monitor");
    Copy();
    EXPECT_EQ("new monitor", winsim::FileContent(kDest));
    EXPECT_EQ(std::vector<std::string>{std::string("FILE SRC : ") + kSource},
              LogTexts(kInstallerLog));
}

TEST_F(FileUtilsTest, LockedDestinationIsMovedAsideToOld) {
    winsim::PutFile(kDest, "old monitor");
    winsim::SetLocked(kDest, true);
    winsim::PutFile(kOld, "left by an earlier run");
    Copy();
    EXPECT_EQ("new monitor", winsim::FileContent(kDest));
    EXPECT_EQ("old monitor", winsim::FileContent(kOld));
    EXPECT_EQ((std::vector<std::string>{
                  std::string("FILE SRC : ") + kSource, "ERROR_SHARING_VIOLATION HANDLER",
                  std::string("strDest : ") + kDest, std::string("strDestWithOldExt : ") + kOld}),
              LogTexts(kInstallerLog));
}

TEST_F(FileUtilsTest, AccessDeniedOnAMissingDestinationCopiesOnceMore) {
    winsim::FailCall("CopyFileA", ERROR_ACCESS_DENIED, 1);
    Copy();
    EXPECT_EQ("new monitor", winsim::FileContent(kDest));
    EXPECT_FALSE(winsim::Exists(kOld));
    EXPECT_EQ(2, CallCount("CopyFileA"));
    EXPECT_EQ((std::vector<std::string>{std::string("FILE SRC : ") + kSource,
                                        "ERROR_ACCESS_DENIED HANDLER"}),
              LogTexts(kInstallerLog));
}

TEST_F(FileUtilsTest, FailedRetryIsLoggedWithItsCode) {
    winsim::PutFile(kDest, "old monitor");
    winsim::FailCall("CopyFileA", ERROR_SHARING_VIOLATION, 1);
    winsim::FailCall("CopyFileA", ERROR_ACCESS_DENIED, 2);
    Copy();
    EXPECT_EQ("old monitor", winsim::FileContent(kOld));
    EXPECT_FALSE(winsim::Exists(kDest));
    std::vector<std::string> texts = LogTexts(kInstallerLog);
    ASSERT_EQ(7u, texts.size());
    EXPECT_EQ(std::string("CopyFile Error : ") + kSource + " ", texts[4]);
    EXPECT_EQ("Error Code : (5) ", texts[5]);
    EXPECT_EQ(std::string("CopyFile Error : ") + kDest + " ", texts[6]);
}

TEST_F(FileUtilsTest, MissingSourceIsNotRetried) {
    Copy("C:\\Media\\Driver32\\NOSUCH.dll");
    EXPECT_EQ(1, CallCount("CopyFileA"));
    EXPECT_EQ((std::vector<std::string>{"FILE SRC : C:\\Media\\Driver32\\NOSUCH.dll",
                                        "COPYFILE ERROR, SRC : C:\\Media\\Driver32\\NOSUCH.dll ",
                                        "ERROR CODE : 2 ",
                                        std::string("COPYFILE ERROR, DES : ") + kDest + " "}),
              LogTexts(kInstallerLog));
}

TEST_F(FileUtilsTest, DirectoryInTheWayIsNeverMovedAside) {
    // A file name lost on the way leaves the directory itself as destination.
    winsim::PutFile("C:\\Drivers\\other.dll", "another product");
    RunInInstaller([] { GuardedCopy("C:\\Media\\Driver32\\", "C:\\Drivers\\"); });
    EXPECT_EQ("another product", winsim::FileContent("C:\\Drivers\\other.dll"));
    EXPECT_FALSE(winsim::Exists("C:\\Drivers.old"));
}

TEST_F(FileUtilsTest, TreeIsDeletedWithReadOnlyFilesWithOrWithoutTrailingBackslash) {
    for (const char *path : {"C:\\X", "C:\\X\\", "c:/x"}) {
        winsim::PutFile("C:\\X\\a.txt", "a");
        winsim::PutFile("C:\\X\\Sub\\Deeper\\b.dll", "b");
        winsim::SetAttributes("C:\\X\\Sub\\Deeper\\b.dll", FILE_ATTRIBUTE_READONLY);
        winsim::SetAttributes("C:\\X\\Sub", FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_READONLY);
        winsim::PutFile("C:\\XY\\keep.txt", "neighbour");
        DeleteDirectoryTree(path);
        EXPECT_FALSE(winsim::Exists("C:\\X")) << path;
        EXPECT_TRUE(winsim::Exists("C:\\XY\\keep.txt"));
    }
    EXPECT_EQ("", winsim::FileContent(kInstallerLog));
}

TEST_F(FileUtilsTest, FileInUseKeepsItsDirectories) {
    winsim::PutFile("C:\\X\\Sub\\busy.dll", "b");
    winsim::PutFile("C:\\X\\gone.txt", "g");
    winsim::SetLocked("C:\\X\\Sub\\busy.dll", true);
    DeleteDirectoryTree("C:\\X");
    EXPECT_TRUE(winsim::Exists("C:\\X\\Sub\\busy.dll"));
    EXPECT_FALSE(winsim::Exists("C:\\X\\gone.txt"));
}

TEST_F(FileUtilsTest, MissingTreeIsNoError) {
    DeleteDirectoryTree("C:\\Nowhere");
    EXPECT_FALSE(winsim::Exists("C:\\Nowhere"));
    EXPECT_EQ("", winsim::FileContent(kInstallerLog));
}

TEST_F(FileUtilsTest, DeleteFileErrorLine) {
    winsim::SetLocalTime(7, 5, 9);
    EXPECT_FALSE(ReportDeleteFileError("C:\\X\\UI640.dll", 5));
    EXPECT_EQ("07:05:09: DeleteFile Error : C:\\X\\UI640.dll , (5)\r\n",
              winsim::FileContent(kInstallerLog));
}

void ExpectEveryoneMayReadAndRun(const std::string &path) {
    std::vector<winsim::AccessEntry> acl = winsim::DirectoryAcl(path);
    ASSERT_EQ(1u, acl.size());
    EXPECT_EQ("S-1-1-0", acl[0].trustee);
    // Not GENERIC_ALL: any user could otherwise replace the uninstaller that runs elevated.
    EXPECT_EQ(DWORD(GENERIC_READ | GENERIC_EXECUTE), acl[0].permissions);
    EXPECT_EQ(SET_ACCESS, acl[0].mode);
    EXPECT_EQ(DWORD(SUB_CONTAINERS_AND_OBJECTS_INHERIT), acl[0].inheritance);
}

TEST_F(FileUtilsTest, ModelFolderIsCreatedAnewForEveryone) {
    const std::string folder = "C:\\WINDOWS\\QMR-640";
    winsim::PutFile(folder + "\\QMR640_Uninstaller.exe", "old");
    winsim::PutFile(folder + "\\Sub\\x.ini", "old");
    winsim::SetAttributes(folder + "\\Sub\\x.ini", FILE_ATTRIBUTE_READONLY);
    EXPECT_TRUE(CreateDirectoryWithSA(folder));
    EXPECT_TRUE(winsim::IsDirectory(folder));
    EXPECT_TRUE(winsim::ListTree(folder).empty());
    ExpectEveryoneMayReadAndRun(folder);
    EXPECT_TRUE(CreateDirectoryWithSA("C:\\WINDOWS\\Fresh"));
    ExpectEveryoneMayReadAndRun("C:\\WINDOWS\\Fresh");
    EXPECT_EQ(
        (std::vector<std::string>{"CreateDirectoryWithSA BEGIN", "CreateDirectoryWithSA END",
                                  "CreateDirectoryWithSA BEGIN", "CreateDirectoryWithSA END"}),
        LogSteps(kInstallerLog));
}

// Without its own DACL the folder is not the program's: it is not made.
TEST_F(FileUtilsTest, ModelFolderWithoutItsDaclIsNotMade) {
    winsim::FailCall("AllocateAndInitializeSid", 8, 1);
    EXPECT_FALSE(CreateDirectoryWithSA("C:\\WINDOWS\\QMR-640"));
    EXPECT_FALSE(winsim::Exists("C:\\WINDOWS\\QMR-640"));
    EXPECT_EQ(
        (std::vector<std::string>{"CreateDirectoryWithSA BEGIN", "Fail to get Everyone SID. (8)",
                                  "CreateDirectoryWithSA END"}),
        LogSteps(kInstallerLog));
}

TEST_F(FileUtilsTest, ModelFolderTriesTwiceThenFails) {
    winsim::FailCall("CreateDirectoryA", ERROR_ACCESS_DENIED);
    int before = CallCount("CreateDirectoryA");
    EXPECT_FALSE(CreateDirectoryWithSA("C:\\WINDOWS\\QMR-640"));
    EXPECT_EQ(2, CallCount("CreateDirectoryA") - before); // no "already exists" step here
}

} // namespace

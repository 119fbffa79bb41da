// DOS paths of a prefix and the host paths behind them, on a prefix Kestrel made (no Wine
// needed); Wine's own view of the same paths is compared in WineOracleTest.
#include "platform/wine/DosPaths.h"

#include "MachineTestSupport.h"

#include <filesystem>
#include <gtest/gtest.h>

namespace fs = std::filesystem;

namespace kestrel::testing {
namespace {

using wine::DosPaths;

TEST(DosPaths, DrivesFollowTheirLinks) {
    ScratchPrefix prefix;
    DosPaths paths(prefix.path(), 1252);
    EXPECT_EQ(paths.driveRoot('C'), prefix.path() + "/drive_c");
    EXPECT_EQ(paths.driveRoot('z'), "/");
    EXPECT_EQ(paths.driveRoot('q'), std::nullopt);
    EXPECT_EQ(paths.hostPath("C:\\"), prefix.path() + "/drive_c");
    EXPECT_EQ(paths.hostPath("z:\\usr\\share"), "/usr/share");
}

TEST(DosPaths, ComponentsMatchWithoutCaseAndKeepTheirNameOnDisk) {
    ScratchPrefix prefix;
    prefix.makeFolder("drive_c/Games/Sub Dir");
    DosPaths paths(prefix.path(), 1252);
    const std::string games = prefix.path() + "/drive_c/Games";
    EXPECT_EQ(paths.hostPath("C:\\GAMES\\sub dir"), games + "/Sub Dir");
    // Missing components keep the name given, and nothing after them is looked up.
    EXPECT_EQ(paths.hostPath("c:\\games\\New File.TXT"), games + "/New File.TXT");
    EXPECT_EQ(paths.hostPath("c:\\nothere\\games"), prefix.path() + "/drive_c/nothere/games");
}

TEST(DosPaths, ExactNameWinsOverOneThatDiffersInCase) {
    ScratchPrefix prefix;
    prefix.makeFolder("drive_c/abc");
    prefix.makeFolder("drive_c/ABC");
    DosPaths paths(prefix.path(), 1252);
    EXPECT_EQ(paths.hostPath("C:\\ABC"), prefix.path() + "/drive_c/ABC");
    EXPECT_EQ(paths.hostPath("C:\\abc"), prefix.path() + "/drive_c/abc");
}

TEST(DosPaths, SlashesDotsAndDeviceNamespaceAreUnderstood) {
    ScratchPrefix prefix;
    prefix.makeFolder("drive_c/Games/Sub Dir");
    DosPaths paths(prefix.path(), 1252);
    EXPECT_EQ(paths.hostPath("C:/Games/./x/../Sub Dir/"), prefix.path() + "/drive_c/Games/Sub Dir");
    EXPECT_EQ(paths.hostPath("C:\\..\\.."), prefix.path() + "/drive_c");
    EXPECT_EQ(paths.hostPath("\\\\?\\C:\\Games"), prefix.path() + "/drive_c/Games");
    EXPECT_EQ(paths.hostPath("C:"), prefix.path() + "/drive_c");
}

TEST(DosPaths, UncRelativeUnknownDriveAndBadNamesFail) {
    ScratchPrefix prefix;
    DosPaths paths(prefix.path(), 1252);
    for (const char* bad : {"\\\\server\\share\\file.txt", "\\Games", "Games\\x", "", "Q:\\x",
                            "C:\\a*b", "C:\\what?", "C:\\a|b", "1:\\x", "C:\\a:b"})
        EXPECT_EQ(paths.hostPath(bad), std::nullopt) << bad;
}

TEST(DosPaths, HostPathsMapThroughTheNearestDriveRoot) {
    ScratchPrefix prefix;
    const std::string games = prefix.makeFolder("drive_c/Games/Sub Dir");
    DosPaths paths(prefix.path(), 1252);
    EXPECT_EQ(paths.dosPath(games), "C:\\Games\\Sub Dir");
    EXPECT_EQ(paths.dosPath(prefix.path() + "/drive_c"), "C:\\");
    EXPECT_EQ(paths.dosPath(prefix.path() + "/drive_c/"), "C:\\");
    EXPECT_EQ(paths.dosPath("/usr/share"), "Z:\\usr\\share");
    EXPECT_EQ(paths.dosPath("/"), "Z:\\");
    // A path that does not exist yet still maps through its existing folders.
    EXPECT_EQ(paths.dosPath(prefix.path() + "/drive_c/Games/new.txt"), "C:\\Games\\new.txt");
    EXPECT_EQ(paths.dosPath("relative/path"), std::nullopt);

    // A drive whose root lies deeper wins; the round trip holds.
    fs::create_directory_symlink(prefix.path() + "/drive_c/Games", prefix.file("dosdevices/e:"));
    EXPECT_EQ(paths.dosPath(games), "E:\\Sub Dir");
    EXPECT_EQ(paths.hostPath("E:\\Sub Dir"), prefix.path() + "/drive_c/Games/Sub Dir");
}

TEST(DosPaths, NamesAreInTheAnsiCodePage) {
    ScratchPrefix prefix;
    const std::string folder =
        prefix.makeFolder("drive_c/\xD0\x98\xD0\xB3\xD1\x80\xD1\x8B"); // Игры
    DosPaths cyrillic(prefix.path(), 1251);
    // "C:\ИГРЫ" in Windows-1251.
    EXPECT_EQ(cyrillic.hostPath("C:\\\xC8\xC3\xD0\xDB"), folder);
    EXPECT_EQ(cyrillic.dosPath(folder), "C:\\\xC8\xE3\xF0\xFB");
    // Western code page cannot write the name.
    EXPECT_EQ(DosPaths(prefix.path(), 1252).dosPath(folder), std::nullopt);
}

} // namespace
} // namespace kestrel::testing

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

TEST(DosPaths, HostPathsOfDosPaths) {
    ScratchPrefix prefix;
    prefix.makeFolder("drive_c/Games/Sub Dir");
    prefix.makeFolder("drive_c/abc");
    prefix.makeFolder("drive_c/ABC");
    const DosPaths paths(prefix.path(), 1252);
    EXPECT_EQ(paths.driveRoot('C'), prefix.path() + "/drive_c");
    EXPECT_EQ(paths.driveRoot('z'), "/");
    EXPECT_EQ(paths.driveRoot('q'), std::nullopt);
    const std::pair<const char*, std::optional<std::string>> cases[] = {
        {"C:\\", "/drive_c"},
        {"z:\\usr\\share", "//usr/share"}, // Z: is the host's root
        // Components match without case and keep their name on disk; missing ones keep the
        // name given, and nothing after them is looked up.
        {"C:\\GAMES\\sub dir", "/drive_c/Games/Sub Dir"},
        {"c:\\games\\New File.TXT", "/drive_c/Games/New File.TXT"},
        {"c:\\nothere\\games", "/drive_c/nothere/games"},
        // The exact name wins over one that differs in case.
        {"C:\\ABC", "/drive_c/ABC"},
        {"C:\\abc", "/drive_c/abc"},
        // Slashes, dots and the device namespace.
        {"C:/Games/./x/../Sub Dir/", "/drive_c/Games/Sub Dir"},
        {"C:\\..\\..", "/drive_c"},
        {"\\\\?\\C:\\Games", "/drive_c/Games"},
        {"C:", "/drive_c"},
        // UNC, relative, unknown drives and bad names.
        {"\\\\server\\share\\file.txt", std::nullopt},
        {"\\Games", std::nullopt},
        {"Games\\x", std::nullopt},
        {"", std::nullopt},
        {"Q:\\x", std::nullopt},
        {"C:\\a*b", std::nullopt},
        {"C:\\what?", std::nullopt},
        {"C:\\a|b", std::nullopt},
        {"1:\\x", std::nullopt},
        {"C:\\a:b", std::nullopt},
    };
    for (const auto& [dos, host] : cases) {
        std::optional<std::string> expected = host;
        if (expected)
            expected =
                expected->starts_with("//") ? expected->substr(1) : prefix.path() + *expected;
        EXPECT_EQ(paths.hostPath(dos), expected) << dos;
    }
}

TEST(DosPaths, DosPathsOfHostPaths) {
    ScratchPrefix prefix;
    const std::string games = prefix.makeFolder("drive_c/Games/Sub Dir");
    const DosPaths paths(prefix.path(), 1252);
    const std::pair<std::string, std::optional<std::string>> cases[] = {
        {games, "C:\\Games\\Sub Dir"},
        {prefix.path() + "/drive_c", "C:\\"},
        {prefix.path() + "/drive_c/", "C:\\"},
        {"/usr/share", "Z:\\usr\\share"},
        {"/", "Z:\\"},
        // A path that does not exist yet still maps through its existing folders.
        {prefix.path() + "/drive_c/Games/new.txt", "C:\\Games\\new.txt"},
        {"relative/path", std::nullopt},
    };
    for (const auto& [host, dos] : cases)
        EXPECT_EQ(paths.dosPath(host), dos) << host;
    // A drive whose root lies deeper wins; the round trip holds.
    fs::create_directory_symlink(prefix.path() + "/drive_c/Games", prefix.file("dosdevices/e:"));
    EXPECT_EQ(paths.dosPath(games), "E:\\Sub Dir");
    EXPECT_EQ(paths.hostPath("E:\\Sub Dir"), games);
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

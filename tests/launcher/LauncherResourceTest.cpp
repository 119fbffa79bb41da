#include "resources/Catalogue.h"

#include <fstream>
#include <gtest/gtest.h>
#include <iterator>
#include <string>

TEST(LauncherResource, IsExactlyTheLauncherJustBuilt) {
    std::ifstream file(KESTREL_HOST_LAUNCHER, std::ios::binary);
    const std::string built((std::istreambuf_iterator<char>(file)),
                            std::istreambuf_iterator<char>());
    ASSERT_FALSE(built.empty()) << KESTREL_HOST_LAUNCHER;

    const QByteArray carried =
        kestrel::LoadResData(QStringLiteral("KSTSUBST"), QStringLiteral("CUSTOM"));
    ASSERT_EQ(static_cast<std::size_t>(carried.size()), built.size());
    EXPECT_TRUE(carried == QByteArray(built.data(), static_cast<qsizetype>(built.size())));
    // The host build is what a Wine prefix can start: an ELF program.
    EXPECT_EQ(built.substr(0, 4), "\x7F"
                                  "ELF");
}

TEST(LauncherResource, OtherNamesGiveNothing) {
    EXPECT_TRUE(kestrel::LoadResData(QStringLiteral("KSTSUBST"), QStringLiteral("ICON")).isEmpty());
    EXPECT_TRUE(kestrel::LoadResData(QStringLiteral("OTHER"), QStringLiteral("CUSTOM")).isEmpty());
}

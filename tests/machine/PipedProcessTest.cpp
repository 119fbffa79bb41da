// The conversation in lines with a program kept running (the shell helper's channel): answers,
// CR LF line ends, timeouts, and a program that has ended or does not read.

#include "platform/wine/Process.h"

#include <gtest/gtest.h>
#include <unistd.h>

using kestrel::wine::PipedProcess;

TEST(PipedProcess, LinesGoBothWaysSilenceTimesOutAndStopEnds) {
    PipedProcess cat;
    ASSERT_TRUE(cat.start({"cat"}));
    std::string line;
    for (const std::string sent : {"F Shell_TrayWnd", "", "P 1 0 -50 7 0 0 17"}) {
        ASSERT_TRUE(cat.writeLine(sent));
        ASSERT_TRUE(cat.readLine(line, 10000));
        EXPECT_EQ(line, sent);
    }
    EXPECT_FALSE(cat.readLine(line, 50));
    cat.stop();
    EXPECT_FALSE(cat.running());
    EXPECT_FALSE(cat.writeLine("after the end"));
    // A program that ignores its input is ended; one that does not exist does not start.
    PipedProcess sleeper;
    ASSERT_TRUE(sleeper.start({"sleep", "600"}));
    sleeper.stop(50);
    EXPECT_FALSE(sleeper.running());
    PipedProcess missing;
    EXPECT_FALSE(missing.start({"kestrel-no-such-program"}));
}

TEST(PipedProcess, WindowsLineEndsAndAnEndedProgram) {
    PipedProcess printer;
    ASSERT_TRUE(printer.start({"printf", "ready kestrel\r\n1 0 580 800 600\r\n"}));
    std::string line;
    ASSERT_TRUE(printer.readLine(line, 10000));
    EXPECT_EQ(line, "ready kestrel");
    ASSERT_TRUE(printer.readLine(line, 10000));
    EXPECT_EQ(line, "1 0 580 800 600");
    // Its output has ended: no wait. Once it is gone, writing to it fails instead of ending
    // this process with SIGPIPE.
    EXPECT_FALSE(printer.readLine(line, 10000));
    bool written = true;
    for (int attempt = 0; written && attempt < 10000; ++attempt) {
        written = printer.writeLine("V 1");
        usleep(1000);
    }
    EXPECT_FALSE(written);
}

// The main of every test binary: the fixed environment the tests are written for, whether
// they are started by ctest or by hand.
#include <gtest/gtest.h>
#include <stdlib.h>
#include <time.h>

#include <clocale>
#include <filesystem>

int main(int argc, char** argv) {
    // Dates in the lists are worked out by hand for UTC and the C locale.
    setenv("TZ", "UTC", 1);
    tzset();
    setenv("LC_ALL", "C", 1);
    std::setlocale(LC_ALL, "C");
    // The programs under test are built beside the test binaries; dialogs need no screen.
    const std::string bin = std::filesystem::read_symlink("/proc/self/exe").parent_path();
    setenv("QV_BIN_DIR", bin.c_str(), 0);
    setenv("QV_SOURCE_DIR", QV_SOURCE_DIR, 0);
    setenv("QT_QPA_PLATFORM", "offscreen", 0);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}

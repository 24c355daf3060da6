// The installed programs: a staged install (DESTDIR) that runs from its own tree, --version on
// every tool there, and the Debian package under lintian.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <regex>
#include <set>
#include <string>

#include "tests/support/CScratchDir.h"

namespace fs = std::filesystem;

namespace {

struct Shell {
    int status;
    std::string out;  // stdout and stderr
};

Shell Sh(const CScratchDir& scratch, const std::string& command) {
    const std::string out = scratch.File("shell.out");
    const int raw = std::system(("(" + command + ") >" + out + " 2>&1").c_str());
    return {WIFEXITED(raw) ? WEXITSTATUS(raw) : -1, CScratchDir::ReadFile(out)};
}

bool Have(const std::string& tool) {
    return std::system(("command -v " + tool + " >/dev/null 2>&1").c_str()) == 0;
}

}  // namespace

TEST(Install, AStagedInstallRunsFromItsOwnTree) {
    const std::string build = std::getenv("QV_BIN_DIR");
    CScratchDir scratch;
    const std::string stage = scratch.File("stage"), usr = stage + "/usr";
    Shell r = Sh(scratch, "DESTDIR=" + stage + " cmake --install " + build + "/.. --prefix /usr");
    ASSERT_EQ(r.status, 0) << r.out;

    // The programs only; no test, benchmark or fuzz binary, and the board libraries apart.
    std::set<std::string> programs;
    for (const auto& e : fs::directory_iterator(usr + "/bin")) programs.insert(e.path().filename());
    std::set<std::string> expected = {"quorvane-board", "quorvane-config"};
    if (fs::exists(build + "/quorvane")) expected.insert("quorvane");
    EXPECT_EQ(programs, expected);
    for (const char* f :
         {"lib/quorvane/libwcsrv.so", "lib/quorvane/libwcsrv2.so", "share/man/man1/quorvane.1.gz",
          "lib/systemd/system/quorvane.timer", "share/doc/quorvane/examples/Quorvane.cfg",
          "share/doc/quorvane/copyright", "share/applications/quorvane.desktop"})
        EXPECT_TRUE(fs::exists(usr + "/" + f)) << f;

    // Nothing of the build tree is needed: the programs find their libraries in the stage.
    const std::string bin =
        "env -u QUORVANE_BOARD -u QUORVANE_CONFIG -u DISPLAY -u "
        "WAYLAND_DISPLAY -u QT_QPA_PLATFORM LD_LIBRARY_PATH= " +
        usr + "/bin/";
    r = Sh(scratch, bin + "quorvane-board demo " + scratch.File("board") + " --files 40");
    ASSERT_EQ(r.status, 0) << r.out;
    // Without CFG the tool writes the file named by QUORVANE_CONFIG.
    CScratchDir::WriteFile(scratch.File("lists.json"),
                           R"({"lists": [{"listName": "ALL.TXT", "areas": [1, 2, 3]}]})");
    r = Sh(scratch, "QUORVANE_CONFIG=" + scratch.File("q.cfg") + " " + usr +
                        "/bin/quorvane-config build " + scratch.File("lists.json"));
    ASSERT_EQ(r.status, 0) << r.out;
    for (const std::string& tool : expected) {
        r = Sh(scratch, bin + tool + " --version");
        EXPECT_EQ(r.status, 0) << tool;
        EXPECT_TRUE(std::regex_match(r.out, std::regex(tool + " 2\\.2\\.[0-9]+\n"))) << r.out;
    }
    if (expected.count("quorvane")) {
        r = Sh(scratch, bin + "quorvane --config " + scratch.File("q.cfg") + " --board " +
                            scratch.File("board"));
        EXPECT_EQ(r.status, 0) << r.out;
        r = Sh(scratch, bin + "quorvane-board ls " + scratch.File("board"));
        EXPECT_NE(r.out.find("ALL.TXT\t"), std::string::npos) << r.out;
        // With a display the run goes on in the windowed program of the private directory.
        r = Sh(scratch, "env -u DISPLAY -u WAYLAND_DISPLAY QT_QPA_PLATFORM=offscreen " + usr +
                            "/bin/quorvane --config " + scratch.File("q.cfg") + " --board " +
                            scratch.File("board"));
        EXPECT_EQ(r.status, 0) << r.out;
        EXPECT_EQ(r.out.find("cannot be started"), std::string::npos) << r.out;
    }

    if (Have("mandoc")) {
        r = Sh(scratch, "mandoc -Tlint -Wwarning " + std::string(std::getenv("QV_SOURCE_DIR")) +
                            "/docs/man/*.1");
        EXPECT_EQ(r.status, 0) << r.out;
    }
    if (Have("systemd-analyze")) {
        // Checked where they point at the staged program.
        const std::string units = usr + "/lib/systemd/system/";
        r = Sh(scratch, "sed -i 's|/usr/bin/|" + usr + "/bin/|' " + units + "quorvane.service && " +
                            "systemd-analyze verify --man=no " + units + "quorvane.service " +
                            units + "quorvane.timer");
        EXPECT_EQ(r.status, 0) << r.out;
    }
}

TEST(Install, TheDebianPackagePassesLintian) {
    if (!Have("lintian") || !Have("dpkg-shlibdeps")) GTEST_SKIP() << "lintian is not installed";
    CScratchDir scratch;
    Shell r = Sh(scratch, "cpack -G DEB --config " + std::string(std::getenv("QV_BIN_DIR")) +
                              "/../CPackConfig.cmake -B " + scratch.Path());
    ASSERT_EQ(r.status, 0) << r.out;
    r = Sh(scratch, "lintian --fail-on error " + scratch.File("quorvane_*_amd64.deb"));
    EXPECT_EQ(r.status, 0) << r.out;
}

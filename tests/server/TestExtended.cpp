// libwcsrv2 as the program binds it: dlopen by name beside the program, dlsym of the two names.
#include <dlfcn.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include <string>

#include "server/WcServer.h"
#include "tests/support/CTestBoard.h"

namespace {

std::string BesideProgram(const std::string& name) {
    char exe[4096];
    ssize_t n = readlink("/proc/self/exe", exe, sizeof exe - 1);
    std::string path(exe, n > 0 ? static_cast<size_t>(n) : 0);
    return path.substr(0, path.rfind('/') + 1) + name;
}

}  // namespace

TEST(Extended, NextDescribesTheFileTheBasicLibraryJustDelivered) {
    CTestBoard board(R"({"areas": [{"number": 1, "name": "A"}, {"number": 2, "name": "B"}],
        "files": [{"area": 1, "name": "DOOM19S.ZIP", "long_name": "Doom Shareware 1.9.zip"},
                  {"area": 1, "name": "PKZ204G.EXE"},
                  {"area": 2, "name": "WIN311.ZIP", "long_name": "Windows Tools für 3.11.zip"}]})");
    void* lib = dlopen(BesideProgram("libwcsrv2.so").c_str(), RTLD_NOW | RTLD_LOCAL);
    ASSERT_NE(nullptr, lib) << dlerror();
    auto search = reinterpret_cast<WcSearchExtFn>(dlsym(lib, "SearchFileRecByAreaName"));
    auto next = reinterpret_cast<WcNextExtFn>(dlsym(lib, "GetNextFileRec"));
    ASSERT_NE(nullptr, search);
    ASSERT_NE(nullptr, next);
    // Not the basic library's functions under the same names.
    EXPECT_NE(reinterpret_cast<void*>(search), reinterpret_cast<void*>(&SearchFileRecByAreaName));

    WcFileRecord rec;
    WcExtFileRecord ext;
    uint32_t tid1 = 0, tid2 = 0;
    ASSERT_EQ(1, SearchFileRecByAreaName(0, "", &rec, &tid1));
    EXPECT_NE(0, search(0, "", &ext, &tid2));
    EXPECT_STREQ("Doom Shareware 1.9.zip", ext.szLongName);
    EXPECT_STREQ("DOOM19S.ZIP", ext.basic.szName);

    ASSERT_EQ(1, GetNextFileRec(1, &rec, &tid1));
    tid2 = tid1;
    EXPECT_EQ(0, next(1, &ext, &tid2));  // no long name
    EXPECT_STREQ("PKZ204G.EXE", ext.basic.szName);

    ASSERT_EQ(1, GetNextFileRec(1, &rec, &tid1));
    tid2 = tid1;
    EXPECT_NE(0, next(1, &ext, &tid2));
    EXPECT_STREQ("Windows Tools f\xFCr 3.11.zip", ext.szLongName);
    EXPECT_EQ(2u, ext.basic.dwArea);
    // The extended calls did not move the basic walk.
    EXPECT_EQ(0, GetNextFileRec(1, &rec, &tid1));
}

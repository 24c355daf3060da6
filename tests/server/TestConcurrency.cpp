// Two processes on one board: WAL and the busy timeout let one import while the other walks.
#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <string>

#include "server/WcServer.h"
#include "tests/support/CTestBoard.h"
#include "tools/board/CBoardAdmin.h"

TEST(Concurrency, OneProcessImportsWhileAnotherWalks) {
    std::string json = R"({"areas": [{"number": 1, "name": "A"}], "files": [)";
    for (int i = 0; i < 300; ++i)
        json += std::string(i ? "," : "") + R"({"area": 1, "name": "F)" + std::to_string(i) +
                R"(.ZIP"})";
    json += "]}";
    CTestBoard board(json);
    pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        int rc = 0;
        try {
            CBoardAdmin admin(board.Dir());
            for (int round = 0; round < 20; ++round) {
                std::string more = R"({"files": [{"area": 1, "name": "NEW)" +
                                   std::to_string(round) + R"(.ZIP", "downloads": 1}]})";
                admin.Import(more, "child");
            }
        } catch (...) {
            rc = 1;
        }
        _exit(rc);
    }
    int walks = 0;
    bool allOk = true;
    for (; walks < 20; ++walks) {
        WcFileRecord rec;
        uint32_t tid = 0;
        int count = 0;
        if (!SearchFileRecByAreaName(0, "", &rec, &tid)) {
            allOk = false;
            break;
        }
        do ++count;
        while (GetNextFileRec(1, &rec, &tid));
        allOk = allOk && count >= 300;
    }
    int status = 0;
    waitpid(child, &status, 0);
    EXPECT_TRUE(allOk);
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(0, WEXITSTATUS(status));
    EXPECT_EQ(320u, GetTotalFiles());  // the walker's session sees the other process's commits
}

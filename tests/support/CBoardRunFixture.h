// Whole generation runs of the real worker on a throw-away board, at the tests' clock, with
// a temporary directory of their own (TMPDIR) that a run must leave empty.
#pragma once

#include <gtest/gtest.h>
#include <stdlib.h>

#include <string>
#include <vector>

#include "generate/CMakeListThread.h"
#include "publish/CListPublisher.h"
#include "tests/support/CFixedClock.h"
#include "tests/support/CRecordingObserver.h"
#include "tests/support/CScratchDir.h"
#include "tests/support/CTestBoard.h"

class CBoardRunFixture : public ::testing::Test {
protected:
    explicit CBoardRunFixture(const std::string& boardJson) : m_board(boardJson) {
        setenv("TMPDIR", m_tmp.Path().c_str(), 1);
    }
    ~CBoardRunFixture() override { unsetenv("TMPDIR"); }

    // Runs every list of `config`; the failed ones, named with the reason, go to m_failed.
    CMakeListThread::Outcome Run(const CConfig& config,
                                 const CMakeListThread::ListSetup& setup = nullptr) {
        CMakeListThread worker(config, m_observer, m_options, m_publisher);
        if (setup) worker.SetListSetup(setup);
        worker.Start();
        worker.Join();
        m_failed = worker.FailedLists();
        return worker.GetOutcome();
    }
    CMakeListThread::Outcome Run(std::vector<COutRec> lists) {
        CConfig config;
        config.m_lists = std::move(lists);
        return Run(config);
    }

    RunOptions m_options = AtTestClock();
    CListPublisher m_publisher;
    CTestBoard m_board;
    CScratchDir m_tmp;  // TMPDIR of the runs
    CScratchDir m_dir;  // everything else a test makes
    CRecordingObserver m_observer;
    std::vector<std::string> m_failed;
};

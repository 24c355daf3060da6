// The worker of a generation run: its own server session, every list begun, one walk over
// the file records, every list ended and handed to the publisher. Reports through an
// IRunObserver.
#pragma once

#include <atomic>
#include <functional>
#include <string>
#include <thread>
#include <unordered_set>
#include <vector>

#include "config/CConfig.h"
#include "generate/CStopRequest.h"
#include "generate/IRunObserver.h"
#include "generate/RunOptions.h"

class CListRun;
class IListPublisher;

class CMakeListThread {
public:
    enum class Outcome { Finished, NotConnected, Cancelled };

    // `config`, `observer` and `publisher` must outlive the thread.
    CMakeListThread(const CConfig& config, IRunObserver& observer, RunOptions options,
                    IListPublisher& publisher);
    ~CMakeListThread();  // waits for the worker
    CMakeListThread(const CMakeListThread&) = delete;
    CMakeListThread& operator=(const CMakeListThread&) = delete;

    // Runs InitInstance on a new thread. False, with nothing run, when no thread can be
    // started; the caller may then run InitInstance itself.
    bool Start();
    // The whole run on the calling thread: status texts, the run, "Finished!" (or what the
    // cancel left unpublished), "OK", close. An unexpected error fails the lists concerned
    // and is reported among them; the run's temporary files are removed in every case.
    void InitInstance();
    // Asks the worker to stop (a running compression command is ended); no list is
    // published after this call returns. Outcome Cancelled when that left a list unpublished.
    void Cancel();
    void Join();

    Outcome GetOutcome() const { return m_outcome; }
    // Names of the lists that could not be produced or published, with the reason.
    const std::vector<std::string>& FailedLists() const { return m_failedLists; }

    // Called for each list (by its index in the configuration) before the list begins, so
    // that tests can give a list output that fails after some bytes.
    using ListSetup = std::function<void(size_t index, CListRun& run)>;
    void SetListSetup(ListSetup setup) { m_listSetup = std::move(setup); }

private:
    void Run();
    bool Selected(const COutRec& def) const;
    // Where a preview writes the list at `index`: a directory of its own under the preview
    // directory, named after the list as far as the name is safe.
    std::string PreviewDir(size_t index, std::unordered_set<std::string>& used) const;

    const CConfig& m_config;
    IRunObserver& m_observer;
    RunOptions m_options;
    IListPublisher& m_publisher;
    std::thread m_thread;
    CStopRequest m_stop;
    Outcome m_outcome = Outcome::Finished;
    int m_cancelledCount = 0;
    std::vector<std::string> m_failedLists;
    ListSetup m_listSetup;
};

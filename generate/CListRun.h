// The working state of one list during one generation run, and the run operations of the
// list (begin, offer, write, end). The text and HTML writers and the template expander work
// on a CListRun; the stored settings come from its COutRec. A finished list goes to the
// publisher as a FinishedList, and the publisher reports back through IListReport.
#pragma once

#include <cstdint>
#include <ctime>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <unordered_set>
#include <vector>

#include "config/COutRec.h"
#include "generate/CFileEntry.h"
#include "generate/CPopularRanking.h"
#include "generate/CStopRequest.h"
#include "generate/FinishedList.h"
#include "generate/IListPublisher.h"
#include "generate/IListReport.h"
#include "generate/RunOptions.h"
#include "io/CBackgroundDeflater.h"
#include "io/CTextStream.h"
#include "server/WcServer.h"

class CAtomFeed;
class CJsonCatalogue;
class CPostMarks;
class CUtf8Copy;
class IListPublisher;
class IRunObserver;

class CListRun : public IListReport {
public:
    // `def` must outlive the run; `observer` may be null (tests).
    CListRun(const COutRec& def, std::string tempDir, IRunObserver* observer,
             RunOptions options = {});
    ~CListRun() override;
    CListRun(const CListRun&) = delete;
    CListRun& operator=(const CListRun&) = delete;

    const COutRec& Def() const { return m_def; }
    const RunOptions& Options() const { return m_options; }
    // The run's clock.
    time_t Now() const;

    // Starts the list: counters, title, header lines, output file and header.
    void BeginList(const std::string& headerText);
    // Selection tests in order; writes or ranks the file.
    void OfferFile(const CFileEntry& entry, bool inListFileSet);
    void WriteHeader();
    void WriteEntry(const CFileEntry& entry);
    void WriteFooter();
    // Finish(), then the publisher learns that the list is written and may start work on it
    // (a File list's first compression command), to run while the other lists finish.
    void FinishOutput();
    // Finish(), then the list goes to the publisher (none: it stays in the temporary
    // directory). False when the list could not be produced or published (the reason is in
    // FailureText()).
    bool EndList();
    // Ranked entries, footer, close and, for an indexed HTML set, the index page; done once,
    // later calls give the same list.
    FinishedList Finish();
    // This list as the publisher gets it, with `fileName` in the temporary directory as its
    // list file (or HTML index or single page).
    FinishedList Finished(const std::string& fileName);
    void SetPublisher(IListPublisher* publisher) { m_publisher = publisher; }

    // Opens a new page / output file in the temporary directory: the named file for a File
    // list, otherwise a unique "QVN" name (which goes to m_strTempFile). False on failure,
    // which is recorded.
    bool OpenOutput(bool useListName);
    // Closes m_pOutFile; false (recorded) when anything written was lost.
    bool CloseOutput();

    // The board's record of a file area, read once per area and run: a list with links
    // needs it for every entry. An area the board does not have gives an empty record.
    const WcFileArea& FileArea(int area) const;
    // The board's settings (name, sysop), read once per list and run.
    const WcMakewild& BoardSettings() const;

    // Records why this list fails; the first reason is kept and reported.
    void Fail(const std::string& why) override;
    bool Failed() const override { return !m_failure.empty(); }
    const std::string& FailureText() const { return m_failure; }
    IRunObserver* Observer() const { return m_observer; }

    // The run's stop request; none when a test drives the list alone.
    void SetStopRequest(CStopRequest* stop) { m_stop = stop; }
    const CStopRequest* StopRequest() const { return m_stop; }
    // True once the run was asked to stop; the list then counts as left unpublished by the
    // cancel.
    bool StopRequested() override;
    // Held around each step that makes part of the list visible. Closed once the run was
    // asked to stop, and the list then counts as left unpublished by the cancel.
    CStopRequest::Gate PublishGate() override;
    bool Cancelled() const { return m_cancelled; }

    // A Message or Bulletin list that posts only new files finds and records its mark here.
    void SetPostMarks(CPostMarks* marks) { m_pMarks = marks; }
    // True for a Message or Bulletin list that posts only files new since its last post.
    bool NewOnly() const;

    // Tests replace how output files are made, to write into memory or to fail on purpose.
    using SinkFactory =
        std::function<std::unique_ptr<IByteSink>(const std::string& path, std::string* error)>;
    void SetSinkFactory(SinkFactory factory) { m_sinkFactory = std::move(factory); }

    // Working state (Parts of the list's run; not stored, not copied).
    std::string m_strTempDir;   // ends in '/'
    std::string m_strTempFile;  // current local output file
    // Set in a preview: the directory that gets the list's output instead of the board.
    std::string m_strPreviewDir;
    int m_nCurArea = -1;
    std::string m_strListTitle;
    std::vector<std::string> m_headerLines;
    int m_nEntryCount = 0;
    int64_t m_nTotalBytes = 0;
    int m_nAreaCount = 0;
    int64_t m_nAreaBytes = 0;
    WcFileArea m_areaRec{};  // record of the current area heading
    CFileEntry m_lastEntry;
    std::unique_ptr<CTextStream> m_pOutFile;
    time_t m_dtCutoff = 0;
    std::unordered_set<int> m_areaSet;
    CPopularRanking m_ranking;
    std::vector<int> m_indexAreas;
    std::vector<std::string> m_indexPages;
    std::vector<int> m_indexCounts;
    std::vector<int64_t> m_indexBytes;
    std::string m_strFtpRoot;
    // The list file deflated while it was written, for the list's internal ZIP files.
    std::shared_ptr<CDeflatedData> m_pDeflated;
    // When the list was begun.
    time_t m_dtMade = 0;
    // An HTML list's feed and catalogue, when the list has them; fed with every entry written.
    std::unique_ptr<CAtomFeed> m_pAtom;
    std::unique_ptr<CJsonCatalogue> m_pJson;

private:
    // After publishing: the new-files mark and the UTF-8 copy of a list that went out.
    void AfterPublish(bool published);
    std::unique_ptr<IByteSink> DeflateAlongside(std::unique_ptr<IByteSink> sink);

    const COutRec& m_def;
    IRunObserver* m_observer;
    RunOptions m_options;
    SinkFactory m_sinkFactory;
    IListPublisher* m_publisher = nullptr;
    // What the publisher began when the list was written; ends (waits) with the run.
    std::unique_ptr<IListPublisher::Started> m_started;
    std::string m_failure;
    CStopRequest* m_stop = nullptr;
    bool m_cancelled = false;
    bool m_outputFinished = false;
    bool m_announced = false;
    std::string m_outputName;
    std::vector<FinishedList::Page> m_sidePages;  // the feed and the catalogue, once finished
    mutable int m_cachedAreaNumber = -1;
    mutable WcFileArea m_cachedArea{};
    mutable bool m_bHaveBoard = false;
    mutable WcMakewild m_board{};
    CPostMarks* m_pMarks = nullptr;
    std::optional<time_t> m_newAfter;  // a new-only list takes files uploaded after this
    time_t m_dtNewest = 0;             // newest upload time of the entries written
    std::unique_ptr<CUtf8Copy> m_pUtf8Copy;
};

#include "generate/CListRun.h"

#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <system_error>

#include "config/CCodePage.h"
#include "config/CConfig.h"
#include "config/CMessageText.h"
#include "generate/CAtomFeed.h"
#include "generate/CDateTime.h"
#include "generate/CHtmlListWriter.h"
#include "generate/CJsonCatalogue.h"
#include "generate/CPostMarks.h"
#include "generate/CTempDir.h"
#include "generate/CTextListWriter.h"
#include "generate/CUtf8Copy.h"
#include "generate/CUtf8Sink.h"
#include "generate/IListPublisher.h"
#include "generate/IRunObserver.h"
#include "io/CFileSink.h"
#include "io/CTeeSink.h"

namespace {

constexpr time_t kDay = 24 * 60 * 60;

std::string BoardName() {
    WcMakewild settings{};
    GetMakewild(&settings);
    return WcText(settings.szBbsName);
}

// Local midnight of the day holding `now`.
time_t StartOfDay(time_t now) {
    struct tm local {};
    localtime_r(&now, &local);
    local.tm_hour = local.tm_min = local.tm_sec = 0;
    local.tm_isdst = -1;
    return mktime(&local);
}

}  // namespace

CListRun::CListRun(const COutRec& def, std::string tempDir, IRunObserver* observer,
                   RunOptions options)
    : m_strTempDir(std::move(tempDir)),
      m_def(def),
      m_observer(observer),
      m_options(std::move(options)) {}

CListRun::~CListRun() = default;

time_t CListRun::Now() const {
    return m_options.now != 0 ? m_options.now : time(nullptr);
}

const WcFileArea& CListRun::FileArea(int area) const {
    if (area != m_cachedAreaNumber) {
        m_cachedArea = WcFileArea{};
        m_cachedArea.dwSize = sizeof m_cachedArea;
        if (!GetFileArea(area, &m_cachedArea)) m_cachedArea = WcFileArea{};
        m_cachedAreaNumber = area;
    }
    return m_cachedArea;
}

const WcMakewild& CListRun::BoardSettings() const {
    if (!m_bHaveBoard) {
        m_board = WcMakewild{};
        m_board.dwSize = sizeof m_board;
        if (!GetMakewild(&m_board)) m_board = WcMakewild{};
        m_bHaveBoard = true;
    }
    return m_board;
}

void CListRun::Fail(const std::string& why) {
    if (m_failure.empty()) m_failure = why;
}

bool CListRun::NewOnly() const {
    return m_def.m_bNewOnly &&
           (m_def.m_nListType == LIST_MESSAGE || m_def.m_nListType == LIST_BULLETIN);
}

bool CListRun::StopRequested() {
    if (m_stop && m_stop->Requested()) m_cancelled = true;
    return m_cancelled;
}

CStopRequest::Gate CListRun::PublishGate() {
    if (!m_stop) return {};
    CStopRequest::Gate gate = m_stop->Enter();
    if (!gate) m_cancelled = true;
    return gate;
}

void CListRun::BeginList(const std::string& headerText) {
    m_areaSet.clear();
    m_areaSet.insert(m_def.m_areas.begin(), m_def.m_areas.end());

    m_nCurArea = -1;
    m_nEntryCount = 0;
    m_dtNewest = 0;
    m_nTotalBytes = 0;
    m_nAreaCount = 0;
    m_nAreaBytes = 0;
    m_indexAreas.clear();
    m_indexPages.clear();
    m_indexCounts.clear();
    m_indexBytes.clear();

    m_strFtpRoot = (GetWildcatVersion() > 1 || GetWildcatBuild() >= 447) ? "/All_Files" : "";

    const time_t now = Now();
    m_dtMade = now;
    char buf[128];
    switch (m_def.m_nSelection) {
        case SEL_ALL:
            m_strListTitle = "Files Available on this BBS on " + CDateTime::FormatDate(now);
            break;
        case SEL_DAYS:
            // "Today" means since local midnight; n days back from now otherwise.
            m_dtCutoff = m_def.m_nDays == 0 ? StartOfDay(now) : now - m_def.m_nDays * kDay;
            if (m_def.m_nDays == 0) {
                m_strListTitle = "Files Uploaded Today";
            } else if (m_def.m_nDays == 1) {
                m_strListTitle = "Files Uploaded Yesterday";
            } else {
                std::snprintf(buf, sizeof buf, "Files Uploaded in the Last %d Days", m_def.m_nDays);
                m_strListTitle = buf;
            }
            break;
        case SEL_POPULAR:
            std::snprintf(buf, sizeof buf, "%d Most Popular Files", m_def.m_nTopCount);
            m_strListTitle = buf;
            m_ranking.Reset(m_def.m_nTopCount);
            break;
        default:
            m_strListTitle.clear();
            break;
    }

    m_headerLines.clear();
    m_headerLines.push_back(BoardName());
    std::string rest = headerText;
    while (!rest.empty()) {
        const size_t lf = rest.find('\n');
        if (lf == std::string::npos) {
            m_headerLines.push_back(rest);
            break;
        }
        // The character before the line feed is the CR of a CR LF pair.
        m_headerLines.push_back(rest.substr(0, lf > 0 ? lf - 1 : 0));
        rest.erase(0, lf + 1);
    }

    // The pages are named after the list inside the HTML directory.
    if (m_def.m_nListType == LIST_HTML && !CConfig::IsPlainFileName(m_def.m_strListName)) {
        Fail("the name \"" + m_def.m_strListName +
             "\" cannot be a page in the HTML directory (it is empty or holds \"/\"); rename "
             "the list");
        return;
    }
    m_pAtom.reset();
    m_pJson.reset();
    if (m_def.m_nListType == LIST_HTML && (m_def.m_nFeeds & FEED_ATOM))
        m_pAtom = std::make_unique<CAtomFeed>(m_def);
    if (m_def.m_nListType == LIST_HTML && (m_def.m_nFeeds & FEED_JSON)) {
        m_pJson = std::make_unique<CJsonCatalogue>(m_def);
        if (!m_pJson->Begin(*this)) return;
    }
    // Without its mark, a list that posts only new files would post everything again.
    m_newAfter.reset();
    if (NewOnly() && m_pMarks) {
        time_t mark = 0;
        if (!m_pMarks->Error().empty()) {
            Fail(m_pMarks->Error());
            return;
        }
        if (m_pMarks->Find(m_def, &mark)) m_newAfter = mark;
    }
    const bool pagePerArea =
        m_def.m_nListType == LIST_HTML && m_def.m_bIndexed && m_def.m_nSelection != SEL_POPULAR;
    if (pagePerArea) return;
    if (OpenOutput(m_def.m_nListType == LIST_FILE)) WriteHeader();
}

bool CListRun::OpenOutput(bool useListName) {
    // A bulletin is stored under the list's name, checked here before anything is written.
    if (m_def.m_nListType == LIST_BULLETIN && CConfig::HasControlCharacter(m_def.m_strListName)) {
        Fail("the bulletin name " + CMessageText::Quote(m_def.m_strListName) +
             " holds a control character; rename the list");
        return false;
    }
    std::string path;
    if (useListName) {
        // The list file is named after the list, inside the run's directory.
        if (!CConfig::IsPlainFileName(m_def.m_strListName)) {
            Fail("the list name " + CMessageText::Quote(m_def.m_strListName) +
                 " cannot be used as a file name; rename the list");
            return false;
        }
        path = m_strTempDir + CCodePage::ToUtf8(m_def.m_strListName);
    } else {
        path = CTempDir::UniqueFile(m_strTempDir);
        if (path.empty()) {
            Fail("cannot create a temporary file in " + m_strTempDir + ": " + std::strerror(errno));
            return false;
        }
    }
    std::string error;
    std::unique_ptr<IByteSink> sink =
        m_sinkFactory ? m_sinkFactory(path, &error) : CFileSink::Create(path, &error);
    if (!sink) {
        Fail(error.empty() ? "cannot create " + path : error);
        return false;
    }
    if (useListName) sink = DeflateAlongside(std::move(sink));
    // Modern pages declare UTF-8; everything written to them is Windows-1252.
    if (m_def.m_nListType == LIST_HTML && m_def.m_nTheme == THEME_MODERN)
        sink = std::make_unique<CUtf8Sink>(std::move(sink));
    if (m_def.m_nListType != LIST_HTML && (m_pUtf8Copy = CUtf8Copy::For(*this)))
        if (auto tap = m_pUtf8Copy->Tap())
            sink = std::make_unique<CTeeSink>(std::move(sink), std::move(tap));
    m_strTempFile = path;
    m_pOutFile = std::make_unique<CTextStream>(std::move(sink), path);
    return true;
}

std::unique_ptr<IByteSink> CListRun::DeflateAlongside(std::unique_ptr<IByteSink> sink) {
    // A File list zipped by the internal writer is deflated on a second core during the
    // walk, which is otherwise spent waiting; the archive then only copies the stream.
    const bool zipped = std::any_of(m_def.m_zipFiles.begin(), m_def.m_zipFiles.end(),
                                    [](const ZipRec& z) { return z.m_nZipFlags & ZIP_INTERNAL; });
    if (!zipped) return sink;
    const std::string path = CTempDir::UniqueFile(m_strTempDir, "QVZ");
    if (path.empty()) return sink;
    auto deflated = std::make_shared<CDeflatedData>();
    std::unique_ptr<CBackgroundDeflater> deflater;
    try {
        deflater = std::make_unique<CBackgroundDeflater>(path, 9, deflated);
    } catch (const std::system_error&) {
        // No thread to spare: the ZIP writer deflates the list itself after the walk.
        ::unlink(path.c_str());
        return sink;
    }
    m_pDeflated = std::move(deflated);
    return std::make_unique<CTeeSink>(std::move(sink), std::move(deflater));
}

bool CListRun::CloseOutput() {
    if (!m_pOutFile) return !Failed();
    const bool ok = m_pOutFile->Close();
    if (!ok) Fail(m_pOutFile->Error());
    m_pOutFile.reset();
    return ok;
}

void CListRun::OfferFile(const CFileEntry& entry, bool inListFileSet) {
    if (Failed()) return;
    if (!m_areaSet.count(entry.GetArea())) return;
    if (m_def.m_nSelection == SEL_DAYS && entry.GetUploaded() < m_dtCutoff) return;
    if (m_newAfter && entry.GetUploaded() <= *m_newAfter) return;
    if (entry.IsPassworded() && !m_def.m_bPassworded) return;
    if (entry.IsScanFailed() && !m_def.m_bScanFailed) return;
    if (entry.IsFree() && !m_def.m_bFree) return;
    if ((m_def.m_nOptions & OPT_SKIPLIST) && inListFileSet) return;

    if (m_def.m_nSelection == SEL_POPULAR)
        m_ranking.Offer(entry);
    else
        WriteEntry(entry);
}

void CListRun::WriteHeader() {
    if (Failed()) return;
    switch (m_def.m_nListType) {
        case LIST_FILE:
        case LIST_MESSAGE:
            CTextListWriter::WritePlainHeader(*this);
            break;
        case LIST_BULLETIN:
            CTextListWriter::WriteColourHeader(*this);
            break;
        case LIST_HTML:
            CHtmlListWriter::WriteHtmlHeader(*this);
            break;
        default:
            break;
    }
}

void CListRun::WriteEntry(const CFileEntry& entry) {
    if (Failed()) return;
    m_dtNewest = std::max(m_dtNewest, entry.GetUploaded());
    switch (m_def.m_nListType) {
        case LIST_FILE:
        case LIST_MESSAGE:
            CTextListWriter::WritePlainEntry(*this, entry);
            break;
        case LIST_BULLETIN:
            CTextListWriter::WriteColourEntry(*this, entry);
            break;
        case LIST_HTML:
            CHtmlListWriter::WriteHtmlEntry(*this, entry);
            break;
        default:
            break;
    }
}

void CListRun::WriteFooter() {
    if (Failed()) return;
    switch (m_def.m_nListType) {
        case LIST_FILE:
        case LIST_MESSAGE:
        case LIST_BULLETIN:
            CTextListWriter::WriteTextFooter(*this);
            break;
        case LIST_HTML:
            CHtmlListWriter::WriteHtmlFooter(*this);
            break;
        default:
            break;
    }
}

void CListRun::FinishOutput() {
    const FinishedList list = Finish();
    if (m_announced || Failed()) return;
    m_announced = true;
    if (m_publisher) m_started = m_publisher->ListWritten(list);
}

bool CListRun::EndList() {
    FinishOutput();
    const FinishedList list = Finish();
    // Nothing half-written is published; the run's directory is removed at the end.
    if (Failed()) {
        m_pUtf8Copy.reset();
        return false;
    }
    if (NewOnly() && m_nEntryCount == 0) {
        // Nothing new: no empty message or bulletin, and the mark and the copy stay.
        if (m_observer)
            m_observer->SetStatus("List \"" + m_def.m_strListName + "\": " +
                                  (m_newAfter ? "no files new since " +
                                                    CDateTime::FormatDate(*m_newAfter) + " " +
                                                    CDateTime::FormatShortTime(*m_newAfter)
                                              : std::string("no files")) +
                                  "; nothing posted.");
        ::unlink((m_strTempDir + list.file).c_str());
        m_pUtf8Copy.reset();
        return true;
    }
    if (m_publisher) AfterPublish(m_publisher->Publish(list));
    m_pUtf8Copy.reset();
    return !Failed();
}

void CListRun::AfterPublish(bool published) {
    // A message without entries is not posted; a cancel may have stopped the post.
    const bool wentOut = published && !Failed() && !Cancelled() &&
                         !(m_def.m_nListType == LIST_MESSAGE && m_nEntryCount == 0);
    std::string error;
    // Only a real post moves the mark; a preview shows what would be posted.
    if (wentOut && NewOnly() && m_pMarks && m_strPreviewDir.empty() &&
        !m_pMarks->Save(m_def, m_dtNewest, &error))
        Fail(error);
    if (wentOut && m_pUtf8Copy) {
        const CStopRequest::Gate gate = PublishGate();
        if (gate && !m_pUtf8Copy->Commit()) Fail(m_pUtf8Copy->Error());
    }
}

FinishedList CListRun::Finish() {
    if (m_outputFinished) return Finished(m_outputName);
    m_outputFinished = true;
    if (m_def.m_nSelection == SEL_POPULAR) {
        m_ranking.ForEachRanked([this](const CFileEntry& entry) { WriteEntry(entry); });
    }
    WriteFooter();

    std::string name;
    if (m_pOutFile) name = m_pOutFile->FileName();
    CloseOutput();
    // An indexed set's own name goes to its index page, made once every area page is done.
    if (m_def.m_nListType == LIST_HTML && CHtmlListWriter::SplitsIntoAreas(*this))
        name = Failed() ? std::string() : CHtmlListWriter::WriteIndexPage(*this);
    m_outputName = name;
    // The feed and the catalogue, complete now that every entry is known, go with the pages.
    m_sidePages.clear();
    for (CSideFile* side :
         {static_cast<CSideFile*>(m_pAtom.get()), static_cast<CSideFile*>(m_pJson.get())}) {
        std::string temp;
        if (side && !Failed() && side->Finish(*this, &temp))
            m_sidePages.push_back({temp, side->FileName()});
    }
    return Finished(name);
}

FinishedList CListRun::Finished(const std::string& fileName) {
    FinishedList list{.def = m_def,
                      .report = *this,
                      .dir = m_strTempDir,
                      .file = fileName,
                      .entryCount = m_nEntryCount,
                      .deflated = m_pDeflated.get(),
                      .pages = {},
                      .previewDir = m_strPreviewDir,
                      .observer = m_observer,
                      .stop = m_stop,
                      .commandTimeout = m_options.commandTimeout,
                      .started = m_started.get()};
    for (size_t i = 0; i < m_indexPages.size(); ++i)
        list.pages.push_back(
            {m_indexPages[i], CHtmlListWriter::AreaPageName(m_indexAreas[i], m_def.m_strListName)});
    list.pages.insert(list.pages.end(), m_sidePages.begin(), m_sidePages.end());
    return list;
}

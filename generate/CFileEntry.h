// The program's view of one server file record, every printed field already formatted.
// As a cursor it walks the records in the server's key order; copies carry the values.
#pragma once

#include <cstdint>
#include <ctime>
#include <string>

#include "server/WcServer.h"

class CFileEntry {
public:
    CFileEntry() = default;
    virtual ~CFileEntry() = default;
    CFileEntry(const CFileEntry&) = default;
    CFileEntry& operator=(const CFileEntry&) = default;

    // Binds libwcsrv2.so when the server is new enough (once per process).
    static void BindExtendedLibrary();

    // First record at or after (area, name); 0 when there is none (entry unchanged) or when
    // the board could not be read (the server library's last error says which).
    int Search(uint32_t area, const char* name);
    // The following record in key 1 order; 0 at the end (entry unchanged) or on a read error.
    int Next();
    // Builds every field from the record buffers.
    void Fill(const WcFileRecord& rec, const WcExtFileRecord* ext);

    const std::string& GetName() const { return m_strName; }
    std::string GetShortName() const { return m_strName.substr(0, 12); }
    const std::string& GetDescription() const { return m_strDescription; }
    const std::string& GetDescLine(int i) const { return m_strDescLine[i]; }
    const std::string& GetFlag() const { return m_strFlag; }
    uint32_t GetSize() const { return static_cast<uint32_t>(m_nSize); }
    const std::string& GetDate() const { return m_strDate; }
    const std::string& GetTime() const { return m_strTime; }
    const std::string& GetLastDate() const { return m_strLastDate; }
    const std::string& GetLastTime() const { return m_strLastTime; }
    const std::string& GetDownloadsText() const { return m_strDownloads; }
    const std::string& GetAreaText() const { return m_strArea; }
    const std::string& GetUploader() const { return m_strUploader; }
    int GetArea() const { return m_nArea; }
    uint32_t GetDownloads() const { return m_nDownloads; }
    time_t GetUploaded() const { return m_dtUploaded; }
    time_t GetLastDownload() const { return m_dtLastDownload; }
    // The record's own name (an entry built without one has only its shown name).
    const std::string& GetFileName() const {
        return m_strFileName.empty() ? m_strName : m_strFileName;
    }
    bool IsPassworded() const { return m_bHasPassword; }
    bool IsScanFailed() const { return m_bFailedScan; }
    bool IsFree() const { return m_bIsFree; }
    bool HasLongDesc() const { return m_bLongDesc; }

    // Fields, public so that tests and writers' fixtures can build entries directly.
    std::string m_strName;
    std::string m_strFileName;  // the record's own (short) name; m_strName may be the long one
    std::string m_strDescription;
    std::string m_strDescLine[WC_LONGDESC_LINES];
    std::string m_strFlag;
    int32_t m_nSize = 0;
    std::string m_strDate;
    std::string m_strTime;
    std::string m_strLastDate;
    std::string m_strLastTime;
    std::string m_strDownloads;
    std::string m_strArea;
    std::string m_strUploader;
    int m_nArea = 0;
    uint32_t m_nDownloads = 0;
    time_t m_dtUploaded = 0;      // local date-time of the upload, as seconds since 1970
    time_t m_dtLastDownload = 0;  // 0: never downloaded
    bool m_bHasPassword = false;
    bool m_bFailedScan = false;
    bool m_bIsFree = false;
    bool m_bLongDesc = false;
    bool m_bExtended = false;

private:
    int Deliver(int rc, bool extended);
    // Position tokens of the two libraries; meaningful only for the walk's cursor.
    uint32_t m_tid1 = 0;
    uint32_t m_tid2 = 0;
};

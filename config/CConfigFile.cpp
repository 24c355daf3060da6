#include "config/CConfigFile.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "QvBuild.h"
#include "config/CArchiveReader.h"
#include "config/CArchiveWriter.h"
#include "io/IByteSink.h"

namespace {

// The process's umask, read without changing it (umask() can only set it, and another thread
// could create a file in between).
mode_t CurrentUmask() {
    if (FILE* status = std::fopen("/proc/self/status", "re")) {
        char line[256];
        unsigned mask = 0;
        bool found = false;
        while (!found && std::fgets(line, sizeof line, status))
            found = std::sscanf(line, "Umask: %o", &mask) == 1;
        std::fclose(status);
        if (found) return static_cast<mode_t>(mask);
    }
    const mode_t mask = umask(022);
    umask(mask);
    return mask;
}

enum class Form { V1, V2, V21, Unknown };

// The smallest record of each form (every string empty, every count 0), so that counts in the
// file can be checked against the bytes that are left before anything is read or reserved.
constexpr uint64_t kMinRecordV1 = 14 * 4 + 6;  // 14 ints, counts and the float; 6 strings
constexpr uint64_t kMinZipRecord = 4 + 4;      // 4 strings and an int (forms 1 and 2)
constexpr uint64_t kMinZipRecordV21 = kMinZipRecord + 1 + 4;

// The version field decides the form; the comparisons are made in double precision on the
// single-precision value, so 2.1f (2.0999999...) is form 2.1 and anything from just above 1.99
// to just below 2.01 is form 2.
Form Classify(float version) {
    const double v = version;
    if (v == 1.0) return Form::V1;
    if (std::trunc((v - 2.0) * 100) == 0) return Form::V2;
    if (std::trunc((v - 2.1) * 100) == 0) return Form::V21;
    return Form::Unknown;
}

std::string VersionText(float version) {
    char text[32];
    std::snprintf(text, sizeof text, "%g", static_cast<double>(version));
    return text;
}

class CRecordReader {
public:
    explicit CRecordReader(CArchiveReader& ar) : m_ar(ar) {}
    void Int(int& field) {
        int32_t value;
        if (m_ar.ReadInt(&value)) field = value;
    }
    void Str(std::string& field) { m_ar.ReadString(&field); }

private:
    CArchiveReader& m_ar;
};

// Reads one list definition into `rec`, which holds the defaults on entry. Returns false with
// `unknownVersion` set for a version this program cannot read; otherwise false means `ar`
// has failed and says why.
bool ReadRecord(CArchiveReader& ar, COutRec& rec, bool* unknownVersion) {
    *unknownVersion = false;
    float version;
    if (!ar.ReadFloat(&version)) return false;
    const Form form = Classify(version);
    if (form == Form::Unknown) {
        rec.m_fVersion = version;
        *unknownVersion = true;
        return false;
    }
    rec.m_fVersion = version;
    CRecordReader r(ar);
    r.Int(rec.m_nListType);
    r.Int(rec.m_nSelection);
    r.Str(rec.m_strListName);
    r.Int(rec.m_nFileArea);
    r.Str(rec.m_strListDesc);
    r.Int(rec.m_nDays);
    r.Int(rec.m_nConference);
    r.Str(rec.m_strFrom);
    r.Str(rec.m_strTo);
    r.Str(rec.m_strSubject);
    r.Str(rec.m_strLanguage);
    r.Int(rec.m_nLayout);
    r.Int(rec.m_bPassworded);
    r.Int(rec.m_bScanFailed);
    r.Int(rec.m_bFree);
    r.Int(rec.m_nOptions);
    r.Int(rec.m_nTopCount);
    if (form != Form::V1) {
        r.Str(rec.m_strHtmlDir);
        r.Int(rec.m_bDefFooter);
        r.Int(rec.m_bDefHeader);
        r.Int(rec.m_bDefTitle);
        r.Int(rec.m_bDefAreaHeader);
        r.Int(rec.m_bDefAreaFooter);
        r.Str(rec.m_strFooter);
        r.Str(rec.m_strHeader);
        r.Str(rec.m_strTitle);
        r.Str(rec.m_strBgColour);
        r.Str(rec.m_strBgImage);
        r.Str(rec.m_strAreaHeader);
        r.Str(rec.m_strAreaFooter);
        r.Str(rec.m_strALinkColour);
        r.Str(rec.m_strLinkColour);
        r.Str(rec.m_strTextColour);
        r.Str(rec.m_strVLinkColour);
    }

    uint32_t zipCount = 0;
    if (!ar.ReadCount(&zipCount)) return false;
    const uint64_t minZip = form == Form::V21 ? kMinZipRecordV21 : kMinZipRecord;
    if (zipCount > ar.Remaining() / minZip) {
        ar.Fail("the count of " + std::to_string(zipCount) +
                " compressed files is larger than the rest of the file can hold");
        return false;
    }
    rec.m_zipFiles.clear();
    for (uint32_t i = 0; i < zipCount && !ar.Failed(); ++i) {
        // Compressed-file records follow the form of their list definition; what a form
        // lacks keeps the defaults.
        ZipRec zip;
        zip.m_fZipVersion = version;
        r.Str(zip.m_strZipName);
        r.Str(zip.m_strZipSpare);
        r.Str(zip.m_strCommand);
        r.Int(zip.m_nZipArea);
        r.Str(zip.m_strZipDesc);
        if (form == Form::V21) {
            r.Str(zip.m_strZipComment);
            r.Int(zip.m_nZipFlags);
        }
        if (!ar.Failed()) rec.m_zipFiles.push_back(std::move(zip));
    }

    uint32_t areaCount = 0;
    if (!ar.ReadCount(&areaCount)) return false;
    if (areaCount > ar.Remaining() / 4) {
        ar.Fail("the count of " + std::to_string(areaCount) +
                " file areas is larger than the rest of the file can hold");
        return false;
    }
    rec.m_areas.clear();
    rec.m_areas.reserve(areaCount);
    for (uint32_t i = 0; i < areaCount; ++i) {
        uint32_t area;
        if (!ar.ReadCount(&area)) return false;
        rec.m_areas.push_back(static_cast<int32_t>(area));
    }

    if (form != Form::V1) {
        r.Str(rec.m_strEntryTemplate);
        r.Int(rec.m_bDefEntry);
        r.Int(rec.m_bIndexed);
        r.Str(rec.m_strIndexHeader);
        r.Str(rec.m_strIndexFooter);
        r.Int(rec.m_bDefIndexHeader);
        r.Int(rec.m_bDefIndexFooter);
        r.Int(rec.m_nLinkKind);
        r.Str(rec.m_strServer);
        r.Int(rec.m_bLocalLinks);
    }
    if (form == Form::V21) r.Str(rec.m_strStyleSheet);
    return !ar.Failed();
}

void WriteRecord(CArchiveWriter& ar, const COutRec& rec) {
    ar.WriteFloat(kCurrentListVersion);
    ar.WriteInt(rec.m_nListType);
    ar.WriteInt(rec.m_nSelection);
    ar.WriteString(rec.m_strListName);
    ar.WriteInt(rec.m_nFileArea);
    ar.WriteString(rec.m_strListDesc);
    ar.WriteInt(rec.m_nDays);
    ar.WriteInt(rec.m_nConference);
    ar.WriteString(rec.m_strFrom);
    ar.WriteString(rec.m_strTo);
    ar.WriteString(rec.m_strSubject);
    ar.WriteString(rec.m_strLanguage);
    ar.WriteInt(rec.m_nLayout);
    ar.WriteInt(rec.m_bPassworded);
    ar.WriteInt(rec.m_bScanFailed);
    ar.WriteInt(rec.m_bFree);
    ar.WriteInt(rec.m_nOptions);
    ar.WriteInt(rec.m_nTopCount);
    ar.WriteString(rec.m_strHtmlDir);
    ar.WriteInt(rec.m_bDefFooter);
    ar.WriteInt(rec.m_bDefHeader);
    ar.WriteInt(rec.m_bDefTitle);
    ar.WriteInt(rec.m_bDefAreaHeader);
    ar.WriteInt(rec.m_bDefAreaFooter);
    ar.WriteString(rec.m_strFooter);
    ar.WriteString(rec.m_strHeader);
    ar.WriteString(rec.m_strTitle);
    ar.WriteString(rec.m_strBgColour);
    ar.WriteString(rec.m_strBgImage);
    ar.WriteString(rec.m_strAreaHeader);
    ar.WriteString(rec.m_strAreaFooter);
    ar.WriteString(rec.m_strALinkColour);
    ar.WriteString(rec.m_strLinkColour);
    ar.WriteString(rec.m_strTextColour);
    ar.WriteString(rec.m_strVLinkColour);
    ar.WriteCount(static_cast<uint32_t>(rec.m_zipFiles.size()));
    for (const ZipRec& zip : rec.m_zipFiles) {
        ar.WriteString(zip.m_strZipName);
        ar.WriteString(zip.m_strZipSpare);
        ar.WriteString(zip.m_strCommand);
        ar.WriteInt(zip.m_nZipArea);
        ar.WriteString(zip.m_strZipDesc);
        ar.WriteString(zip.m_strZipComment);
        ar.WriteInt(zip.m_nZipFlags);
    }
    ar.WriteCount(static_cast<uint32_t>(rec.m_areas.size()));
    for (int32_t area : rec.m_areas) ar.WriteInt(area);
    ar.WriteString(rec.m_strEntryTemplate);
    ar.WriteInt(rec.m_bDefEntry);
    ar.WriteInt(rec.m_bIndexed);
    ar.WriteString(rec.m_strIndexHeader);
    ar.WriteString(rec.m_strIndexFooter);
    ar.WriteInt(rec.m_bDefIndexHeader);
    ar.WriteInt(rec.m_bDefIndexFooter);
    ar.WriteInt(rec.m_nLinkKind);
    ar.WriteString(rec.m_strServer);
    ar.WriteInt(rec.m_bLocalLinks);
    ar.WriteString(rec.m_strStyleSheet);
}

// The temporary file of a save.
class CDescriptorSink : public IByteSink {
public:
    explicit CDescriptorSink(int fd) : m_fd(fd) {}
    bool Write(const char* data, size_t size) override {
        while (size > 0) {
            const ssize_t n = ::write(m_fd, data, size);
            if (n < 0 && errno == EINTR) continue;
            if (n <= 0) {
                m_error = n < 0 ? std::strerror(errno) : "nothing could be written";
                return false;
            }
            data += n;
            size -= static_cast<size_t>(n);
        }
        return true;
    }
    bool Close() override {
        if (fsync(m_fd) != 0) m_error = std::strerror(errno);
        if (::close(m_fd) != 0 && m_error.empty()) m_error = std::strerror(errno);
        m_fd = -1;
        return m_error.empty();
    }
    std::string Error() const override { return m_error; }

private:
    int m_fd;
    std::string m_error;
};

std::string Damaged(const std::string& name, const std::string& what) {
    return "The configuration file " + name + " is damaged: " + what +
           ". Rename or remove it to start with an empty configuration, or put back a copy "
           "that works.";
}

}  // namespace

std::string CConfigFile::DefaultPath() {
    if (const char* env = std::getenv("QUORVANE_CONFIG"); env && *env) return env;
    if (*QV_DEFAULT_CONFIG) return QV_DEFAULT_CONFIG;
    char exe[4096];
    const ssize_t n = readlink("/proc/self/exe", exe, sizeof exe - 1);
    if (n <= 0) return "Quorvane.cfg";
    const std::string path(exe, static_cast<size_t>(n));
    const size_t slash = path.rfind('/');
    if (slash == std::string::npos) return "Quorvane.cfg";
    return path.substr(0, slash + 1) + "Quorvane.cfg";
}

CConfigFile::LoadResult CConfigFile::Load(const std::string& path, CConfig& config,
                                          std::string* error) {
    // Non-blocking, so that a FIFO in its place cannot stall the start-up before its type
    // is known; a regular file reads the same either way.
    const int fd = open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
    if (fd < 0) {
        const int err = errno;
        if (error) {
            *error = "The configuration file " + path + " cannot be read: " + std::strerror(err);
        }
        // Only a file that is not there means "nothing configured yet"; one that exists but
        // cannot be read must not pass for an empty configuration.
        if (err == ENOENT || err == ENOTDIR) return LoadResult::Missing;
        if (error) {
            *error +=
                ". Make it readable for the user that runs Quorvane, or rename or "
                "remove it to start with an empty configuration.";
        }
        return LoadResult::Damaged;
    }
    struct stat st;
    if (fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
        close(fd);
        if (error) *error = Damaged(path, "it is not a regular file");
        return LoadResult::Damaged;
    }
    CArchiveReader ar(fd, static_cast<uint64_t>(st.st_size));
    const LoadResult result = Read(ar, path, config, error);
    close(fd);
    return result;
}

CConfigFile::LoadResult CConfigFile::Read(CArchiveReader& ar, const std::string& name,
                                          CConfig& config, std::string* error) {
    auto damaged = [&](const std::string& where) {
        if (error) *error = Damaged(name, where + ar.Error());
        return LoadResult::Damaged;
    };
    uint32_t count;
    if (!ar.ReadCount(&count)) return damaged("");
    if (ar.Remaining() == 0 || count > (ar.Remaining() - 1) / kMinRecordV1) {
        ar.Fail("it claims " + std::to_string(count) +
                " list definitions, more than the rest of the file can hold");
        return damaged("");
    }

    // Everything is read aside first, so that a damaged file leaves `config` as it was.
    // The scratch definition starts from the defaults for every record: a version 1 record
    // lacks the HTML settings and must not inherit them from a newer record before it.
    const COutRec defaults;
    COutRec scratch;
    std::vector<COutRec> lists;
    for (uint32_t i = 0; i < count; ++i) {
        scratch = defaults;
        bool unknownVersion;
        if (!ReadRecord(ar, scratch, &unknownVersion)) {
            const std::string which =
                "list definition " + std::to_string(i + 1) + " of " + std::to_string(count);
            if (!unknownVersion) return damaged(which + ": ");
            if (error) {
                *error = "The configuration file " + name + " holds " + which +
                         " in format version " + VersionText(scratch.m_fVersion) +
                         ", which this version of Quorvane cannot read.";
            }
            return LoadResult::UnknownVersion;
        }
        lists.push_back(scratch);
    }
    std::string headerLines;
    if (!ar.ReadString(&headerLines)) return damaged("the additional header lines: ");
    // Bytes after the header text are ignored.

    config.m_lists.insert(config.m_lists.end(), lists.begin(), lists.end());
    config.m_strHeaderLines = std::move(headerLines);
    return LoadResult::Loaded;
}

bool CConfigFile::Write(IByteSink& sink, const CConfig& config, std::string* error) {
    CArchiveWriter ar(sink);
    ar.WriteCount(static_cast<uint32_t>(config.m_lists.size()));
    for (const COutRec& rec : config.m_lists) WriteRecord(ar, rec);
    ar.WriteString(config.m_strHeaderLines);
    if (ar.Flush()) return true;
    if (error) *error = ar.Error();
    return false;
}

bool CConfigFile::Save(const std::string& path, const CConfig& config, std::string* error) {
    auto fail = [&](const std::string& why) {
        if (error) {
            *error = "Could not save the configuration file " + path + ": " + why +
                     ". The previous file was left as it was.";
        }
        return false;
    };
    // Replace the file a symbolic link points to, not the link.
    std::string target = path;
    if (char* real = realpath(path.c_str(), nullptr)) {
        target = real;
        std::free(real);
    }
    const size_t slash = target.rfind('/');
    const std::string dir =
        slash == std::string::npos ? "." : (slash == 0 ? "/" : target.substr(0, slash));

    std::string temp = target + ".XXXXXX";
    const int fd = mkostemp(temp.data(), O_CLOEXEC);
    if (fd < 0)
        return fail(std::string("cannot create a file in ") + dir + ": " + std::strerror(errno));
    struct stat st;
    // A new file follows the umask, as any file the program creates; a replaced one keeps its mode.
    const mode_t mode =
        stat(target.c_str(), &st) == 0 ? (st.st_mode & 07777) : (0666 & ~CurrentUmask());
    fchmod(fd, mode);

    CDescriptorSink sink(fd);
    std::string why;
    const bool written = Write(sink, config, &why);
    const bool closed = sink.Close();
    if (!written || !closed) {
        unlink(temp.c_str());
        return fail(written ? sink.Error() : why);
    }
    if (rename(temp.c_str(), target.c_str()) != 0) {
        const std::string reason = std::strerror(errno);
        unlink(temp.c_str());
        return fail(reason);
    }
    // Make the rename itself durable.
    const int dirFd = open(dir.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (dirFd >= 0) {
        fsync(dirFd);
        close(dirFd);
    }
    return true;
}

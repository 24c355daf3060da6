#include "config/CConfigFile.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <span>

#include "QvBuild.h"
#include "config/CArchiveReader.h"
#include "config/CArchiveWriter.h"
#include "io/CFileDescriptor.h"
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

// The smallest a record of a form can be (every string empty, every count 0), so that counts
// in the file can be checked against the bytes that are left before anything is read or
// reserved.
template <typename Record>
uint64_t MinSize(std::span<const StoredField<Record>> fields, int form) {
    uint64_t size = 0;
    for (const auto& field : fields) {
        const bool text = field.kind == FieldKind::Text || field.kind == FieldKind::Name;
        if (field.since <= form) size += text ? 1 : 4;
    }
    return size;
}

// The version field decides the form; the comparisons are made in double precision on the
// single-precision value, so 2.1f (2.0999999...) is form 2.1 and anything from just above 1.99
// to just below 2.01 is form 2; likewise around 2.2. 0 for a version this program cannot read.
int Classify(float version) {
    const double v = version;
    if (v == 1.0) return FORM_1;
    if (std::trunc((v - 2.0) * 100) == 0) return FORM_2;
    if (std::trunc((v - 2.1) * 100) == 0) return FORM_21;
    if (std::trunc((v - 2.2) * 100) == 0) return FORM_22;
    return 0;
}

std::string VersionText(float version) {
    char text[32];
    std::snprintf(text, sizeof text, "%g", static_cast<double>(version));
    return text;
}

// Reads one int or string field; after a failure, which sticks in `ar`, the field keeps its
// value.
template <typename Record>
void ReadSimple(CArchiveReader& ar, const StoredField<Record>& field, Record& rec) {
    if (field.number) {
        int32_t value;
        if (ar.ReadInt(&value)) rec.*field.number = value;
    } else if (field.text) {
        ar.ReadString(&(rec.*field.text));
    }
}

bool ReadZips(CArchiveReader& ar, int form, float version, CListFields& rec) {
    uint32_t count = 0;
    if (!ar.ReadCount(&count)) return false;
    if (count > ar.Remaining() / MinSize(ZipRec::Fields(), form)) {
        ar.Fail("the count of " + std::to_string(count) +
                " compressed files is larger than the rest of the file can hold");
        return false;
    }
    rec.m_zipFiles.clear();
    for (uint32_t i = 0; i < count && !ar.Failed(); ++i) {
        // Compressed-file records follow the form of their list definition; what a form
        // lacks keeps the defaults.
        ZipRec zip;
        zip.m_fZipVersion = version;
        for (const auto& field : ZipRec::Fields())
            if (field.since <= form) ReadSimple(ar, field, zip);
        if (!ar.Failed()) rec.m_zipFiles.push_back(std::move(zip));
    }
    return !ar.Failed();
}

bool ReadAreas(CArchiveReader& ar, CListFields& rec) {
    uint32_t count = 0;
    if (!ar.ReadCount(&count)) return false;
    if (count > ar.Remaining() / 4) {
        ar.Fail("the count of " + std::to_string(count) +
                " file areas is larger than the rest of the file can hold");
        return false;
    }
    rec.m_areas.clear();
    rec.m_areas.reserve(count);
    for (uint32_t i = 0; i < count; ++i) {
        uint32_t area;
        if (!ar.ReadCount(&area)) return false;
        rec.m_areas.push_back(static_cast<int32_t>(area));
    }
    return true;
}

// Reads one list definition into `rec`, which holds the defaults on entry. Returns false with
// `unknownVersion` set for a version this program cannot read; otherwise false means `ar`
// has failed and says why.
bool ReadRecord(CArchiveReader& ar, CListFields& rec, bool* unknownVersion) {
    *unknownVersion = false;
    float version;
    if (!ar.ReadFloat(&version)) return false;
    rec.m_fVersion = version;
    const int form = Classify(version);
    if (form == 0) {
        *unknownVersion = true;
        return false;
    }
    for (const auto& field : CListFields::Fields()) {
        if (field.since > form) continue;
        switch (field.kind) {
            case FieldKind::Version:
                break;  // read above
            case FieldKind::Zips:
                if (!ReadZips(ar, form, version, rec)) return false;
                break;
            case FieldKind::Areas:
                if (!ReadAreas(ar, rec)) return false;
                break;
            default:
                ReadSimple(ar, field, rec);
        }
    }
    return !ar.Failed();
}

template <typename Record>
void WriteSimple(CArchiveWriter& ar, const StoredField<Record>& field, const Record& rec) {
    if (field.number)
        ar.WriteInt(rec.*field.number);
    else if (field.text)
        ar.WriteString(rec.*field.text);
}

// Writes the record in the form its fields need: 2.1, or 2.2 when it uses a field of 2.2.
void WriteRecord(CArchiveWriter& ar, const CListFields& rec) {
    const float version = rec.WrittenVersion();
    const int form = Classify(version);
    for (const auto& field : CListFields::Fields()) {
        if (field.since > form) continue;
        switch (field.kind) {
            case FieldKind::Version:
                ar.WriteFloat(version);
                break;
            case FieldKind::Zips:
                ar.WriteCount(static_cast<uint32_t>(rec.m_zipFiles.size()));
                for (const ZipRec& zip : rec.m_zipFiles)
                    for (const auto& zipField : ZipRec::Fields())
                        if (zipField.since <= form) WriteSimple(ar, zipField, zip);
                break;
            case FieldKind::Areas:
                ar.WriteCount(static_cast<uint32_t>(rec.m_areas.size()));
                for (int32_t area : rec.m_areas) ar.WriteInt(area);
                break;
            default:
                WriteSimple(ar, field, rec);
        }
    }
}

// The temporary file of a save.
class CDescriptorSink : public IByteSink {
public:
    explicit CDescriptorSink(int fd) : m_fd(fd) {}
    bool Write(const char* data, size_t size) override {
        if (m_fd.WriteAll(data, size)) return true;
        m_error = std::strerror(errno);
        return false;
    }
    bool Close() override {
        if (fsync(m_fd.Get()) != 0) m_error = std::strerror(errno);
        if (!m_fd.Close() && m_error.empty()) m_error = std::strerror(errno);
        return m_error.empty();
    }
    std::string Error() const override { return m_error; }

private:
    CFileDescriptor m_fd;
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
    if (ar.Remaining() == 0 ||
        count > (ar.Remaining() - 1) / MinSize(CListFields::Fields(), FORM_1)) {
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

// A text-mode output file: every line feed written reaches the sink as CR LF, as the lists
// have always been written. The first failure is remembered and later writes are dropped,
// so writers need not check each write; the owner checks Failed() before publishing.
#pragma once

#include <memory>
#include <string>
#include <string_view>

#include "io/IByteSink.h"

class CTextStream {
public:
    CTextStream(std::unique_ptr<IByteSink> sink, std::string path);
    ~CTextStream();
    CTextStream(const CTextStream&) = delete;
    CTextStream& operator=(const CTextStream&) = delete;

    // A new file at `path` (created or truncated). Null when it cannot be created; `error`
    // then says why.
    static std::unique_ptr<CTextStream> CreateFile(const std::string& path, std::string* error);

    void Write(std::string_view text);
    // Flushes and closes the sink; false when anything was lost.
    bool Close();
    bool Failed() const { return m_failed; }
    const std::string& Error() const { return m_error; }
    const std::string& Path() const { return m_path; }
    // The path's last component.
    std::string FileName() const;

private:
    void Flush();

    std::unique_ptr<IByteSink> m_sink;
    std::string m_path;
    std::string m_buffer;
    bool m_failed = false;
    bool m_closed = false;
    std::string m_error;
};

#include "publish/CZipException.h"

#include <zlib.h>

namespace {

const char* Describe(int code) {
    switch (code) {
        case CZipException::STREAM_END:
            return "unexpected end of the compressed stream";
        case CZipException::NEED_DICT:
            return "the compressor asked for a dictionary";
        case CZipException::ERRNO_ERROR:
            return "the compressor reported a system error";
        case CZipException::STREAM_ERROR:
            return "inconsistent compressor state";
        case CZipException::DATA_ERROR:
            return "invalid compressed data";
        case CZipException::MEM_ERROR:
            return "not enough memory to compress";
        case CZipException::BUF_ERROR:
            return "the compressor made no progress";
        case CZipException::VERSION_ERROR:
            return "incompatible zlib version";
        case CZipException::NAME_TOO_LONG:
            return "an entry name is longer than 65,535 bytes";
        case CZipException::TOO_LARGE:
            return "the file or the archive is larger than a ZIP archive can describe (4 GiB)";
        default:
            return "compression error";
    }
}

}  // namespace

CZipException::CZipException(int code, std::string archivePath)
    : std::runtime_error(archivePath + ": " + Describe(code) + " (ZIP error " +
                         std::to_string(code) + ")"),
      m_nCode(code),
      m_strPath(std::move(archivePath)) {}

int CZipException::CodeFromZlib(int zlibResult) {
    switch (zlibResult) {
        case Z_STREAM_END:
            return STREAM_END;
        case Z_NEED_DICT:
            return NEED_DICT;
        case Z_ERRNO:
            return ERRNO_ERROR;
        case Z_STREAM_ERROR:
            return STREAM_ERROR;
        case Z_DATA_ERROR:
            return DATA_ERROR;
        case Z_MEM_ERROR:
            return MEM_ERROR;
        case Z_BUF_ERROR:
            return BUF_ERROR;
        case Z_VERSION_ERROR:
            return VERSION_ERROR;
        default:
            return GENERIC;
    }
}

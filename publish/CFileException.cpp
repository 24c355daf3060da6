#include "publish/CFileException.h"

#include <cstring>

CFileException::CFileException(const std::string& action, std::string path, int error)
    : std::runtime_error("cannot " + action + " " + path + ": " + std::strerror(error)),
      m_strPath(std::move(path)),
      m_nErrno(error) {}

#include "generate/CPostMarks.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <nlohmann/json.hpp>
#include <sstream>

#include "QvBuild.h"
#include "config/CCodePage.h"
#include "config/COutRec.h"
#include "io/CStagedFile.h"

namespace {

constexpr const char* kTimeFormat = "%Y-%m-%dT%H:%M:%SZ";

const char* TypeKey(const COutRec& def) {
    return def.m_nListType == LIST_BULLETIN ? "bulletin" : "message";
}

std::string FormatTime(time_t t) {
    struct tm utc {};
    gmtime_r(&t, &utc);
    char buf[32];
    std::strftime(buf, sizeof buf, kTimeFormat, &utc);
    return buf;
}

bool ParseTime(const std::string& text, time_t* t) {
    struct tm utc {};
    const char* end = strptime(text.c_str(), kTimeFormat, &utc);
    if (!end || *end) return false;
    *t = timegm(&utc);
    return true;
}

}  // namespace

std::string CPostMarks::PathFor(const std::string& configPath) {
    const size_t slash = configPath.find_last_of('/');
    std::string name = slash == std::string::npos ? configPath : configPath.substr(slash + 1);
    const size_t dot = name.find_last_of('.');
    if (dot != std::string::npos && dot > 0) name.erase(dot);
    name += ".state.json";
    // Installed, the configuration lives in /etc, which the service may not write; what the
    // program keeps between runs goes to its state directory.
    if (*QV_STATE_DIR) return std::string(QV_STATE_DIR) + "/" + name;
    return (slash == std::string::npos ? std::string() : configPath.substr(0, slash + 1)) + name;
}

bool CPostMarks::Load() {
    m_marks.clear();
    m_error.clear();
    std::ifstream in(m_path, std::ios::binary);
    if (!in) {
        if (errno == ENOENT) return true;
        m_error = "cannot read the state file " + m_path + ": " + std::strerror(errno);
        return false;
    }
    std::ostringstream text;
    text << in.rdbuf();
    const std::string damaged = "the state file " + m_path + " is damaged (";
    const std::string advice =
        "); remove it, and each list that posts only new files posts its whole selection once";
    try {
        const nlohmann::json json = nlohmann::json::parse(text.str());
        for (const auto& [type, lists] : json.at("newestPosted").items()) {
            for (const auto& [name, when] : lists.items()) {
                time_t t = 0;
                if (!ParseTime(when.get<std::string>(), &t)) {
                    m_error = damaged + "\"" + name + "\" has no time of the form " +
                              "2026-12-01T10:00:00Z" + advice;
                    return false;
                }
                m_marks[type][name] = t;
            }
        }
    } catch (const nlohmann::json::exception& e) {
        m_error = damaged + e.what() + advice;
        return false;
    }
    return true;
}

bool CPostMarks::Find(const COutRec& def, time_t* mark) const {
    const auto type = m_marks.find(TypeKey(def));
    if (type == m_marks.end()) return false;
    const auto list = type->second.find(CCodePage::ToUtf8(def.m_strListName));
    if (list == type->second.end()) return false;
    *mark = list->second;
    return true;
}

bool CPostMarks::Save(const COutRec& def, time_t mark, std::string* error) {
    m_marks[TypeKey(def)][CCodePage::ToUtf8(def.m_strListName)] = mark;
    nlohmann::json lists = nlohmann::json::object();
    for (const auto& [type, marks] : m_marks)
        for (const auto& [name, when] : marks) lists[type][name] = FormatTime(when);
    const std::string text = nlohmann::json{{"version", 1}, {"newestPosted", lists}}.dump(2) + "\n";
    std::string why;
    auto file = CStagedFile::Create(m_path, &why);
    if (file && !(file->Write(text.data(), text.size()) && file->Commit())) why = file->Error();
    if (file && why.empty()) return true;
    if (error)
        *error = "the list was posted, but the state file could not be written (" + why +
                 "), so the next run posts its files again";
    return false;
}

#include "tools/config/CConfigJson.h"

#include <charconv>
#include <cmath>
#include <limits>

#include "config/CCodePage.h"
#include "config/CMessageText.h"

using nlohmann::json;
using nlohmann::ordered_json;

namespace {

// The configuration nests five levels deep (lists, a list, its compressed files, one of
// them); deeper input is refused while it is read, before anything recursive meets it.
constexpr int kMaxDepth = 16;
struct TooDeep {};

// One stored field of a list definition: an int (flags included) or a string.
struct Field {
    const char* key;
    int COutRec::*number;
    std::string COutRec::*text;
};

// In the order of the stored fields; "version", "zipFiles" and "areas" are handled apart.
const Field kListFields[] = {
    {"listDesc", nullptr, &COutRec::m_strListDesc},
    {"listType", &COutRec::m_nListType, nullptr},
    {"selection", &COutRec::m_nSelection, nullptr},
    {"listName", nullptr, &COutRec::m_strListName},
    {"fileArea", &COutRec::m_nFileArea, nullptr},
    {"days", &COutRec::m_nDays, nullptr},
    {"conference", &COutRec::m_nConference, nullptr},
    {"from", nullptr, &COutRec::m_strFrom},
    {"to", nullptr, &COutRec::m_strTo},
    {"subject", nullptr, &COutRec::m_strSubject},
    {"language", nullptr, &COutRec::m_strLanguage},
    {"layout", &COutRec::m_nLayout, nullptr},
    {"passworded", &COutRec::m_bPassworded, nullptr},
    {"scanFailed", &COutRec::m_bScanFailed, nullptr},
    {"free", &COutRec::m_bFree, nullptr},
    {"options", &COutRec::m_nOptions, nullptr},
    {"topCount", &COutRec::m_nTopCount, nullptr},
    {"defFooter", &COutRec::m_bDefFooter, nullptr},
    {"defHeader", &COutRec::m_bDefHeader, nullptr},
    {"defTitle", &COutRec::m_bDefTitle, nullptr},
    {"defAreaHeader", &COutRec::m_bDefAreaHeader, nullptr},
    {"defAreaFooter", &COutRec::m_bDefAreaFooter, nullptr},
    {"defIndexHeader", &COutRec::m_bDefIndexHeader, nullptr},
    {"defIndexFooter", &COutRec::m_bDefIndexFooter, nullptr},
    {"defEntry", &COutRec::m_bDefEntry, nullptr},
    {"indexed", &COutRec::m_bIndexed, nullptr},
    {"linkKind", &COutRec::m_nLinkKind, nullptr},
    {"localLinks", &COutRec::m_bLocalLinks, nullptr},
    {"htmlDir", nullptr, &COutRec::m_strHtmlDir},
    {"footer", nullptr, &COutRec::m_strFooter},
    {"header", nullptr, &COutRec::m_strHeader},
    {"title", nullptr, &COutRec::m_strTitle},
    {"bgColour", nullptr, &COutRec::m_strBgColour},
    {"bgImage", nullptr, &COutRec::m_strBgImage},
    {"aLinkColour", nullptr, &COutRec::m_strALinkColour},
    {"linkColour", nullptr, &COutRec::m_strLinkColour},
    {"textColour", nullptr, &COutRec::m_strTextColour},
    {"vLinkColour", nullptr, &COutRec::m_strVLinkColour},
    {"areaHeader", nullptr, &COutRec::m_strAreaHeader},
    {"areaFooter", nullptr, &COutRec::m_strAreaFooter},
    {"entryTemplate", nullptr, &COutRec::m_strEntryTemplate},
    {"indexHeader", nullptr, &COutRec::m_strIndexHeader},
    {"indexFooter", nullptr, &COutRec::m_strIndexFooter},
    {"server", nullptr, &COutRec::m_strServer},
    {"styleSheet", nullptr, &COutRec::m_strStyleSheet},
    {"feeds", &COutRec::m_nFeeds, nullptr},
    {"feedCount", &COutRec::m_nFeedCount, nullptr},
    {"copyDir", nullptr, &COutRec::m_strCopyDir},
    {"newOnly", &COutRec::m_bNewOnly, nullptr},
    {"theme", &COutRec::m_nTheme, nullptr},
};

// The shortest decimal that reads back as the same float: 2.1, not 2.0999999046325684.
double VersionNumber(float version) {
    if (!std::isfinite(version)) return 0;
    char text[32];
    const auto end = std::to_chars(text, text + sizeof text, version).ptr;
    double value = 0;
    std::from_chars(text, end, value);
    return value;
}

// A value as it appears in an error line: short, and never the whole of a nested value.
std::string Shown(const json& value) {
    if (value.is_string()) return CMessageText::Quote(value.get_ref<const std::string&>());
    if (value.is_object()) return "an object";
    if (value.is_array()) return "an array";
    return CMessageText::Escape(value.dump());
}

// A key of the input inside the path of an error line.
std::string Key(const std::string& where, const std::string& key) {
    return where + "." + CMessageText::Escape(key);
}

class CJsonReader {
public:
    explicit CJsonReader(std::string* error) : m_error(error) {}

    bool Fail(const std::string& where, const std::string& what) {
        if (m_error) *m_error = where + ": " + what;
        return false;
    }
    bool Int(const json& value, const std::string& where, int* out) {
        if (value.is_boolean()) {
            *out = value.get<bool>() ? 1 : 0;
            return true;
        }
        if (value.is_number_integer()) {
            // Unsigned values arrive as number_unsigned, which is_number_integer includes.
            const bool fits = value.is_number_unsigned()
                                  ? value.get<uint64_t>() <= std::numeric_limits<int32_t>::max()
                                  : value.get<int64_t>() >= std::numeric_limits<int32_t>::min() &&
                                        value.get<int64_t>() <= std::numeric_limits<int32_t>::max();
            if (fits) {
                *out = static_cast<int>(value.get<int64_t>());
                return true;
            }
        }
        return Fail(where,
                    "expected a whole number from -2147483648 to 2147483647, got " + Shown(value));
    }
    bool Text(const json& value, const std::string& where, std::string* out) {
        if (!value.is_string()) return Fail(where, "expected a string, got " + Shown(value));
        if (!CCodePage::FromUtf8(value.get_ref<const std::string&>(), out)) {
            return Fail(where,
                        "holds a character that Windows-1252 cannot hold; use only "
                        "Western European characters");
        }
        return true;
    }
    // A name the board stores: a list file, bulletin or compressed file.
    bool Name(const json& value, const std::string& where, std::string* out) {
        if (!Text(value, where, out)) return false;
        if (CConfig::HasControlCharacter(*out)) {
            return Fail(where, "holds a control character (such as a line break) in " +
                                   Shown(value) + "; names must not hold any");
        }
        return true;
    }

    bool Zip(const json& value, const std::string& where, ZipRec* zip) {
        if (!value.is_object()) return Fail(where, "expected an object, got " + Shown(value));
        for (const auto& [key, item] : value.items()) {
            const std::string at = Key(where, key);
            bool ok;
            if (key == "zipDesc")
                ok = Text(item, at, &zip->m_strZipDesc);
            else if (key == "zipName")
                ok = Name(item, at, &zip->m_strZipName);
            else if (key == "zipSpare")
                ok = Text(item, at, &zip->m_strZipSpare);
            else if (key == "command")
                ok = Text(item, at, &zip->m_strCommand);
            else if (key == "zipArea")
                ok = Int(item, at, &zip->m_nZipArea);
            else if (key == "zipComment")
                ok = Text(item, at, &zip->m_strZipComment);
            else if (key == "zipFlags")
                ok = Int(item, at, &zip->m_nZipFlags);
            else
                ok = Fail(at, "unknown key");
            if (!ok) return false;
        }
        return true;
    }

    bool List(const json& value, const std::string& where, COutRec* rec) {
        if (!value.is_object()) return Fail(where, "expected an object, got " + Shown(value));
        for (const auto& [key, item] : value.items()) {
            const std::string at = Key(where, key);
            if (!ListItem(key, item, at, rec)) return false;
        }
        return true;
    }

private:
    bool ListItem(const std::string& key, const json& item, const std::string& at, COutRec* rec) {
        if (key == "version") {
            // Beyond the range of a float the conversion would be undefined.
            if (!item.is_number() ||
                !(std::fabs(item.get<double>()) <= std::numeric_limits<float>::max())) {
                return Fail(at, "expected a number such as 2.1, got " + Shown(item));
            }
            rec->m_fVersion = static_cast<float>(item.get<double>());
            return true;
        }
        if (key == "zipFiles") {
            if (!item.is_array()) return Fail(at, "expected an array, got " + Shown(item));
            rec->m_zipFiles.clear();
            for (size_t i = 0; i < item.size(); ++i) {
                ZipRec zip;
                if (!Zip(item[i], at + "[" + std::to_string(i) + "]", &zip)) return false;
                rec->m_zipFiles.push_back(std::move(zip));
            }
            return true;
        }
        if (key == "areas") {
            if (!item.is_array()) return Fail(at, "expected an array, got " + Shown(item));
            rec->m_areas.clear();
            for (size_t i = 0; i < item.size(); ++i) {
                int area;
                if (!Int(item[i], at + "[" + std::to_string(i) + "]", &area)) return false;
                rec->m_areas.push_back(area);
            }
            return true;
        }
        if (key == "listName") return Name(item, at, &rec->m_strListName);
        for (const Field& field : kListFields) {
            if (key != field.key) continue;
            return field.number ? Int(item, at, &(rec->*field.number))
                                : Text(item, at, &(rec->*field.text));
        }
        return Fail(at, "unknown key");
    }

    std::string* m_error;
};

}  // namespace

ordered_json CConfigJson::ToJson(const CConfig& config) {
    ordered_json lists = ordered_json::array();
    for (const COutRec& rec : config.m_lists) {
        ordered_json list;
        for (const Field& field : kListFields) {
            // The keys in the order of the stored fields, the three composite ones included.
            const std::string key = field.key;
            if (field.number) {
                list[key] = rec.*field.number;
            } else {
                list[key] = CCodePage::ToUtf8(rec.*field.text);
            }
            if (key == "listDesc") list["version"] = VersionNumber(rec.m_fVersion);
            if (key == "listName") {
                ordered_json zips = ordered_json::array();
                for (const ZipRec& zip : rec.m_zipFiles) {
                    zips.push_back({{"zipDesc", CCodePage::ToUtf8(zip.m_strZipDesc)},
                                    {"zipName", CCodePage::ToUtf8(zip.m_strZipName)},
                                    {"zipSpare", CCodePage::ToUtf8(zip.m_strZipSpare)},
                                    {"command", CCodePage::ToUtf8(zip.m_strCommand)},
                                    {"zipArea", zip.m_nZipArea},
                                    {"zipComment", CCodePage::ToUtf8(zip.m_strZipComment)},
                                    {"zipFlags", zip.m_nZipFlags}});
                }
                list["zipFiles"] = std::move(zips);
            }
            if (key == "language") list["areas"] = rec.m_areas;
        }
        lists.push_back(std::move(list));
    }
    ordered_json out;
    out["headerLines"] = CCodePage::ToUtf8(config.m_strHeaderLines);
    out["lists"] = std::move(lists);
    return out;
}

bool CConfigJson::FromJson(const json& value, CConfig* config, std::string* error) {
    CJsonReader reader(error);
    if (!value.is_object()) return reader.Fail("the top level", "expected an object");
    CConfig result;
    for (const auto& [key, item] : value.items()) {
        if (key == "headerLines") {
            if (!reader.Text(item, key, &result.m_strHeaderLines)) return false;
        } else if (key == "lists") {
            if (!item.is_array()) return reader.Fail(key, "expected an array, got " + Shown(item));
            for (size_t i = 0; i < item.size(); ++i) {
                COutRec rec;
                if (!reader.List(item[i], "lists[" + std::to_string(i) + "]", &rec)) return false;
                result.m_lists.push_back(rec);
            }
        } else {
            return reader.Fail(CMessageText::Escape(key), "unknown key");
        }
    }
    *config = std::move(result);
    return true;
}

bool CConfigJson::FromText(const std::string& text, CConfig* config, std::string* error) {
    json value;
    try {
        value = json::parse(text, [](int depth, json::parse_event_t event, json&) {
            if (depth >= kMaxDepth && (event == json::parse_event_t::object_start ||
                                       event == json::parse_event_t::array_start)) {
                throw TooDeep{};
            }
            return true;
        });
    } catch (const TooDeep&) {
        if (error) {
            *error = "not valid JSON for a configuration: values nest more than " +
                     std::to_string(kMaxDepth) + " levels deep";
        }
        return false;
    } catch (const json::exception& e) {
        // Not only syntax: a number too large for any JSON number type is out_of_range.
        if (error) *error = "not valid JSON: " + CMessageText::ParserMessage(e.what());
        return false;
    }
    return FromJson(value, config, error);
}

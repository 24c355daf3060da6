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

// The int or text of one field.
template <typename Record>
ordered_json SimpleValue(const StoredField<Record>& field, const Record& rec) {
    if (field.number) return rec.*field.number;
    return CCodePage::ToUtf8(rec.*field.text);
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

    // One key of a record: an int, a text or a name by its row in the field table.
    template <typename Record>
    bool Simple(const StoredField<Record>& field, const json& item, const std::string& at,
                Record* rec) {
        switch (field.kind) {
            case FieldKind::Int:
                return Int(item, at, &(rec->*field.number));
            case FieldKind::Name:
                return Name(item, at, &(rec->*field.text));
            default:
                return Text(item, at, &(rec->*field.text));
        }
    }

    bool Zip(const json& value, const std::string& where, ZipRec* zip) {
        if (!value.is_object()) return Fail(where, "expected an object, got " + Shown(value));
        for (const auto& [key, item] : value.items()) {
            const std::string at = Key(where, key);
            const auto* field = Find(ZipRec::Fields(), key);
            if (!field) return Fail(at, "unknown key");
            if (!Simple(*field, item, at, zip)) return false;
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
    template <typename Record>
    static const StoredField<Record>* Find(std::span<const StoredField<Record>> fields,
                                           const std::string& key) {
        for (const auto& field : fields)
            if (key == field.key) return &field;
        return nullptr;
    }

    // A JSON array into `out`, each element read by `one`; `out` is replaced.
    template <typename T, typename ReadOne>
    bool Array(const json& item, const std::string& at, std::vector<T>* out, ReadOne one) {
        if (!item.is_array()) return Fail(at, "expected an array, got " + Shown(item));
        out->clear();
        for (size_t i = 0; i < item.size(); ++i) {
            T value{};
            if (!one(item[i], at + "[" + std::to_string(i) + "]", &value)) return false;
            out->push_back(std::move(value));
        }
        return true;
    }

    bool ListItem(const std::string& key, const json& item, const std::string& at, COutRec* rec) {
        const auto* field = Find(CListFields::Fields(), key);
        if (!field) return Fail(at, "unknown key");
        switch (field->kind) {
            case FieldKind::Version:
                // Beyond the range of a float the conversion would be undefined.
                if (!item.is_number() ||
                    !(std::fabs(item.get<double>()) <= std::numeric_limits<float>::max())) {
                    return Fail(at, "expected a number such as 2.1, got " + Shown(item));
                }
                rec->m_fVersion = static_cast<float>(item.get<double>());
                return true;
            case FieldKind::Zips:
                return Array(item, at, &rec->m_zipFiles,
                             [this](const json& v, const std::string& w, ZipRec* zip) {
                                 return Zip(v, w, zip);
                             });
            case FieldKind::Areas:
                return Array(item, at, &rec->m_areas,
                             [this](const json& v, const std::string& w, int32_t* area) {
                                 return Int(v, w, area);
                             });
            default:
                return Simple<CListFields>(*field, item, at, rec);
        }
    }

    std::string* m_error;
};

}  // namespace

ordered_json CConfigJson::ToJson(const CConfig& config) {
    ordered_json lists = ordered_json::array();
    for (const COutRec& rec : config.m_lists) {
        // The keys in the order of the file.
        ordered_json list;
        for (const auto& field : CListFields::Fields()) {
            ordered_json& value = list[field.key];
            switch (field.kind) {
                case FieldKind::Version:
                    value = VersionNumber(rec.m_fVersion);
                    break;
                case FieldKind::Zips:
                    value = ordered_json::array();
                    for (const ZipRec& zip : rec.m_zipFiles) {
                        ordered_json object;
                        for (const auto& zipField : ZipRec::Fields())
                            object[zipField.key] = SimpleValue(zipField, zip);
                        value.push_back(std::move(object));
                    }
                    break;
                case FieldKind::Areas:
                    value = rec.m_areas;
                    break;
                default:
                    value = SimpleValue<CListFields>(field, rec);
            }
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

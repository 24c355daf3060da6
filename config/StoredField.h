// One stored field of a configuration record: its quorvane-config key, its kind, the first
// format version that stores it, and the member that holds it. The configuration file's
// reader and writer and quorvane-config all walk the tables made of these rows, so one row
// stores a field, reads it back and gives it its key.
#pragma once

#include <cstddef>
#include <string>

// Format versions of a list definition record, in order; a field stored since one of them
// is part of that version and of every later one.
enum { FORM_1 = 10, FORM_2 = 20, FORM_21 = 21, FORM_22 = 22 };

enum class FieldKind {
    Version,  // the record's format version, a float; always the first item
    Int,      // an int or a 0/1 flag
    Text,     // a string
    Name,     // a string the board stores as a name, which must hold no control character
    Zips,     // the count of compressed files, then their records
    Areas     // the count of chosen areas, then their numbers
};

template <typename Record>
struct StoredField {
    const char* key;
    FieldKind kind;
    int since;
    int Record::*number = nullptr;        // FieldKind::Int
    std::string Record::*text = nullptr;  // FieldKind::Text and FieldKind::Name

    static constexpr StoredField Int(const char* key, int since, int Record::*member) {
        return {key, FieldKind::Int, since, member, nullptr};
    }
    static constexpr StoredField Text(const char* key, int since, std::string Record::*member,
                                      FieldKind kind = FieldKind::Text) {
        return {key, kind, since, nullptr, member};
    }
    // A field the walkers handle by its kind alone (version, compressed files, areas).
    static constexpr StoredField Special(const char* key, FieldKind kind, int since) {
        return {key, kind, since, nullptr, nullptr};
    }
};

namespace stored_field_detail {
struct AnyValue {
    template <typename T>
    operator T() const;
};
}  // namespace stored_field_detail

// The number of members of an aggregate: the most initialisers T{...} accepts. Each table
// checks with it that no member of its record was left without a row.
template <typename T, typename... Values>
constexpr size_t MemberCount() {
    using stored_field_detail::AnyValue;
    if constexpr (requires { T{Values{}..., AnyValue{}}; })
        return MemberCount<T, Values..., AnyValue>();
    else
        return sizeof...(Values);
}

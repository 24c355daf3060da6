#include "config/ZipRec.h"

#include <iterator>

namespace {

using Z = ZipRec;
using F = StoredField<ZipRec>;

const F kFields[] = {
    F::Text("zipName", FORM_1, &Z::m_strZipName, FieldKind::Name),
    F::Text("zipSpare", FORM_1, &Z::m_strZipSpare),
    F::Text("command", FORM_1, &Z::m_strCommand),
    F::Int("zipArea", FORM_1, &Z::m_nZipArea),
    F::Text("zipDesc", FORM_1, &Z::m_strZipDesc),
    F::Text("zipComment", FORM_21, &Z::m_strZipComment),
    F::Int("zipFlags", FORM_21, &Z::m_nZipFlags),
};
static_assert(
    MemberCount<ZipRec>() == std::size(kFields) + 1,
    "each stored member of ZipRec needs its row in kFields (m_fZipVersion is not stored)");

}  // namespace

std::span<const StoredField<ZipRec>> ZipRec::Fields() {
    return kFields;
}

bool ZipRec::operator==(const ZipRec& other) const {
    for (const F& field : kFields) {
        if (field.number ? this->*field.number != other.*field.number
                         : this->*field.text != other.*field.text)
            return false;
    }
    return true;
}

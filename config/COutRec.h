// One file list definition: what the list holds, how it looks and where it goes. The stored
// fields are those of CListFields; this adds only the dialog's remembered sheet page. The
// working state of a generation run belongs to CListRun (generate/), which refers to its
// COutRec.
#pragma once

#include "config/CListFields.h"

class COutRec : public CListFields {
public:
    // Not stored: the HTML settings page last shown.
    int m_nSheetPage = 0;
};

// The "List layout" page of the HTML settings sheet.
#pragma once

#include "ui/CHtmlTemplatePage.h"

class CHtmlListPage : public CHtmlTemplatePage {
    Q_OBJECT
public:
    explicit CHtmlListPage(const COutRec& list, QWidget* parent = nullptr);
    void Save(COutRec& list) const override;
};

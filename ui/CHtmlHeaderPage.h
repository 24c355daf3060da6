// The "Page layout" page of the HTML settings sheet.
#pragma once

#include "ui/CHtmlTemplatePage.h"

class CHtmlHeaderPage : public CHtmlTemplatePage {
    Q_OBJECT
public:
    explicit CHtmlHeaderPage(const COutRec& list, QWidget* parent = nullptr);
    void Save(COutRec& list) const override;
};

// The "Index layout" page of the HTML settings sheet.
#pragma once

#include "ui/CHtmlTemplatePage.h"

class CHtmlIndexPage : public CHtmlTemplatePage {
    Q_OBJECT
public:
    explicit CHtmlIndexPage(const COutRec& list, QWidget* parent = nullptr);
    void Save(COutRec& list) const override;
};

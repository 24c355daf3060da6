// The "Area layout" page of the HTML settings sheet.
#pragma once

#include "ui/CHtmlTemplatePage.h"

class HtmlAreaPage : public CHtmlTemplatePage {
    Q_OBJECT
public:
    explicit HtmlAreaPage(const COutRec& list, QWidget* parent = nullptr);
    void Save(COutRec& list) const override;
};

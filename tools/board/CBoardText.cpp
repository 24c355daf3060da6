#include "tools/board/CBoardText.h"

#include "config/CCodePage.h"
#include "config/CMessageText.h"
#include "tools/board/CBoardError.h"

std::string CBoardText::ToCp1252(const std::string& utf8, const std::string& what) {
    std::string out;
    if (!CCodePage::FromUtf8(utf8, &out))
        throw CBoardError(what + ": " + CMessageText::Quote(utf8) +
                          " is not text that Windows-1252 can hold (use characters of the "
                          "Western European code page)");
    return out;
}

std::string CBoardText::ToUtf8(const std::string& cp1252) {
    return CCodePage::ToUtf8(cp1252);
}

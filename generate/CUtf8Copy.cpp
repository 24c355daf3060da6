#include "generate/CUtf8Copy.h"

#include "config/CCodePage.h"
#include "config/CConfig.h"
#include "config/CMessageText.h"
#include "generate/CListRun.h"
#include "generate/CUtf8TextSink.h"
#include "io/CStagedFile.h"

namespace {

// Hands the bytes on to a sink that someone else owns.
class CSinkRef : public IByteSink {
public:
    explicit CSinkRef(IByteSink& target) : m_target(target) {}
    bool Write(const char* data, size_t size) override { return m_target.Write(data, size); }
    bool Close() override { return m_target.Close(); }
    std::string Error() const override { return m_target.Error(); }

private:
    IByteSink& m_target;
};

}  // namespace

std::unique_ptr<CUtf8Copy> CUtf8Copy::For(const CListRun& run) {
    const COutRec& def = run.Def();
    const int type = def.m_nListType;
    if (def.m_strCopyDir.empty() ||
        (type != LIST_FILE && type != LIST_MESSAGE && type != LIST_BULLETIN))
        return nullptr;
    // The configuration's Windows-1252 directory meets the file system as UTF-8, as the HTML
    // directory does; a preview's directory is UTF-8 already.
    const std::string dir =
        run.m_strPreviewDir.empty() ? CCodePage::ToUtf8(def.m_strCopyDir) : run.m_strPreviewDir;
    return std::unique_ptr<CUtf8Copy>(new CUtf8Copy(dir, def.m_strListName, type == LIST_BULLETIN));
}

CUtf8Copy::CUtf8Copy(const std::string& dir, const std::string& listName, bool colourCodes) {
    const std::string name = listName + ".utf8.txt";
    m_path = dir + "/" + CCodePage::ToUtf8(name);
    if (!CConfig::IsPlainFileName(listName)) {
        m_error = "the list name " + CMessageText::Quote(listName) +
                  " cannot name a file in the UTF-8 copy directory " + dir + "; rename the list";
        return;
    }
    std::string why;
    m_file = CStagedFile::Create(m_path, &why);
    if (m_file)
        m_convert = std::make_unique<CUtf8TextSink>(*m_file, colourCodes);
    else
        m_error = "its UTF-8 copy could not be written: " + why +
                  "; check the list's UTF-8 copy directory";
}

CUtf8Copy::~CUtf8Copy() = default;

std::unique_ptr<IByteSink> CUtf8Copy::Tap() {
    if (!m_convert) return nullptr;
    return std::make_unique<CSinkRef>(*m_convert);
}

bool CUtf8Copy::Commit() {
    if (!m_error.empty()) return false;
    // Closing twice is harmless: the tee has usually closed the converter already.
    m_convert->Close();
    if (!m_file->Commit()) m_error = "its UTF-8 copy could not be written: " + m_file->Error();
    return m_error.empty();
}

#include "publish/CListPublisher.h"

#include <unistd.h>

#include "config/CConfig.h"
#include "generate/FinishedList.h"
#include "generate/IListReport.h"
#include "publish/CCompressedFiles.h"
#include "publish/CDestinations.h"
#include "publish/CHtmlPublisher.h"
#include "publish/CStartedCommand.h"
#include "server/CBoardCatalogue.h"

std::unique_ptr<IListPublisher::Started> CListPublisher::ListWritten(const FinishedList& list) {
    if (list.def.m_nListType != LIST_FILE) return nullptr;
    return CCompressedFiles::StartFirstCommand(list);
}

bool CListPublisher::Publish(const FinishedList& list) {
    switch (list.def.m_nListType) {
        case LIST_FILE:
            return PublishFileList(list);
        case LIST_MESSAGE:
            return CDestinations::PublishMessage(list);
        case LIST_BULLETIN:
            return CDestinations::PublishBulletin(list);
        case LIST_HTML:
            return CHtmlPublisher::PublishHtml(list);
        default:
            return true;
    }
}

bool CListPublisher::PublishFileList(const FinishedList& list) {
    using Placed = CDestinations::Placed;
    const COutRec& def = list.def;
    const std::string listPath = list.dir + list.file;
    if (!CConfig::IsPlainFileName(list.file)) {
        list.report.Fail("List " + def.m_strListName + ": the list file name \"" + list.file +
                         "\" is not a plain file name; check the list name.");
        return false;
    }
    const std::string shared = CCompressedFiles::SharedName(def);
    if (!shared.empty()) {
        list.report.Fail("List " + def.m_strListName + ": its compressed file " + shared +
                         " has the name of the list or of another of its compressed files and "
                         "would replace it; nothing was published. Give each compressed file a "
                         "name of its own.");
        ::unlink(listPath.c_str());
        return false;
    }

    const std::string uploader = CBoardCatalogue::OperatorName();
    Placed placed = CCompressedFiles::MakeCompressedFiles(list, uploader);
    if (placed == Placed::Stopped) return false;
    bool ok = placed == Placed::Done;
    if (!(def.m_nOptions & OPT_DISCARD)) {
        placed = CDestinations::PlaceFile(list, listPath, def.m_strListName, def.m_nFileArea,
                                          def.m_strListDesc, uploader,
                                          "List " + def.m_strListName + " ");
        if (placed == Placed::Stopped) return false;
        ok = ok && placed == Placed::Done;
    }
    ::unlink(listPath.c_str());
    return ok;
}

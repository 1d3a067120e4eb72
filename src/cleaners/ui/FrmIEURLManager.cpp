#include "cleaners/ui/FrmIEURLManager.h"

#include "cleaners/CookieHosts.h"
#include "cleaners/KeepList.h"

namespace lumexa::cleaners::ui {

namespace {

const TKeepListCaptions Captions = {
    "strLX_CAPTION700", "strLX_CAPTION766", "strLX_CAPTION767", "strLX_CAPTION771", "strLX_MESSAGE537"};

} // namespace

TFrmIEURLManager::TFrmIEURLManager(QWidget* parent)
    : TKeepListManager(SafeURLsFile, Captions, parent)
{
    setObjectName(QStringLiteral("frmIEURLManager"));
}

void TFrmIEURLManager::Open(QWidget* parent)
{
    TFrmIEURLManager window(parent);
    window.exec();
}

void TFrmIEURLManager::Collect()
{
    const TKeepList kept = TKeepList::Load(KeepFile());
    for (const std::string& line : kept.Lines())
        AddSafe(line);
    // Only the safe list hides a typed URL: the store holds each URL once.
    for (const std::string& url : TypedWebUrls()) {
        if (Abandoned())
            return;
        AddCurrent(url, false);
    }
}

} // namespace lumexa::cleaners::ui

#pragma once

#include "cleaners/ui/KeepListManager.h"

// "URL Manager": Internet Explorer's typed URLs ("Current URLs") and the URLs the Internet
// Explorer cleaner writes back after clearing the list ("URL Safe List",
// "Settings\SafeURLs.txt").
namespace lumexa::cleaners::ui {

class TFrmIEURLManager : public TKeepListManager
{
    Q_OBJECT

public:
    explicit TFrmIEURLManager(QWidget* parent = nullptr);

    // Shows the window modally and frees it afterwards.
    static void Open(QWidget* parent = nullptr);

protected:
    void Collect() override;
};

} // namespace lumexa::cleaners::ui

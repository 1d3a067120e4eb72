#pragma once

#include "filesecurity/ui/CustomModule.h"

// "Unlock Files and Folders" (page 11): locked files and folders holding them, the cipher,
// hash and password they were locked with, then a file run and a folder run. A row one of
// whose files refuses the password, cipher or hash is unticked by the run and stays in the
// list; every other row goes, and the summary counts both.
namespace lumexa::filesecurity::ui {

inline constexpr int DecryptionPage = 11;

class TfrmDecryption : public TCustomModule
{
    Q_OBJECT

public:
    explicit TfrmDecryption(QWidget* parent = nullptr);

    void PageShown() override;
    void PageLeft() override;
    bool CanLeavePage() override;

    // "Unlock".
    void Unlock();

protected:
    void PhaseEnded(bool folders, const TLockRunState& state) override;

private:
    void Finish(bool folders, const TLockRunState& state);

    int m_total = 0;
};

} // namespace lumexa::filesecurity::ui

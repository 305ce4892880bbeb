#include "dialog_framework/headless/HeadlessBackend.h"

#include <stdexcept>

#include "dialog_framework/script/ScriptedUser.h"

namespace kitroster {
namespace {

class CHeadlessPeer : public IDialogPeer {
  public:
    void Show() override {}
    void Sync() override {}
    bool Shot(const std::string&) override { return false; }
};

}  // namespace

CHeadlessBackend::CHeadlessBackend(CScriptedUser& user) : CDialogBackend(&user) {
    user.Attach(this);
}

std::unique_ptr<IDialogPeer> CHeadlessBackend::CreatePeer(CDialog&) {
    return std::make_unique<CHeadlessPeer>();
}

SBaseUnits CHeadlessBackend::GetBaseUnits(const char*, int) {
    return SBaseUnits{7, 14};
}

// The scripted user answers every loop; these are reached only if it was bypassed.
void CHeadlessBackend::RunModalLoop(const std::function<bool()>&) {
    throw std::logic_error("a headless dialog needs a scripted user");
}

int CHeadlessBackend::RunMessageBox(CDialog*, const SMessageBoxRequest&) {
    throw std::logic_error("a headless message box needs a scripted user");
}

UINT CHeadlessBackend::RunPopupMenu(CDialog*, const CMenu&, CPoint) {
    throw std::logic_error("a headless menu needs a scripted user");
}

}  // namespace kitroster

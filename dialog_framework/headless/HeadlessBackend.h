// The headless backend: dialogs exist only as their state in memory and a scripted user
// plays the person. Time moves only when the script waits, so a 100 ms timer or a long
// wait costs nothing. Nothing is drawn and no program is started.
//
// Thread-safety: the user-interface thread only.
#pragma once

#include "base/KitrosterExport.h"
#include "dialog_framework/DialogBackend.h"

namespace kitroster {

class KITROSTER_API CHeadlessBackend : public CDialogBackend {
  public:
    // `user` is required: without a person or a script, nobody could close a dialog.
    explicit CHeadlessBackend(CScriptedUser& user);

    std::unique_ptr<IDialogPeer> CreatePeer(CDialog& dialog) override;
    // The metrics of the usual dialog font (8 pt sans serif at 96 dpi), so that pixel
    // sizes match what the windowed backend computes on a standard desktop.
    SBaseUnits GetBaseUnits(const char* fontName, int pointSize) override;
    void RunModalLoop(const std::function<bool()>& done) override;
    int RunMessageBox(CDialog* owner, const SMessageBoxRequest& request) override;
    UINT RunPopupMenu(CDialog* owner, const CMenu& menu, CPoint screen) override;
    void ProcessEvents() override {}
    void SetWaitCursor(bool) override {}
    bool StartsPrograms() const override { return false; }
};

}  // namespace kitroster

// The editor interfaces through which the edit dialog opens the type-specific dialogs for a
// resource's connectivity and capability strings, and the one implementation of each for a
// dialog class.
//
// An editor holds at most one dialog object, from one Prepare to the next (or to the
// editor's destruction), so the result must be read with GetValue before the same editor
// is prepared again. Editors of different dialog classes are independent: an assembly's
// dialog may open the server editor while it runs. Preparing an editor whose own dialog is
// running (an assembly naming another assembly as its server) is refused: the person is
// told, the running dialog is kept, and the following DoModal returns IDCANCEL at once.
//
// Thread-safety: the user-interface thread only.
#pragma once

#include <memory>

#include "base/CString.h"
#include "base/KitrosterExport.h"
#include "catalogue/Kitroster.h"
#include "dialog_framework/Dialog.h"
#include "dialog_framework/ModuleState.h"

namespace NResourceItem {

class KITROSTER_API IResEditConn {
  public:
    // Replaces the held dialog with a new one for `id`, given the catalogue and the
    // connectivity string to edit.
    virtual void Prepare(CZRauto_ptr<IKitroster> resMgr, const CString& id,
                         const CString& value) = 0;
    // The held dialog's connectivity string; empty when none is held.
    virtual CString GetValue() = 0;
    // Runs the held dialog; IDCANCEL when none is held.
    virtual int DoModal() = 0;
    virtual ~IResEditConn() = default;
};

class KITROSTER_API IResEditCaps {
  public:
    virtual void Prepare(CZRauto_ptr<IKitroster> resMgr, const CString& id,
                         const CString& value) = 0;
    virtual CString GetValue() = 0;
    virtual int DoModal() = 0;
    virtual ~IResEditCaps() = default;
};

// Tells the person that `id` cannot be edited now because `running`, a dialog of the same
// editor, is open.
KITROSTER_API void ShowEditorBusy(CDialog& running, const CString& id);

// The dialog object an editor holds. Dlg has a constructor (id, parent) and SetContext.
template <class Dlg>
class CHeldDialog {
  public:
    void Prepare(CZRauto_ptr<IKitroster> resMgr, const CString& id, const CString& value) {
        if (m_dlg && m_dlg->IsOpen()) {
            // Destroying it would pull the running dialog out from under its modal loop.
            m_refused = true;
            ShowEditorBusy(*m_dlg, id);
            return;
        }
        m_refused = false;
        m_dlg.reset();
        m_dlg = std::make_unique<Dlg>(id, nullptr);
        m_dlg->SetContext(resMgr, value);
    }
    Dlg* Held() const { return m_dlg.get(); }
    int DoModal() {
        if (!m_dlg || m_refused) {
            m_refused = false;
            return IDCANCEL;
        }
        KR_MANAGE_STATE();
        return m_dlg->DoModal();
    }

  private:
    std::unique_ptr<Dlg> m_dlg;
    bool m_refused = false;  // the last Prepare found the dialog running
};

template <class Dlg>
class ConnEditor : public IResEditConn {
  public:
    void Prepare(CZRauto_ptr<IKitroster> resMgr, const CString& id, const CString& value) override {
        m_held.Prepare(resMgr, id, value);
    }
    CString GetValue() override { return m_held.Held() ? m_held.Held()->GetConn() : CString(); }
    int DoModal() override { return m_held.DoModal(); }

  private:
    CHeldDialog<Dlg> m_held;
};

template <class Dlg>
class CapsEditor : public IResEditCaps {
  public:
    void Prepare(CZRauto_ptr<IKitroster> resMgr, const CString& id, const CString& value) override {
        m_held.Prepare(resMgr, id, value);
    }
    CString GetValue() override { return m_held.Held() ? m_held.Held()->GetCaps() : CString(); }
    int DoModal() override { return m_held.DoModal(); }

  private:
    CHeldDialog<Dlg> m_held;
};

}  // namespace NResourceItem

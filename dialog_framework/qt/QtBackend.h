// The Qt Widgets backend: every open dialog is a real window, one widget per control.
//
// The widgets only mirror the dialog's state. Each Sync pushes what changed (with the
// widgets' signals blocked, so that nothing the program does reads as a person's action),
// and what a person does to a widget goes back through the dialog's User... operations,
// after which every window is synced again. With a scripted user the script plays the
// person and the windows are only shown; a real person is never waited for.
//
// Thread-safety: the user-interface thread only, with a QApplication alive.
#pragma once

#include <memory>

#include "base/KitrosterExport.h"
#include "dialog_framework/DialogBackend.h"

class QWidget;

// The Qt backend library's exported interface.
#define KITROSTER_QT_API KITROSTER_VISIBLE

namespace kitroster {

struct SQtOptions {
    // After each sync, read every widget back and write a "mismatch" event through the
    // scripted user for each difference from the dialog's state (for tests).
    bool verifyMirror = false;
};

class KITROSTER_QT_API CQtBackend : public CDialogBackend {
  public:
    // A QApplication must exist. `user` null: a person drives; otherwise the script does.
    explicit CQtBackend(CScriptedUser* user, SQtOptions options = {});
    ~CQtBackend() override;

    std::unique_ptr<IDialogPeer> CreatePeer(CDialog& dialog) override;
    SBaseUnits GetBaseUnits(const char* fontName, int pointSize) override;
    void RunModalLoop(const std::function<bool()>& done) override;
    int RunMessageBox(CDialog* owner, const SMessageBoxRequest& request) override;
    UINT RunPopupMenu(CDialog* owner, const CMenu& menu, CPoint screen) override;
    void ProcessEvents() override;
    void SetWaitCursor(bool busy) override;
    bool StartsPrograms() const override { return true; }

    const SQtOptions& Options() const { return m_options; }
    // True while the backend itself moves widgets or the focus: what Qt reports then is
    // no person's doing.
    bool IsPushing() const { return m_pushing > 0; }
    void BeginPush() { ++m_pushing; }
    void EndPush() { --m_pushing; }

  private:
    SQtOptions m_options;
    int m_pushing = 0;
};

// The window showing `dialog`, null when it has none on this backend.
KITROSTER_QT_API QWidget* QtWindowOf(const CDialog& dialog);
// The widget showing control `id` of `dialog`, null when there is none.
KITROSTER_QT_API QWidget* QtWidgetOf(const CDialog& dialog, int id);

}  // namespace kitroster

// One dialog's window on the Qt backend: a QDialog with one widget per control.
//
// Thread-safety: the user-interface thread only.
#pragma once

#include <QPointer>
#include <QString>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "dialog_framework/Dialog.h"
#include "dialog_framework/qt/QtBackend.h"

class QDialog;
class QFont;
class QWidget;

namespace kitroster {

// Windows-1252 text of the system to and from what Qt shows.
QString ToQt(const CString& text);
CString FromQt(const QString& text);
// The dialog font of a template: that family and size, else the application's.
QFont DialogFont(const char* fontName, int pointSize);

class CListModel;

class CQtPeer : public IDialogPeer {
  public:
    CQtPeer(CQtBackend& backend, CDialog& dialog);
    ~CQtPeer() override;

    void Show() override;
    void Sync() override;
    bool Shot(const std::string& file) override;

    QDialog* Window() const { return m_window; }
    QWidget* WidgetOf(int id) const;

  private:
    struct SItem {
        CWnd* control;
        QWidget* widget;
        CListModel* model = nullptr;  // list views
    };

    void _create(SItem& item);
    void _connect(SItem& item);
    void _push(SItem& item, unsigned changes);
    void _push_lines(SItem& item);
    void _push_list_view(SItem& item, unsigned changes);
    void _push_focus();
    void _verify();
    void _mismatch(const SItem& item, const char* what);
    // Runs a person's action on the dialog, then brings every window up to date and
    // undoes whatever the widget did on its own that the dialog did not take.
    void _input(SItem& item, const std::function<void()>& action);
    SItem* _item_of(QWidget* widget);

    CQtBackend& m_backend;
    CDialog& m_dialog;
    QPointer<QDialog> m_window;
    std::vector<SItem> m_items;
};

}  // namespace kitroster

#include "dialog_framework/qt/QtBackend.h"

#include <QAction>
#include <QApplication>
#include <QCursor>
#include <QDialog>
#include <QEventLoop>
#include <QFontMetrics>
#include <QMenu>
#include <QMessageBox>
#include <QPushButton>
#include <QTimer>
#include <vector>

#include "dialog_framework/Dialog.h"
#include "dialog_framework/qt/QtPeer.h"
#include "dialog_framework/script/ScriptedUser.h"

namespace kitroster {
namespace {

// The dialogs' timers keep running while a person answers a box or a menu, as they do
// while a dialog waits.
class CTimerPump {
  public:
    CTimerPump(CQtBackend& backend, const std::function<void()>& afterTick = {}) {
        m_timer.setInterval(10);
        QObject::connect(&m_timer, &QTimer::timeout, [&backend, afterTick] {
            backend.FireDueTimers(backend.Now());
            backend.SyncAll();
            if (afterTick)
                afterTick();
        });
        m_timer.start();
    }

  private:
    QTimer m_timer;
};

struct SBoxButton {
    QMessageBox::StandardButton qt;
    int result;
};

std::vector<SBoxButton> BoxButtons(UINT type) {
    switch (type & MB_TYPEMASK) {
        case MB_OKCANCEL:
            return {{QMessageBox::Ok, IDOK}, {QMessageBox::Cancel, IDCANCEL}};
        case MB_YESNO:
            return {{QMessageBox::Yes, IDYES}, {QMessageBox::No, IDNO}};
        case MB_YESNOCANCEL:
            return {{QMessageBox::Yes, IDYES},
                    {QMessageBox::No, IDNO},
                    {QMessageBox::Cancel, IDCANCEL}};
        default:
            return {{QMessageBox::Ok, IDOK}};
    }
}

QMessageBox::Icon BoxIcon(UINT type) {
    switch (type & MB_ICONMASK) {
        case MB_ICONHAND:
            return QMessageBox::Critical;
        case MB_ICONEXCLAMATION:
            return QMessageBox::Warning;
        case MB_ICONINFORMATION:
            return QMessageBox::Information;
        case MB_ICONQUESTION:
            return QMessageBox::Question;
        default:
            return QMessageBox::NoIcon;
    }
}

}  // namespace

CQtBackend::CQtBackend(CScriptedUser* user, SQtOptions options)
    : CDialogBackend(user), m_options(options) {
    if (user)
        user->Attach(this);
}

CQtBackend::~CQtBackend() = default;

std::unique_ptr<IDialogPeer> CQtBackend::CreatePeer(CDialog& dialog) {
    return std::make_unique<CQtPeer>(*this, dialog);
}

SBaseUnits CQtBackend::GetBaseUnits(const char* fontName, int pointSize) {
    QFontMetrics metrics(DialogFont(fontName, pointSize));
    int width = metrics.horizontalAdvance(
        QStringLiteral("ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz"));
    return SBaseUnits{(width + 26) / 52, metrics.height()};
}

void CQtBackend::RunModalLoop(const std::function<bool()>& done) {
    if (done())
        return;
    QEventLoop loop;
    CTimerPump pump(*this, [&] {
        if (done())
            loop.quit();
    });
    loop.exec();
}

int CQtBackend::RunMessageBox(CDialog* owner, const SMessageBoxRequest& request) {
    std::vector<SBoxButton> buttons = BoxButtons(request.type);
    QMessageBox box(BoxIcon(request.type), ToQt(request.caption), ToQt(request.text),
                    QMessageBox::NoButton, owner ? QtWindowOf(*owner) : nullptr);
    box.setTextFormat(Qt::PlainText);
    for (const auto& b : buttons)
        box.addButton(b.qt);
    size_t defIndex = (request.type & MB_DEFMASK) >> 8;
    if (defIndex >= buttons.size())
        defIndex = 0;
    box.setDefaultButton(buttons[defIndex].qt);
    // Escape (and the close button) answer Cancel, or No on a box without it.
    SBoxButton escape = buttons.front();
    for (const auto& b : buttons)
        if (b.result == IDCANCEL || (b.result == IDNO && escape.result != IDCANCEL))
            escape = b;
    box.setEscapeButton(escape.qt);
    CTimerPump pump(*this);
    box.exec();
    if (QWidget* window = owner ? QtWindowOf(*owner) : nullptr)
        window->activateWindow();
    QMessageBox::StandardButton clicked = box.standardButton(box.clickedButton());
    for (const auto& b : buttons)
        if (b.qt == clicked)
            return b.result;
    return escape.result;
}

UINT CQtBackend::RunPopupMenu(CDialog* owner, const CMenu& menu, CPoint screen) {
    QWidget* window = owner ? QtWindowOf(*owner) : nullptr;
    QMenu popup(window);
    for (const auto& item : menu.Items()) {
        if (item.separator)
            popup.addSeparator();
        else
            popup.addAction(ToQt(item.text))->setData(item.id);
    }
    QPoint at(screen.x, screen.y);
    if (window)
        at = window->mapToGlobal(at);
    CTimerPump pump(*this);
    QAction* chosen = popup.exec(at);
    // Where no window manager hands the focus back, the dialog would stay inactive.
    if (window)
        window->activateWindow();
    return chosen ? chosen->data().toUInt() : 0;
}

void CQtBackend::ProcessEvents() {
    QCoreApplication::processEvents();
}

void CQtBackend::SetWaitCursor(bool busy) {
    if (busy)
        QApplication::setOverrideCursor(Qt::WaitCursor);
    else
        QApplication::restoreOverrideCursor();
}

QWidget* QtWindowOf(const CDialog& dialog) {
    auto* peer = dynamic_cast<CQtPeer*>(dialog.GetPeer());
    return peer ? peer->Window() : nullptr;
}

QWidget* QtWidgetOf(const CDialog& dialog, int id) {
    auto* peer = dynamic_cast<CQtPeer*>(dialog.GetPeer());
    return peer ? peer->WidgetOf(id) : nullptr;
}

}  // namespace kitroster

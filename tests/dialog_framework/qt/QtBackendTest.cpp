// The Qt backend on real widgets: scripted runs give the headless transcript while every
// widget mirrors its control, a person's input reaches the dialog as the User...
// operations, and the library's dialogs fit their windows.
#include <gtest/gtest.h>

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDialog>
#include <QGroupBox>
#include <QLineEdit>
#include <QListWidget>
#include <QMenu>
#include <QMessageBox>
#include <QPushButton>
#include <QRadioButton>
#include <QTest>
#include <QTimer>
#include <QTreeView>
#include <filesystem>

#include "dialog_framework/Dialog.h"
#include "dialog_framework/ModuleState.h"
#include "dialog_framework/qt/QtBackend.h"
#include "testing/dialogs/ScriptSession.h"
#include "testing/site/TestSite.h"

namespace kitroster {
namespace {

using namespace style;
using C = EControlClass;

// Made on first use, so that listing the tests needs no display; it outlives every test.
QApplication& App() {
    static int argc = 1;
    static char name[] = "DialogQtTest";
    static char* argv[] = {name, nullptr};
    static auto* app = new QApplication(argc, argv);
    return *app;
}

constexpr SControlTemplate kControls[] = {
    {20, C::Static, "&Name:", 0, {7, 9, 30, 8}},
    {10, C::Edit, "", kTabStop | kUpperCase, {40, 7, 60, 12}},
    {11, C::Edit, "", kTabStop | kNumber | kPassword, {40, 22, 60, 12}},
    {-1, C::GroupBox, "&Choice", 0, {4, 36, 72, 30}},
    {12, C::RadioButton, "&A", kGroup | kTabStop, {7, 48, 30, 10}},
    {13, C::RadioButton, "&B", 0, {40, 48, 30, 10}},
    {14, C::CheckBox, "&C", kGroup | kTabStop, {7, 70, 30, 10}},
    {15, C::DropDownList, "", kTabStop, {7, 84, 60, 12}},
    {18, C::ComboBox, "", kTabStop, {7, 100, 60, 12}},
    {16, C::ListView, "", kTabStop | kBorder, {110, 7, 100, 80}},
    {17, C::CheckListBox, "", kTabStop, {7, 116, 60, 30}},
    {19, C::ListBox, "", kTabStop, {110, 92, 60, 30}},
    {1, C::PushButton, "OK", kDefPushButton | kTabStop, {160, 128, 50, 14}},
    {2, C::PushButton, "Cancel", kTabStop, {160, 144, 50, 14}},
};
constexpr SDialogTemplate kTemplate{900, "Test", 215, 160, "Sans Serif", 8, kControls};

const SDialogTemplate* FindTestTemplate(int id) {
    return id == 900 ? &kTemplate : nullptr;
}
CString TestString(unsigned id) {
    return id == 1 ? "Sure?" : "";
}
const SResourceModule kTestModule{"test", &FindTestTemplate, &TestString};

class CTestDlg : public CDialog {
  public:
    CTestDlg() : CDialog(900) {}
    CString m_name;
    int m_number = 0;
    int m_choice = 1;
    int m_flag = 0;
    int m_ticks = 0;
    std::vector<std::string> m_log;
    // Run from the timer, for tests that change widgets behind the dialog's back.
    std::function<void(CTestDlg&)> m_onTick;

  protected:
    BOOL OnInitDialog() override {
        CDialog::OnInitDialog();
        for (const char* line : {"one", "two"}) {
            GetComboBox(15)->AddString(line);
            GetComboBox(18)->AddString(line);
            GetListBox(19)->AddString(line);
        }
        CListCtrl* list = GetListCtrl(16);
        list->InsertColumn(0, "NAME", LVCFMT_LEFT, 50);
        list->InsertColumn(1, "HIDDEN", LVCFMT_LEFT, 0);
        for (const char* row : {"CAM01", "SRV01"})
            list->SetItemText(list->InsertItem(99, ""), 0, row);
        GetCheckListBox(17)->AddString("x");
        GetCheckListBox(17)->AddString("y");
        SetTimer(666, 100);
        return TRUE;
    }
    void DoDataExchange(CDataExchange* pDX) override {
        DDX_Text(pDX, 10, m_name);
        DDV_MaxChars(pDX, m_name, 5);
        DDX_Text(pDX, 11, m_number);
        DDX_Radio(pDX, 12, m_choice);
        DDX_Check(pDX, 14, m_flag);
    }
    // Each tick changes what the widgets must show: title, a label, a hidden and a
    // disabled control, the list's rows, columns and selection.
    void OnTimer(UINT_PTR id) override {
        m_log.push_back("timer " + std::to_string(id));
        ++m_ticks;
        SetWindowText(m_ticks % 2 ? "Ticked" : "Test");
        SetDlgItemText(20, m_ticks % 2 ? "&Nom:" : "&Name:");
        GetDlgItem(19)->ShowWindow(m_ticks % 2 ? SW_HIDE : SW_SHOW);
        GetDlgItem(13)->EnableWindow(m_ticks % 2 == 0);
        CListCtrl* list = GetListCtrl(16);
        list->SetItemText(list->InsertItem(0, ""), 0, ("NEW" + std::to_string(m_ticks)).c_str());
        list->SetColumnWidth(1, m_ticks % 2 ? 30 : 0);
        list->SetSelectionMark(1);
        list->EnsureVisible(list->GetItemCount() - 1, FALSE);
        GetEdit(10)->LimitText(3);
        if (m_onTick)
            m_onTick(*this);
    }
    BOOL PreTranslateMessage(MSG* msg) override {
        if (msg->message == WM_KEYDOWN && msg->wParam == VK_INSERT) {
            m_log.push_back(IsCtrlDown() ? "insert ctrl" : "insert");
            return TRUE;
        }
        return FALSE;
    }
    void GetMessageMap(CMessageMap& map) override {
        map.On(ENotify::KillFocus, 10, this, &CTestDlg::OnKillName);
        map.On(ENotify::DblClk, 16, this, &CTestDlg::OnDblClk);
        map.On(ENotify::RClick, 16, this, &CTestDlg::OnRClick);
        map.On(ENotify::ItemChanged, 16, this, &CTestDlg::OnItemChanged);
        map.On(ENotify::SelChange, 15, this, &CTestDlg::OnSelType);
        map.On(ENotify::EditChange, 18, this, &CTestDlg::OnEditCombo);
        map.On(ENotify::CheckChange, 17, this, &CTestDlg::OnCheck);
        map.On(ENotify::Clicked, 14, this, &CTestDlg::OnFlag);
    }
    void OnKillName() {
        m_log.push_back("kill name");
        if (GetDlgItemText(10) == "ASK") {
            int answer = MessageBox(1, 1, MB_YESNO | MB_ICONQUESTION | MB_DEFBUTTON2);
            m_log.push_back("answer " + std::to_string(answer));
        }
    }
    void OnItemChanged(const SNotifyInfo& info, LRESULT*) {
        m_log.push_back("changed " + std::to_string(info.row) + " " +
                        std::to_string(info.newState));
    }
    void OnDblClk(const SNotifyInfo& info, LRESULT*) {
        m_log.push_back("dblclk " + std::to_string(info.row) + (IsCtrlDown() ? " ctrl" : ""));
    }
    void OnRClick(const SNotifyInfo& info, LRESULT*) {
        CMenu menu;
        menu.CreatePopupMenu();
        menu.AppendMenu(MF_STRING, 32772, "Edit Properties...");
        menu.AppendMenu(MF_SEPARATOR);
        menu.AppendMenu(MF_STRING, 32771, "Dependants...");
        UINT chosen = TrackPopupMenu(menu, TPM_RETURNCMD, info.offset);
        m_log.push_back("menu " + std::to_string(info.row) + " " + std::to_string(chosen));
    }
    void OnSelType() { m_log.push_back("type " + GetDlgItemText(15).str()); }
    void OnEditCombo() { m_log.push_back("edit " + GetDlgItemText(18).str()); }
    void OnCheck() {
        m_log.push_back("check " + std::to_string(GetCheckListBox(17)->GetCheck(0)) +
                        std::to_string(GetCheckListBox(17)->GetCheck(1)));
    }
    void OnFlag() {
        // Unchecking the flag empties the list: the list view must follow a reset.
        if (!GetButton(14)->GetCheck())
            GetListCtrl(16)->DeleteAllItems();
    }
};

// A scripted session on the Qt backend, its windows read back after every sync.
class CQtSession : public testing::CScriptSession {
  public:
    explicit CQtSession(const std::string& script)
        : CScriptSession(script, [](CScriptedUser& user) -> std::unique_ptr<CDialogBackend> {
              App();
              return std::make_unique<CQtBackend>(&user, SQtOptions{true});
          }) {}
};

struct QtFixture : ::testing::Test {
    testing::CTestSite site;
    CModuleStateGuard module{kTestModule};
};

TEST_F(QtFixture, ScriptedRunsGiveTheHeadlessTranscriptWithEveryWidgetMirrored) {
    struct Case {
        const char* name;
        std::string script;
    };
    const Case cases[] = {
        {"edits, buttons and data exchange",
         "type 10 \"ab c\"\ntype 11 12x3\nclick 13\nclick 14\ntype 10 toolong\ndump\n"
         "key Return\n"},
        {"lists, combos, menus and keys",
         "dblclick 16 srv01 ctrl\nrclick 16 empty\nmenu Dependants...\nrclick 16 #0\n"
         "menu none\nkey Insert ctrl\nchoose 15 TWO\ntype 18 thr\nchoose 18 one\n"
         "choose 19 two\ncheck 17 y on\ncheck 17 x on\ncheck 17 y off\ndump\nkey Escape\n"},
        {"timers change state while the script waits",
         "wait 150\ndump\nclick 13\nwait 100\ndump\nclick 13\nfocus 19\nclick 14\nclick 14\n"
         "dump\nkey Escape\n"},
        {"a message box from a lost focus", "type 10 ask\nclick 14\nanswer Yes\ndump\nclick 2\n"},
        {"the script runs out", "type 10 x\n"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        testing::CScriptSession headless(c.script);
        CTestDlg headlessDlg;
        int headlessResult = headless.Run([&] { return headlessDlg.DoModal(); });
        CQtSession qt(c.script);
        CTestDlg qtDlg;
        EXPECT_EQ(qt.Run([&] { return qtDlg.DoModal(); }), headlessResult);
        EXPECT_EQ(qt.Transcript(), headless.Transcript());
        EXPECT_EQ(qtDlg.m_log, headlessDlg.m_log);
    }
}

TEST_F(QtFixture, TheMirrorCheckReportsAWidgetChangedBehindTheDialogsBack) {
    CQtSession qt("wait 100\nkey Escape\n");
    CTestDlg dlg;
    dlg.m_onTick = [](CTestDlg& d) {
        QtWidgetOf(d, 2)->hide();
        static_cast<QLineEdit*>(QtWidgetOf(d, 11))->setText("sneaky");
    };
    EXPECT_EQ(qt.Run([&] { return dlg.DoModal(); }), IDCANCEL);
    std::string transcript = qt.Transcript();
    EXPECT_NE(transcript.find(R"({"event":"mismatch","template":900,"id":2,"what":"visible"})"),
              std::string::npos)
        << transcript;
    EXPECT_NE(transcript.find(R"({"event":"mismatch","template":900,"id":11,"what":"text"})"),
              std::string::npos)
        << transcript;
}

// A person at the windows: Qt's own input reaches the dialog, and nothing the program
// shows comes back as a notification.
struct QtPersonFixture : QtFixture {
    CQtBackend backend{nullptr};
    std::unique_ptr<CAppServicesOverride> services;

    void SetUp() override {
        App();
        AppServices replacement;
        replacement.dialogBackend = &backend;
        services = std::make_unique<CAppServicesOverride>(replacement);
    }
    // Runs `dlg` with `person` acting once it is shown; a hung dialog ends after 10 s.
    int RunAsPerson(CTestDlg& dlg, const std::function<void()>& person) {
        QTimer::singleShot(0, [&] {
            QWidget* window = QtWindowOf(dlg);
            EXPECT_TRUE(QTest::qWaitForWindowActive(window));
            person();
        });
        QTimer watchdog;
        watchdog.setSingleShot(true);
        QObject::connect(&watchdog, &QTimer::timeout, [&] {
            ADD_FAILURE() << "the dialog hung";
            if (QWidget* modal = QApplication::activeModalWidget())
                if (!qobject_cast<QDialog*>(modal) || qobject_cast<QMessageBox*>(modal))
                    modal->close();
            if (QWidget* popup = QApplication::activePopupWidget())
                popup->close();
            for (CDialog* open : backend.OpenDialogs())
                open->EndDialog(-7);
        });
        watchdog.start(10000);
        return dlg.DoModal();
    }
};

template <typename T>
T* Widget(const CDialog& dlg, int id) {
    auto* widget = qobject_cast<T*>(QtWidgetOf(dlg, id));
    EXPECT_NE(widget, nullptr) << "control " << id;
    return widget;
}

// Answers the next box or menu once it is up.
void AnswerLater(const std::function<void()>& answer) {
    QTimer::singleShot(0, answer);
}

TEST_F(QtPersonFixture, WidgetInputGoesThroughTheDialog) {
    CTestDlg dlg;
    int result = RunAsPerson(dlg, [&] {
        auto* name = Widget<QLineEdit>(dlg, 10);
        QTest::keyClicks(name, "ab");
        EXPECT_EQ(dlg.GetDlgItemText(10), "AB");
        EXPECT_EQ(name->text(), "AB");            // the edit's style upper-cased it
        Widget<QLineEdit>(dlg, 11)->selectAll();  // over the 0 data exchange put there
        QTest::keyClicks(Widget<QLineEdit>(dlg, 11), "4x2");
        EXPECT_EQ(Widget<QLineEdit>(dlg, 11)->text(), "42");

        Widget<QRadioButton>(dlg, 13)->click();
        EXPECT_EQ(dlg.GetButton(13)->GetCheck(), 1);
        EXPECT_FALSE(Widget<QRadioButton>(dlg, 12)->isChecked());
        // Clicking a checked radio button leaves it checked, whatever Qt did.
        Widget<QRadioButton>(dlg, 13)->click();
        EXPECT_TRUE(Widget<QRadioButton>(dlg, 13)->isChecked());
        Widget<QCheckBox>(dlg, 14)->click();
        EXPECT_EQ(dlg.GetButton(14)->GetCheck(), 1);

        auto* type = Widget<QComboBox>(dlg, 15);
        emit type->activated(1);
        EXPECT_EQ(dlg.GetComboBox(15)->GetCurSel(), 1);
        EXPECT_EQ(type->currentText(), "two");
        auto* combo = Widget<QComboBox>(dlg, 18);
        QTest::keyClicks(combo->lineEdit(), "tw");
        EXPECT_EQ(dlg.GetDlgItemText(18), "tw");
        EXPECT_EQ(dlg.GetComboBox(18)->GetCurSel(), -1);

        auto* checks = Widget<QListWidget>(dlg, 17);
        checks->item(1)->setCheckState(Qt::Checked);
        EXPECT_EQ(dlg.GetCheckListBox(17)->GetCheck(1), 1);
        EXPECT_EQ(dlg.GetCheckListBox(17)->GetCurSel(), 1);
        auto* lines = Widget<QListWidget>(dlg, 19);
        lines->setCurrentRow(1);
        EXPECT_EQ(dlg.GetListBox(19)->GetCurSel(), 1);

        auto* view = Widget<QTreeView>(dlg, 16);
        QRect second = view->visualRect(view->model()->index(1, 0));
        QTest::mouseClick(view->viewport(), Qt::LeftButton, {}, second.center());
        EXPECT_EQ(dlg.GetListCtrl(16)->GetSelectionMark(), 1);
        QPoint empty(5, view->viewport()->height() - 5);
        QTest::mouseDClick(view->viewport(), Qt::LeftButton, Qt::ControlModifier, empty);
        EXPECT_EQ(dlg.GetListCtrl(16)->GetSelectionMark(), -1);
        EXPECT_TRUE(view->selectionModel()->selectedRows().isEmpty());

        AnswerLater([] {
            auto* menu = qobject_cast<QMenu*>(QApplication::activePopupWidget());
            ASSERT_NE(menu, nullptr);
            ASSERT_EQ(menu->actions().size(), 3);
            EXPECT_TRUE(menu->actions()[1]->isSeparator());
            menu->setActiveAction(menu->actions()[2]);
            QTest::keyClick(menu, Qt::Key_Return);
        });
        emit view->customContextMenuRequested(
            view->visualRect(view->model()->index(0, 0)).center());
        EXPECT_EQ(dlg.GetListCtrl(16)->GetSelectionMark(), 0);

        QTest::keyClick(view, Qt::Key_Insert, Qt::ControlModifier);
        EXPECT_TRUE(QTest::qWaitForWindowActive(QtWindowOf(dlg)));  // back from the menu

        // Leaving the name edit asks; the box's default is No, the person says Yes.
        name->setFocus();
        EXPECT_EQ(dlg.GetFocusId(), 10);
        name->selectAll();
        QTest::keyClicks(name, "ask");
        AnswerLater([] {
            auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
            ASSERT_NE(box, nullptr);
            EXPECT_EQ(box->text(), "Sure?");
            EXPECT_EQ(box->defaultButton(), box->button(QMessageBox::No));
            box->button(QMessageBox::Yes)->click();
        });
        Widget<QCheckBox>(dlg, 14)->setFocus();
        EXPECT_EQ(dlg.GetFocusId(), 14);

        QTest::keyClick(Widget<QCheckBox>(dlg, 14), Qt::Key_Return);
    });
    EXPECT_EQ(result, IDOK);
    EXPECT_EQ(dlg.m_name, "ASK");
    EXPECT_EQ(dlg.m_number, 42);
    EXPECT_EQ(dlg.m_choice, 1);
    EXPECT_EQ(dlg.m_flag, 1);
    EXPECT_EQ(dlg.m_log, (std::vector<std::string>{"kill name", "type two", "edit t", "edit tw",
                                                   "check 01", "changed 1 3", "changed 1 0",
                                                   "dblclk -1 ctrl", "changed 0 3", "menu 0 32771",
                                                   "insert ctrl", "kill name", "answer 6"}));
}

TEST_F(QtPersonFixture, TheWindowsCloseButtonAndEscapeCancel) {
    for (bool closeButton : {true, false}) {
        CTestDlg dlg;
        int result = RunAsPerson(dlg, [&] {
            if (closeButton)
                QtWindowOf(dlg)->close();
            else
                QTest::keyClick(Widget<QLineEdit>(dlg, 10), Qt::Key_Escape);
        });
        EXPECT_EQ(result, IDCANCEL) << closeButton;
    }
}

// The library's dialogs on real widgets: every control inside the window, and no two
// overlapping unless one is the group frame around the other.
class CGeometryProbe : public CDialog {
  public:
    using CDialog::CDialog;
    bool m_probed = false;

  protected:
    BOOL PreTranslateMessage(MSG*) override {
        m_probed = true;
        QWidget* window = QtWindowOf(*this);
        CRect client;
        GetClientRect(&client);
        EXPECT_EQ(window->size(), QSize(client.Width(), client.Height()));
        QList<QWidget*> widgets = window->findChildren<QWidget*>(Qt::FindDirectChildrenOnly);
        EXPECT_EQ(widgets.size(), static_cast<qsizetype>(Controls().size()));
        for (QWidget* a : widgets) {
            EXPECT_TRUE(window->rect().contains(a->geometry())) << a->objectName().toStdString();
            for (QWidget* b : widgets) {
                if (a == b || !a->geometry().intersects(b->geometry()))
                    continue;
                bool framed = qobject_cast<QGroupBox*>(a) && !qobject_cast<QGroupBox*>(b) &&
                              a->geometry().contains(b->geometry());
                bool framedBy = qobject_cast<QGroupBox*>(b) && !qobject_cast<QGroupBox*>(a) &&
                                b->geometry().contains(a->geometry());
                EXPECT_TRUE(framed || framedBy) << a->objectName().toStdString() << " overlaps "
                                                << b->objectName().toStdString();
            }
        }
        return FALSE;
    }
};

TEST(QtGeometry, TheLibrarysDialogsFitTheirWindows) {
    App();
    testing::CTestSite site;
    for (const SDialogTemplate* tpl : AllDialogTemplates()) {
        SCOPED_TRACE("template " + std::to_string(tpl->id));
        std::string shot = std::string(KITROSTER_SHOT_DIR) + "/" + std::to_string(tpl->id) + ".png";
        std::filesystem::remove(shot);
        CQtSession qt("shot " + shot + "\nkey Escape\n");
        CGeometryProbe dlg(tpl->id);
        EXPECT_EQ(qt.Run([&] { return dlg.DoModal(); }), IDCANCEL) << qt.Transcript();
        EXPECT_TRUE(dlg.m_probed);
        EXPECT_TRUE(std::filesystem::exists(shot));
        EXPECT_EQ(qt.Transcript().find("mismatch"), std::string::npos) << qt.Transcript();
    }
}

}  // namespace
}  // namespace kitroster

// The framework as a person meets it: a small dialog of this test's own module, driven by
// scripts on the headless backend.
#include <gtest/gtest.h>

#include "dialog_framework/Dialog.h"
#include "dialog_framework/ModuleState.h"
#include "testing/dialogs/ScriptSession.h"
#include "testing/site/TestSite.h"

namespace kitroster {
namespace {

using namespace style;
using C = EControlClass;

constexpr SControlTemplate kControls[] = {
    {10, C::Edit, "", kTabStop | kUpperCase, {7, 7, 60, 12}},
    {11, C::Edit, "", kTabStop | kNumber, {7, 22, 60, 12}},
    {12, C::RadioButton, "&A", kGroup | kTabStop, {7, 40, 30, 10}},
    {13, C::RadioButton, "&B", 0, {40, 40, 30, 10}},
    {14, C::CheckBox, "&C", kGroup | kTabStop, {7, 55, 30, 10}},
    {15, C::DropDownList, "", kTabStop, {7, 70, 60, 12}},
    {16, C::ListView, "", kTabStop | kBorder, {80, 7, 100, 80}},
    {17, C::CheckListBox, "", kTabStop, {7, 90, 60, 40}},
    {1, C::PushButton, "OK", kDefPushButton | kTabStop, {120, 110, 50, 14}},
    {2, C::PushButton, "Cancel", kTabStop, {120, 126, 50, 14}},
};
constexpr SDialogTemplate kTemplate{900, "Test", 190, 145, "Sans Serif", 8, kControls};

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
    std::vector<std::string> m_log;

  protected:
    BOOL OnInitDialog() override {
        CDialog::OnInitDialog();
        GetComboBox(15)->AddString("one");
        GetComboBox(15)->AddString("two");
        CListCtrl* list = GetListCtrl(16);
        list->InsertColumn(0, "NAME", LVCFMT_LEFT, 50);
        list->InsertColumn(1, "HIDDEN", LVCFMT_LEFT, 0);
        for (const char* row : {"CAM01", "SRV01"})
            list->SetItemText(list->InsertItem(99, ""), 0, row);
        GetCheckListBox(17)->AddString("x");
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
    void OnTimer(UINT_PTR id) override { m_log.push_back("timer " + std::to_string(id)); }
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
    }
    void OnKillName() {
        m_log.push_back("kill name");
        if (GetDlgItemText(10) == "ASK")
            MessageBox(1, 1, MB_YESNO | MB_ICONQUESTION | MB_DEFBUTTON2);
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
        UINT chosen = TrackPopupMenu(menu, TPM_RETURNCMD, {});
        m_log.push_back("menu " + std::to_string(info.row) + " " + std::to_string(chosen));
    }
};

struct Fixture : ::testing::Test {
    testing::CTestSite site;
    CModuleStateGuard module{kTestModule};
};

TEST_F(Fixture, TypingFollowsTheEditStylesAndDataExchangeValidates) {
    testing::CScriptSession session(
        "type 10 \"ab c\"\n"  // upper-cased
        "type 11 12x3\n"      // digits only
        "click 13\n"          // radio B clears A
        "click 14\n"
        "type 10 toolong\n"  // the limit DDV_MaxChars set cuts the typing
        "key Return\n");
    CTestDlg dlg;
    EXPECT_EQ(session.Run([&] { return dlg.DoModal(); }), IDOK);
    EXPECT_EQ(dlg.m_name, "TOOLO");
    EXPECT_EQ(dlg.m_number, 123);
    EXPECT_EQ(dlg.m_choice, 1);
    EXPECT_EQ(dlg.m_flag, 1);
    EXPECT_TRUE(session.MessageBoxTexts().empty());
    auto events = session.Events();
    EXPECT_EQ(events.front()["event"], "open");
    EXPECT_EQ(events.back(),
              (nlohmann::json{{"event", "close"}, {"template", 900}, {"result", 1}}));
}

TEST_F(Fixture, KillFocusRunsBeforeTheNextCommandAndItsMessageBoxMustBeAnswered) {
    testing::CScriptSession session(
        "type 10 ask\n"
        "click 14\n"  // focus leaves 10: the box opens before the click happens
        "click 1\n"   // not an answer: a script error
    );
    CTestDlg dlg;
    EXPECT_EQ(session.Run([&] { return dlg.DoModal(); }), 2);
    auto box = session.Events("messagebox").at(0);
    EXPECT_EQ(box["buttons"], (nlohmann::json{"Yes", "No"}));
    EXPECT_EQ(box["default"], "No");
    EXPECT_EQ(box["icon"], "question");
    EXPECT_EQ(session.Events("error").at(0)["line"], 3);
    EXPECT_EQ(dlg.m_log, std::vector<std::string>{"kill name"});
    EXPECT_FALSE(dlg.IsOpen());
}

TEST_F(Fixture, ListsMenusKeysAndTimers) {
    testing::CScriptSession session(
        "dblclick 16 srv01 ctrl\n"
        "rclick 16 empty\n"
        "menu Dependants...\n"
        "rclick 16 #0\n"
        "menu none\n"
        "key Insert ctrl\n"
        "wait 250\n"
        "choose 15 TWO\n"
        "check 17 x on\n"
        "dump\n"
        "key Escape\n");
    CTestDlg dlg;
    EXPECT_EQ(session.Run([&] { return dlg.DoModal(); }), IDCANCEL);
    // The focus starts on the first edit, so the first click on the list takes it away.
    EXPECT_EQ(dlg.m_log,
              (std::vector<std::string>{"kill name", "changed 1 3", "dblclk 1 ctrl", "changed 1 0",
                                        "menu -1 32771", "changed 0 3", "menu 0 0", "insert ctrl",
                                        "timer 666", "timer 666"}));
    auto dump = session.Events("dump").at(0);
    EXPECT_EQ(dump["focus"], 17);
    const auto& controls = dump["controls"];
    EXPECT_EQ(controls[5]["selected"], 1);
    EXPECT_EQ(controls[5]["text"], "two");
    EXPECT_EQ(controls[6]["columns"][1], (nlohmann::json{{"heading", "HIDDEN"}, {"width", 0}}));
    EXPECT_EQ(controls[6]["rows"][0][0], "CAM01");
    EXPECT_EQ(controls[7]["checks"], (nlohmann::json{true}));
    EXPECT_EQ(session.Events("menu").at(0)["items"][1], (nlohmann::json{{"separator", true}}));
}

TEST_F(Fixture, DisabledControlsAreIgnoredAndScriptFaultsStopTheSession) {
    struct Case {
        std::string script;
        int result;
        std::string event;  // the event the last line gives
    };
    const Case cases[] = {
        {"shot x.png\nclick 2\n", IDCANCEL, "ignored"},
        {"click 99\n", 2, "error"},
        {"type 1 x\n", 2, "error"},  // a button takes no typing
        {"choose 16 nothere\n", 2, "error"},
        {"answer Yes\n", 2, "error"},
        {"frobnicate 1\n", 2, "error"},
        {"wait -5\n", 2, "error"},
        {"type 10 x\n", 3, "open"},  // ran out with the window open
    };
    for (const auto& c : cases) {
        testing::CScriptSession session(c.script);
        CTestDlg dlg;
        EXPECT_EQ(session.Run([&] { return dlg.DoModal(); }), c.result) << c.script;
        auto events = session.Events();
        bool found = false;
        for (const auto& e : events)
            found = found || e["event"] == c.event;
        EXPECT_TRUE(found) << c.script << session.Transcript();
    }
    // A disabled control takes nothing; the reason is recorded.
    testing::CScriptSession session("click 2\n");
    struct CDisabling : CTestDlg {
        BOOL OnInitDialog() override {
            CTestDlg::OnInitDialog();
            GetDlgItem(2)->EnableWindow(FALSE);
            return TRUE;
        }
    } dlg;
    EXPECT_EQ(session.Run([&] { return dlg.DoModal(); }), 3);
    EXPECT_EQ(session.Events("ignored").at(0)["reason"], "disabled");
}

}  // namespace
}  // namespace kitroster

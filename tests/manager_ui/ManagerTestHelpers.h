// What the manager window tests share: a catalogue folder with resources, a run of the
// window (or any dialog) under a script, and the control states of a dump.
#pragma once

#include <functional>
#include <initializer_list>
#include <string>
#include <vector>

#include <nlohmann/json.hpp>

#include "manager_ui/ResMgrDlg.h"
#include "testing/dialogs/ScriptSession.h"
#include "testing/site/TestSite.h"

namespace NResourceItem {

struct SRes {
    const char* id;
    const char* type;
    const char* conn = "";
};

inline void WriteResources(kitroster::testing::CTestSite& site, std::initializer_list<SRes> rows) {
    for (const SRes& r : rows)
        site.WriteRaw(std::string("_RES_") + r.id + ".zrr",
                      kitroster::testing::CTestSite::ResourceText(r.id, r.type, r.conn));
}

// A camera referred to by an assembly and by a room (through its assembly list), and a
// server nobody refers to.
inline void WriteCatalogue(kitroster::testing::CTestSite& site) {
    WriteResources(site, {{"CAM1", "CAMERA_IP", "IPADDR=10.0.0.5;"},
                          {"ASSY1", "ASSEMBLY_VIDEO", "RES_CAMERA=CAM1;"},
                          {"ROOM1", "ROOM_VIDEO", "RES_ASSYLIST=ASSY1|CAM1;"},
                          {"SRV1", "SERVER_MPEG4", "IPADDR=192.168.0.1;"}});
}

struct SRun : kitroster::testing::SScriptRun {
    std::string selected;  // GetSelectedID() of a manager window

    // The first column of every row of list view `id` in dump `n`.
    std::vector<std::string> Names(int id, size_t n = 0) const {
        std::vector<std::string> names;
        const nlohmann::json list = Control(id, n);
        for (const auto& row : list["rows"])
            names.push_back(row[0]);
        return names;
    }
};

inline SRun RunScript(const std::string& script, const std::function<int()>& body) {
    kitroster::testing::CScriptSession session(script);
    return SRun{session.Record(body), {}};
}

struct SManagerArgs {
    CString caption;
    CString selected;
    bool readOnly = false;
    CZRauto_ptr<IResourceTypeList> types;
};

inline SRun RunManager(const std::string& script, const SManagerArgs& args = {}) {
    CResMgrDlg dlg(args.caption, args.selected, args.readOnly, args.types, nullptr);
    SRun run = RunScript(script, [&] { return dlg.DoModal(); });
    run.selected = dlg.GetSelectedID().str();
    return run;
}

}  // namespace NResourceItem

// What the editor tests share: a catalogue in memory, a run of one editor under a script,
// and the properties of a resulting string.
#pragma once

#include <initializer_list>
#include <map>
#include <string>
#include <utility>
#include <vector>

#include <nlohmann/json.hpp>

#include "catalogue/Kitroster.h"
#include "catalogue/ResPropertyBag.h"
#include "catalogue/ResourceItem.h"
#include "editor_ui/EditorTable.h"
#include "testing/dialogs/ScriptSession.h"

namespace NResourceItem {

struct SRow {
    const char* id;
    const char* type;
    const char* conn;
};

inline CZRauto_ptr<IKitroster> MakeCatalogue(std::initializer_list<SRow> rows) {
    CZRauto_ptr<IKitroster> collection = CKitrosterFactory::CreateInstance();
    for (const SRow& row : rows) {
        CZRauto_ptr<IResourceItem> item = CResourceItemFactory::CreateInstance();
        item->set_ID(row.id);
        item->set_Type(row.type);
        item->set_Conn(row.conn);
        collection->Add(item);
    }
    return collection;
}

struct SOutcome {
    int result = 0;
    CString value;
    std::vector<std::string> boxes;  // message-box texts, in order
    std::vector<nlohmann::json> events;
    std::string transcript;

    std::vector<nlohmann::json> Of(const std::string& kind) const {
        std::vector<nlohmann::json> found;
        for (const auto& e : events)
            if (e["event"] == kind)
                found.push_back(e);
        return found;
    }
};

// Runs the editor that `conn` (or the capability editor, `caps`) binds to `type` on
// `value`, played by `script`.
inline SOutcome RunEditor(bool caps, const char* type, CZRauto_ptr<IKitroster> catalogue,
                          const char* id, const CString& value, const std::string& script) {
    kitroster::testing::CScriptSession session(script);
    SOutcome out;
    if (caps) {
        IResEditCaps* editor = CapsEditorFor(type);
        editor->Prepare(catalogue, id, value);
        out.result = session.Run([&] { return editor->DoModal(); });
        out.value = editor->GetValue();
    } else {
        IResEditConn* editor = ConnEditorFor(type);
        editor->Prepare(catalogue, id, value);
        out.result = session.Run([&] { return editor->DoModal(); });
        out.value = editor->GetValue();
    }
    out.boxes = session.MessageBoxTexts();
    out.events = session.Events();
    out.transcript = session.Transcript();
    return out;
}

// The keys of a property string in order, each with its value.
inline std::vector<std::pair<std::string, std::string>> Properties(const CString& text) {
    CZRauto_ptr<IResPropertyBag> bag = CResPropertyBagFactory::CreateInstance(text);
    std::vector<std::pair<std::string, std::string>> props;
    CString key, value;
    for (int i = 0; bag->Get(i, key, value); ++i)
        props.emplace_back(key.str(), value.str());
    return props;
}

inline std::string Property(const CString& text, const char* key) {
    CZRauto_ptr<IResPropertyBag> bag = CResPropertyBagFactory::CreateInstance(text);
    CString value = "<absent>";
    bag->Get(key, value);
    return value.str();
}

// The control `id` of the first dump event.
inline nlohmann::json DumpedControl(const SOutcome& out, int id) {
    for (const auto& e : out.events)
        if (e["event"] == "dump")
            for (const auto& c : e["controls"])
                if (c["id"] == id)
                    return c;
    return {};
}

}  // namespace NResourceItem

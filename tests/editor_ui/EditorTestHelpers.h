// What the editor tests share: a catalogue in memory, a run of one editor under a script,
// and the properties of a resulting string.
#pragma once

#include <map>
#include <string>
#include <utility>
#include <vector>

#include <nlohmann/json.hpp>

#include "catalogue/Kitroster.h"
#include "catalogue/ResPropertyBag.h"
#include "editor_ui/EditorTable.h"
#include "testing/dialogs/ScriptSession.h"
#include "tests/catalogue/queries/CatalogueFixture.h"

namespace NResourceItem {

struct SOutcome : kitroster::testing::SScriptRun {
    CString value;
};

// Runs the editor that `conn` (or the capability editor, `caps`) binds to `type` on
// `value`, played by `script`.
inline SOutcome RunEditor(bool caps, const char* type, CZRauto_ptr<IKitroster> catalogue,
                          const char* id, const CString& value, const std::string& script) {
    kitroster::testing::CScriptSession session(script);
    auto run = [&](auto* editor) {
        editor->Prepare(catalogue, id, value);
        SOutcome out{session.Record([&] { return editor->DoModal(); }), {}};
        out.value = editor->GetValue();
        return out;
    };
    return caps ? run(CapsEditorFor(type)) : run(ConnEditorFor(type));
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
    return out.Control(id);
}

}  // namespace NResourceItem

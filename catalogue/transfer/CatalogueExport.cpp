#include "catalogue/transfer/CatalogueExport.h"

#include <algorithm>
#include <set>
#include <utility>
#include <vector>

#include <nlohmann/json.hpp>

#include "catalogue/ResPropertyBag.h"
#include "catalogue/transfer/CsvCodec.h"
#include "catalogue/transfer/TransferColumns.h"
#include "platform/env/PathMapping.h"

namespace NResourceItem {

namespace {

using Json = nlohmann::ordered_json;
using namespace transfer;
using SProperties = std::vector<std::pair<std::string, std::string>>;

std::string Utf8(const CString& text) {
    return kitroster::Cp1252ToUtf8(text.str());
}

// The properties of a property string, keys upper-case, in the bag's order, as UTF-8.
SProperties Properties(const CString& text) {
    SProperties properties;
    CZRauto_ptr<IResPropertyBag> bag = CResPropertyBagFactory::CreateInstance(text);
    CString key, value;
    for (int i = 0; bag && bag->Get(i, key, value); ++i)
        properties.emplace_back(Utf8(key), Utf8(value));
    return properties;
}

Json PropertiesJson(const SProperties& properties) {
    Json object = Json::object();
    for (const auto& [key, value] : properties)
        object[key] = value;
    return object;
}

// Property column names in order of first appearance.
class CColumnOrder {
  public:
    void Add(const SProperties& properties) {
        for (const auto& property : properties) {
            if (m_seen.insert(property.first).second)
                m_keys.push_back(property.first);
        }
    }
    const std::vector<std::string>& Keys() const { return m_keys; }

  private:
    std::set<std::string> m_seen;
    std::vector<std::string> m_keys;
};

std::string ValueOf(const SProperties& properties, const std::string& key) {
    for (const auto& property : properties) {
        if (property.first == key)
            return property.second;
    }
    return {};
}

// The resources by identifier, case ignored. Collection order is the order the folder
// lists its files, which differs between file systems and copies of one site; an export
// must not, so that two exports of the same catalogue compare equal.
std::vector<CZRauto_ptr<IResourceItem>> ItemsById(IKitroster* collection) {
    std::vector<CZRauto_ptr<IResourceItem>> items;
    for (int i = 0; i < collection->Size(); ++i)
        items.push_back(collection->GetItemByIndex(i));
    std::stable_sort(items.begin(), items.end(), [](IResourceItem* a, IResourceItem* b) {
        return a->get_ID().CompareNoCase(b->get_ID()) < 0;
    });
    return items;
}

}  // namespace

std::string ExportCatalogueJson(IKitroster* collection) {
    Json rows = Json::array();
    for (IResourceItem* item : ItemsById(collection)) {
        rows.push_back(Json{{kJsonId, Utf8(item->get_ID())},
                            {kJsonType, Utf8(item->get_Type())},
                            {kJsonName, Utf8(item->get_Name())},
                            {kJsonConn, Utf8(item->get_Conn())},
                            {kJsonCaps, Utf8(item->get_Caps())},
                            {kJsonConnProperties, PropertiesJson(Properties(item->get_Conn()))},
                            {kJsonCapsProperties, PropertiesJson(Properties(item->get_Caps()))}});
    }
    return rows.dump(2) + "\n";
}

std::string ExportCatalogueCsv(IKitroster* collection, bool raw) {
    struct SRow {
        std::vector<std::string> fields;
        SProperties conn, caps;
    };
    std::vector<SRow> rows;
    CColumnOrder connKeys, capsKeys;
    for (IResourceItem* item : ItemsById(collection)) {
        SRow row{{Utf8(item->get_ID()), Utf8(item->get_Type()), Utf8(item->get_Name()),
                  Utf8(item->get_Conn()), Utf8(item->get_Caps())},
                 Properties(item->get_Conn()),
                 Properties(item->get_Caps())};
        connKeys.Add(row.conn);
        capsKeys.Add(row.caps);
        rows.push_back(std::move(row));
    }

    std::vector<std::string> header = {kColumnId, kColumnType, kColumnName, kColumnConn,
                                       kColumnCaps};
    for (const std::string& key : connKeys.Keys())
        header.push_back(kConnPrefix + key);
    for (const std::string& key : capsKeys.Keys())
        header.push_back(kCapsPrefix + key);
    std::string out;
    AppendCsvRecord(header, &out);
    for (SRow& row : rows) {
        for (const std::string& key : connKeys.Keys())
            row.fields.push_back(ValueOf(row.conn, key));
        for (const std::string& key : capsKeys.Keys())
            row.fields.push_back(ValueOf(row.caps, key));
        if (!raw) {
            for (std::string& cell : row.fields)
                cell = MarkSpreadsheetCell(cell);
        }
        AppendCsvRecord(row.fields, &out);
    }
    return out;
}

}  // namespace NResourceItem

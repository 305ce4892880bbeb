#include "catalogue/ResourceItem.h"

#include <cstdint>

#include "catalogue/CatalogueContext.h"
#include "platform/app/KitrosterApp.h"
#include "platform/env/Env.h"
#include "platform/treeweave/KeyTree.h"

namespace NResourceItem {

namespace {

const char* const kKeys[] = {"ID", "TYPE", "NAME", "CONN", "CAPS"};

}  // namespace

CResultCodeException::~CResultCodeException() = default;

CResourceItemFactory::CResourceItemFactory() = default;
CResourceItemFactory::CResourceItemFactory(const CResourceItemFactory& other) = default;
CResourceItemFactory& CResourceItemFactory::operator=(const CResourceItemFactory& other) = default;
CResourceItemFactory::~CResourceItemFactory() = default;

CZRauto_ptr<IResourceItem> CResourceItemFactory::CreateInstance() {
    return CZRauto_ptr<IResourceItem>(new CResourceItemFactory());
}

CZRauto_ptr<IResourceItem> CResourceItemFactory::CreateInstance(CKeyTree* tree) {
    auto* item = new CResourceItemFactory();
    CZRauto_ptr<IResourceItem> handle(item);
    item->FromKeyTree(tree);
    return handle;
}

CString CResourceItemFactory::makeUniqueID(const CString& prefix) {
    kitroster::Guid guid;
    const kitroster::EnvStatus status = GetKitrosterApp().GetEnv()->CreateGuid(&guid);
    if (!status.ok())
        throw CResultCodeException(status.error(), status.ToString());
    // Bytes 8 to 11 (the start of the final group) as one little-endian number.
    const uint32_t number =
        static_cast<uint32_t>(guid.bytes[8]) | static_cast<uint32_t>(guid.bytes[9]) << 8 |
        static_cast<uint32_t>(guid.bytes[10]) << 16 | static_cast<uint32_t>(guid.bytes[11]) << 24;
    CString id;
    id.Format("%s%08lx", prefix.GetString(), static_cast<unsigned long>(number));
    return id.MakeUpper();
}

CString CResourceItemFactory::get_ID() {
    return m_ID;
}
CString CResourceItemFactory::get_Type() {
    return m_Type;
}
CString CResourceItemFactory::get_Name() {
    return m_Name;
}
CString CResourceItemFactory::get_Conn() {
    return m_Conn;
}
CString CResourceItemFactory::get_Caps() {
    return m_Caps;
}

void CResourceItemFactory::set_ID(const CString& id) {
    m_touched = true;
    m_ID = id;
    m_ID.MakeUpper();
}
void CResourceItemFactory::set_Type(const CString& type) {
    m_touched = true;
    m_Type = type;
}
void CResourceItemFactory::set_Name(const CString& name) {
    m_touched = true;
    m_Name = name;
}
void CResourceItemFactory::set_Conn(const CString& conn) {
    m_touched = true;
    m_Conn = conn;
}
void CResourceItemFactory::set_Caps(const CString& caps) {
    m_touched = true;
    m_Caps = caps;
}

CKeyTree* CResourceItemFactory::AsKeyTree() {
    auto* tree = new CKeyTree();
    const CString* fields[] = {&m_ID, &m_Type, &m_Name, &m_Conn, &m_Caps};
    for (int i = 0; i < 5; ++i) {
        tree->AddKey(kKeys[i], new CLstring(fields[i]->GetString(), fields[i]->GetLength()));
    }
    return tree;
}

bool CResourceItemFactory::IsDirty() {
    if (!m_touched)
        return false;
    return m_ID != m_loadedID || m_Type != m_loadedType || m_Name != m_loadedName ||
           m_Conn != m_loadedConn || m_Caps != m_loadedCaps;
}

void CResourceItemFactory::OnZRunknownFinalize() {}

void CResourceItemFactory::FromKeyTree(CKeyTree* tree) {
    m_ID.Empty();
    m_Type.Empty();
    m_Name.Empty();
    m_Conn.Empty();
    m_Caps.Empty();
    if (!tree) {
        m_touched = true;  // emptied fields are compared with the old baseline
        return;
    }
    CString* fields[] = {&m_ID, &m_Type, &m_Name, &m_Conn, &m_Caps};
    for (int i = 0; i < 5; ++i)
        *fields[i] = tree->GetAt(kKeys[i])->AsCStr(nullptr);
    m_loadedID = m_ID;
    m_loadedType = m_Type;
    m_loadedName = m_Name;
    m_loadedConn = m_Conn;
    m_loadedCaps = m_Caps;
    m_touched = false;
}

void CResourceItemFactory::_load(CString id, CString type, CString name, CString conn,
                                 CString caps) {
    m_loadedID = m_ID = std::move(id);
    m_loadedType = m_Type = std::move(type);
    m_loadedName = m_Name = std::move(name);
    m_loadedConn = m_Conn = std::move(conn);
    m_loadedCaps = m_Caps = std::move(caps);
    m_touched = false;
}

}  // namespace NResourceItem

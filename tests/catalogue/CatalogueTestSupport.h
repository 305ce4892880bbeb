// Set-up of the catalogue tests that touch files: the test site (private settings root,
// test Env, registry) under the names the tests use.
#pragma once

#include <gtest/gtest.h>

#include <fstream>
#include <string>

#include "catalogue/CatalogueContext.h"
#include "catalogue/ResourceItem.h"
#include "testing/site/TestSite.h"

// A new item of type "T" with the given identifier and connectivity.
inline NResourceItem::CZRauto_ptr<NResourceItem::IResourceItem> MakeItem(const char* id,
                                                                         const char* conn = "") {
    NResourceItem::CZRauto_ptr<NResourceItem::IResourceItem> item =
        NResourceItem::CResourceItemFactory::CreateInstance();
    item->set_ID(id);
    item->set_Type("T");
    item->set_Conn(conn);
    return item;
}

class CatalogueFolderTest : public ::testing::Test {
  protected:
    std::string FileIn(const std::string& name) const { return m_site.FileIn(name); }
    void WriteRaw(const std::string& name, const std::string& contents) {
        m_site.WriteRaw(name, contents);
    }
    std::string ReadRaw(const std::string& name) const { return m_site.ReadRaw(name); }
    bool Exists(const std::string& name) const { return m_site.Exists(name); }
    std::vector<std::string> Entries() const { return m_site.Entries(); }
    static std::string ResourceText(const std::string& id, const std::string& type = "T",
                                    const std::string& conn = "", int schema = 1000) {
        return kitroster::testing::CTestSite::ResourceText(id, type, conn, schema);
    }

    kitroster::testing::CTestSite m_site{"kitroster-cat-"};
    kitroster::CTestEnv& m_env = m_site.env();
    std::string m_folder = m_site.folder();
};

// Shared set-up of the catalogue tests that touch files: a temp settings root with its
// catalogue folder, a counting and fault-injecting test Env, and helpers to write and read
// files natively.
#pragma once

#include <gtest/gtest.h>

#include <fstream>
#include <sstream>
#include <string>

#include "catalogue/CatalogueContext.h"
#include "platform/env/TempDir.h"
#include "platform/env/TestEnv.h"

class CatalogueFolderTest : public ::testing::Test {
  protected:
    void SetUp() override {
        NResourceItem::SetCatalogueEnv(&m_env);
        NResourceItem::SetSettingsRootOverride(m_root.path().c_str());
        m_folder = m_root.Path("SettingsGeneral");
    }
    void TearDown() override {
        NResourceItem::SetCatalogueEnv(nullptr);
        NResourceItem::SetSettingsRootOverride("");
    }

    // Native path of a file in the catalogue folder.
    std::string FileIn(const std::string& name) const { return m_folder + "/" + name; }

    void WriteRaw(const std::string& name, const std::string& contents) {
        m_env.CreateDirectory(m_folder);
        std::ofstream out(FileIn(name), std::ios::binary | std::ios::trunc);
        out << contents;
    }
    std::string ReadRaw(const std::string& name) const {
        std::ifstream in(FileIn(name), std::ios::binary);
        std::ostringstream text;
        text << in.rdbuf();
        return text.str();
    }
    bool Exists(const std::string& name) const { return std::ifstream(FileIn(name)).good(); }
    // Every entry of the catalogue folder, sorted.
    std::vector<std::string> Entries() {
        std::vector<std::string> names;
        m_env.FindFiles(m_folder, "*", &names);
        std::sort(names.begin(), names.end());
        return names;
    }
    static std::string ResourceText(const std::string& id, const std::string& type = "T",
                                    const std::string& conn = "", int schema = 1000) {
        return "<SCMA> {" + std::to_string(schema) + "}\r\n<ID> {" + id + "}\r\n<TYPE> {" + type +
               "}\r\n<NAME> {}\r\n<CONN> {" + conn + "}\r\n<CAPS> {}\r\n";
    }

    kitroster::CTempDir m_root{"kitroster-cat-"};
    kitroster::CTestEnv m_env;
    std::string m_folder;
};

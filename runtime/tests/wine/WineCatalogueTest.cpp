// The cabinet catalogue read end to end from the demo installation: the real interpreter,
// the real helper library, the real registry.
#include "CabinetCatalogue.h"
#include "LogFile.h"

#include "WineSupport.h"

#include <gtest/gtest.h>

#include <algorithm>

using namespace wine_test;

namespace {

const CabinetRecord* Find(const std::vector<CabinetRecord>& records, const std::string& name) {
    auto it = std::find_if(records.begin(), records.end(),
                           [&](const CabinetRecord& r) { return name == r.displayName; });
    return it == records.end() ? nullptr : &*it;
}

// A login or password of a record as the session decodes it.
std::string Decoded(const char* encoded) {
    CSecretString plain;
    const CredentialLibrary* library = SystemHelperLibrary();
    if (library == nullptr || DecodeCredential(encoded, plain, *library) != Outcome::Done)
        return "<not decoded>";
    return plain.Text();
}

class WineCatalogue : public ::testing::Test {
protected:
    const std::string logName = "WineCatalogue.log";
    void SetUp() override {
        SetLogFileName(logName); // lets go of the file, which can then be deleted
        DeleteFileA(logName.c_str());
    }
};

TEST_F(WineCatalogue, ListsTheDemoCabinetsWithTheirLoginsEncoded) {
    std::vector<CabinetRecord> records;
    ASSERT_EQ(getSydCabList(512, records, SystemCatalogueSources()), 0u);
    ASSERT_EQ(records.size(), 6u);
    const CabinetRecord* sales = Find(records, Ansi("営業部"));
    ASSERT_NE(sales, nullptr);
    EXPECT_STREQ(sales->shortName, Ansi("営業部").c_str());
    EXPECT_STREQ(sales->databaseName, "Eigyo");
    EXPECT_STREQ(sales->operationMode, "0");
    EXPECT_EQ(std::string(sales->databaseHost).rfind("127.0.0.1", 0), 0u);
    EXPECT_STRNE(sales->encodedUser, "velmora_eigyo");
    EXPECT_EQ(Decoded(sales->encodedUser), "velmora_eigyo");
    EXPECT_EQ(Decoded(sales->encodedPassword), "Eig;yo=Pass}1");
    EXPECT_STREQ(Find(records, Ansi("経理部"))->operationMode, "1");

    const CabinetRecord* broken = Find(records, Ansi("暗号破損"));
    ASSERT_NE(broken, nullptr);
    EXPECT_STREQ(broken->encodedUser, "");
    EXPECT_EQ(Decoded(broken->encodedPassword), "BrokenPass1");
    const std::string log = ReadWholeFile(logName);
    EXPECT_NE(log.find(Ansi("【Failure】") + ",Decode error!! user,,,\r\n"), std::string::npos);
    EXPECT_EQ(log.find("BrokenPass1"), std::string::npos); // decoded values are never logged
}

TEST_F(WineCatalogue, Generation4ReadsTheCatalogueWithoutHeader) {
    ScopedMissingKey missing(kGeneration5Key);
    std::vector<CabinetRecord> records;
    ASSERT_EQ(getSydCabList(512, records, SystemCatalogueSources()), 0u);
    EXPECT_EQ(records.size(), 6u);
    EXPECT_NE(Find(records, Ansi("技術資料")), nullptr);
}

TEST_F(WineCatalogue, MissingCatalogueFallsBackToTheSystemDatabases) {
    ScopedMovedFile aside(InstallDir() + "\\Zeph5\\data\\ZqlCatalog.sqlite");
    std::vector<CabinetRecord> records;
    ASSERT_EQ(getSydCabList(512, records, SystemCatalogueSources()), 0u);
    ASSERT_EQ(records.size(), 6u);
    auto it = std::find_if(records.begin(), records.end(), [](const CabinetRecord& r) {
        return std::string(r.databaseName) == "Eigyo";
    });
    ASSERT_NE(it, records.end());
    EXPECT_STREQ(it->shortName, Ansi("営業部").c_str());
    EXPECT_STREQ(it->folder, (std::string("C:\\VelmoraData\\") + Ansi("営業部")).c_str());
    EXPECT_STREQ(it->encodedUser, "");
}

TEST_F(WineCatalogue, InventoryOfTheDemoInstallation) {
    CServerInventory inventory(SystemCatalogueSources());
    EXPECT_TRUE(inventory.IsInstalled(0));
    EXPECT_FALSE(inventory.IsInstalled(1));
    EXPECT_EQ(inventory.LoadCabinets(), 0u);
    std::string product;
    EXPECT_EQ(inventory.CountNamedCabinets(0, product), 6);
    EXPECT_EQ(product, "Tessaly");
}

} // namespace

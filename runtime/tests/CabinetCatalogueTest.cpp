#include "CabinetCatalogue.h"

#include "FakeCredentialLibrary.h"
#include "FakeRegistry.h"
#include "RecordingLog.h"
#include "SqliQuery.h"
#include "Text.h"

#include <gtest/gtest.h>

#include <map>

namespace {

const char kHeader[] = "CatalogKey,'|',StringValue,'|',StringValue,'|',StringValue,'|',"
                       "StringValue,'|',StringValue,'|',StringValue\r\n";

// The interpreter, faked by database name: the text it prints for the catalogue query and
// for the system database listing.
class CatalogueTest : public ::testing::Test {
protected:
    RecordingLog log;
    FakeRegistry registry = FakeRegistry::Installation(true);
    std::map<std::string, std::string> outputs; // by database
    std::map<std::string, std::uint32_t> statuses;
    std::vector<std::string> commandLines;

    void SetUp() override {
        fake_credentials::live = 0;
        fake_credentials::stringToAsciiGivesNothing = false;
    }
    void TearDown() override {
        EXPECT_EQ(fake_credentials::live, 0) << "helper library texts leaked";
    }

    CatalogueSources Sources() {
        return {&registry,
                [this](const std::string& commandLine, std::string& out) {
                    commandLines.push_back(commandLine);
                    const std::string db =
                        commandLine.find("/database ZqlCatalog") != std::string::npos
                            ? "ZqlCatalog"
                            : "$$SystemDB";
                    out = outputs[db];
                    return statuses.count(db) ? statuses[db] : kSqliOk;
                },
                &kFakeCredentialLibrary, &log};
    }
    std::string Log() const { return log.Utf8Text(); }
    // The records of a generation-5 catalogue of one row.
    std::vector<CabinetRecord> ReadRow(const std::string& row) {
        outputs["ZqlCatalog"] = std::string(kHeader) + row + "\r\n";
        std::vector<CabinetRecord> records;
        EXPECT_EQ(getSydCabList(512, records, Sources()), 0u);
        return records;
    }
};

TEST_F(CatalogueTest, Generation5RowsBecomeRecords) {
    outputs["ZqlCatalog"] = std::string(kHeader) +
                            "1,|,Sales,|,Eigyo,|,0,|,127.0.0.1,|,enc:sa_user,|,enc:p;w=\r\n"
                            "2,|,Books,|,Keiri,|,1,|,db2,|,enc:k,|,enc:q\r\n";
    std::vector<CabinetRecord> records;
    ASSERT_EQ(getSydCabList(512, records, Sources()), 0u);
    ASSERT_EQ(records.size(), 2u);
    EXPECT_STREQ(records[0].displayName, "Sales");
    EXPECT_STREQ(records[0].shortName, "Sales");
    EXPECT_STREQ(records[0].databaseName, "Eigyo");
    EXPECT_STREQ(records[0].operationMode, "0");
    EXPECT_STREQ(records[0].databaseHost, "127.0.0.1");
    // The login and password stay encoded: the session decodes them when it logs in.
    EXPECT_STREQ(records[0].encodedUser, "enc:sa_user");
    EXPECT_STREQ(records[0].encodedPassword, "enc:p;w=");
    EXPECT_STREQ(records[0].folder, "");
    EXPECT_EQ(records[1].stateFlag, 1);
    EXPECT_EQ(commandLines.at(0).rfind("\"C:\\Velmora\\Zeph5\\sqli.exe\" /inprocess /reg "
                                       "\"HKEY_LOCAL_MACHINE\\SOFTWARE\\Brannock\\Pellacore\\"
                                       "Zeph5\\Tarn-D1\" /database ZqlCatalog /sql \"select "
                                       "T1.CatalogKey, '|', T1.StringValue",
                                       0),
              0u);
    // The command line, the header and each row are logged, with the login and the
    // password masked: the helper library on the same machine would decode them.
    const std::string log = Log();
    EXPECT_NE(log.find("【Success】,getSydCabList(),\"C:\\Velmora"), std::string::npos);
    EXPECT_NE(log.find("getSydCabList(),1,|,Sales,|,Eigyo,|,0,|,127.0.0.1,|,********,|,********,,"),
              std::string::npos);
    for (const char* secret : {"sa_user", "p;w=", "enc:k", "enc:q"})
        EXPECT_EQ(log.find(secret), std::string::npos) << secret;
}

// Only the name is free text: a name holding the separator moves no other field, and the
// login and password stay masked in the log.
TEST_F(CatalogueTest, NameHoldingTheSeparatorShiftsNoField) {
    const std::vector<CabinetRecord> records =
        ReadRow("1,|,A,|,B,|,C,|,Db,|,0,|,h,|,enc:user1,|,enc:pass1");
    ASSERT_EQ(records.size(), 1u);
    const CabinetRecord& r = records[0];
    EXPECT_EQ((std::vector<std::string>{r.displayName, r.databaseName, r.operationMode,
                                        r.databaseHost, r.encodedUser, r.encodedPassword}),
              (std::vector<std::string>{"A,|,B,|,C", "Db", "0", "h", "enc:user1", "enc:pass1"}));
    const std::string log = Log();
    EXPECT_NE(log.find("getSydCabList(),1,|,A,|,B,|,C,|,Db,|,0,|,h,|,********,|,********,,"),
              std::string::npos);
    for (const char* secret : {"user1", "pass1"})
        EXPECT_EQ(log.find(secret), std::string::npos) << secret;
}

TEST_F(CatalogueTest, HeaderOnlyMeansNoCabinetsAndNoFallback) {
    outputs["ZqlCatalog"] = kHeader;
    std::vector<CabinetRecord> records;
    EXPECT_EQ(getSydCabList(512, records, Sources()), 0u);
    EXPECT_TRUE(records.empty());
    EXPECT_EQ(commandLines.size(), 1u);
}

TEST_F(CatalogueTest, UndecodableUserKeepsTheRecord) {
    const std::vector<CabinetRecord> records =
        ReadRow("1,|,Broken,|,Brk,|,0,|,h,|,garbage,|,enc:pw");
    ASSERT_EQ(records.size(), 1u);
    EXPECT_STREQ(records[0].encodedUser, "");
    EXPECT_STREQ(records[0].encodedPassword, "enc:pw");
    EXPECT_STREQ(records[0].databaseName, "Brk");
    const std::string log = Log();
    const std::size_t row = log.find("getSydCabList(),1,|,Broken");
    const std::size_t failure = log.find("【Failure】,Decode error!! user,,,");
    ASSERT_NE(failure, std::string::npos);
    EXPECT_LT(row, failure);
}

TEST_F(CatalogueTest, ConversionWithoutTextIsADecodeFailure) {
    fake_credentials::stringToAsciiGivesNothing = true;
    outputs["ZqlCatalog"] = std::string(kHeader) + "1,|,A,|,a,|,0,|,h,|,enc:u,|,enc:p\r\n";
    std::vector<CabinetRecord> records;
    ASSERT_EQ(getSydCabList(512, records, Sources()), 0u);
    EXPECT_STREQ(records[0].encodedUser, "");
    EXPECT_NE(Log().find("Decode error!! password"), std::string::npos);
}

TEST_F(CatalogueTest, LongValuesAreCutAndMissingFieldsEmpty) {
    const std::string longDb(40, 'd');
    outputs["ZqlCatalog"] = std::string(kHeader) + "1,|,Short,|," + longDb + ",|,0\r\n";
    std::vector<CabinetRecord> records;
    ASSERT_EQ(getSydCabList(512, records, Sources()), 0u);
    EXPECT_EQ(std::string(records[0].databaseName), std::string(31, 'd'));
    EXPECT_STREQ(records[0].databaseHost, "");
    EXPECT_NE(Log().find("Decode error!! user"), std::string::npos);
}

TEST_F(CatalogueTest, BracedFieldsAreReducedButEmptyBracesKept) {
    outputs["ZqlCatalog"] = std::string(kHeader) + "1,|,{Name},|,db,|,{},|,h,|,enc:u,|,enc:p\r\n";
    std::vector<CabinetRecord> records;
    ASSERT_EQ(getSydCabList(512, records, Sources()), 0u);
    EXPECT_STREQ(records[0].displayName, "Name");
    EXPECT_STREQ(records[0].operationMode, "{}");
}

TEST_F(CatalogueTest, Generation4LinesAreAllData) {
    registry = FakeRegistry::Installation(false);
    outputs["ZqlCatalog"] = "1,|,Old,|,OldDb,|,0,|,h,|,enc:u,|,enc:p\r\n";
    std::vector<CabinetRecord> records;
    ASSERT_EQ(getSydCabList(512, records, Sources()), 0u);
    ASSERT_EQ(records.size(), 1u);
    EXPECT_STREQ(records[0].databaseName, "OldDb");
    EXPECT_EQ(commandLines.at(0).rfind("\"C:\\Velmora\\sqli.exe\" /inprocess /reg "
                                       "\"HKEY_LOCAL_MACHINE\\SOFTWARE\\Brannock\\Pellacore\\Zeph4",
                                       0),
              0u);
}

TEST_F(CatalogueTest, ErrorOrEmptyCatalogueFallsBackToTheSystemDatabases) {
    outputs["$$SystemDB"] = "Name,Paths\r\nSalesDb,C:\\Data\\Vaults\\Sales\\vault\\\r\n"
                            "Odd,short\r\n"
                            // The suffix starts inside 部 (95 94): the folder keeps 営業.
                            "Eigyo,C:\\\x89\x63\x8B\xC6\x95\x94\\vault\r\n";
    for (const char* catalogue : {"[ERROR] -1 database ZqlCatalog not found\r\nSQL: x\r\n", ""}) {
        outputs["ZqlCatalog"] = catalogue;
        std::vector<CabinetRecord> records;
        ASSERT_EQ(getSydCabList(512, records, Sources()), 0u);
        ASSERT_EQ(records.size(), 3u);
        EXPECT_STREQ(records[0].databaseName, "SalesDb");
        EXPECT_STREQ(records[0].folder, "C:\\Data\\Vaults\\Sales");
        EXPECT_STREQ(records[0].displayName, "C:\\Data\\Vaults\\Sales");
        EXPECT_STREQ(records[0].shortName, "Sales");
        EXPECT_STREQ(records[1].folder, ""); // Paths shorter than its suffix
        EXPECT_STREQ(records[2].folder, "C:\\\x89\x63\x8B\xC6");
        EXPECT_STREQ(records[0].encodedUser, "");
        EXPECT_EQ(records[0].stateFlag, 1);
    }
    EXPECT_NE(Log().find("【Failure】,キャビネットが見つからなかった,,,"), std::string::npos);
    EXPECT_NE(commandLines.at(1).find("/database $$SystemDB /sql \"select Name, Paths from "
                                      "system_database where (Name <> 'ZqlDocType') AND (Name "
                                      "<> 'ZqlCatalog') AND (Name <>'DefaultDB')\""),
              std::string::npos);
}

TEST_F(CatalogueTest, FailuresOfBothSources) {
    std::vector<CabinetRecord> records;
    statuses["ZqlCatalog"] = kSqliReadFailed;
    EXPECT_EQ(getSydCabList(512, records, Sources()), kSqliReadFailed);

    statuses.clear();
    outputs["ZqlCatalog"] = "";
    outputs["$$SystemDB"] = "[ERROR] broken\r\n";
    EXPECT_EQ(getSydCabList(512, records, Sources()), kSqliNoEdition);
    statuses["$$SystemDB"] = kSqliReadFailed;
    EXPECT_EQ(getSydCabList(512, records, Sources()), kCabinetsUnreadable);
    EXPECT_TRUE(records.empty());
    EXPECT_EQ(getSydCabList(4096, records, Sources()), kSqliNoEdition);
    EXPECT_EQ(ListSystemDatabases(4096, "", records, Sources()), kSqliInvalidArg);
}

// Without a full installation folder the command line would name "\sqli.exe" on the
// current drive, or a sqli.exe in the current folder: nothing is started.
TEST_F(CatalogueTest, InterpreterWithoutAFullInstallationFolderIsNotStarted) {
    for (const char* folder : {"", "Velmora"}) {
        registry.strings[{"SOFTWARE\\Brannock\\Pellacore", "InstallDir"}] = folder;
        std::vector<CabinetRecord> records;
        EXPECT_EQ(getSydCabList(512, records, Sources()), kSqliNoInstallFolder) << folder;
        EXPECT_EQ(ListSystemDatabases(512, folder, records, Sources()), kSqliNoInstallFolder);
    }
    registry.strings.clear();
    std::vector<CabinetRecord> records;
    EXPECT_EQ(getSydCabList(512, records, Sources()), kSqliNoInstallFolder);
    EXPECT_TRUE(commandLines.empty());
    EXPECT_NE(Log().find("【Failure】,sqli.exe,サーバーのインストールフォルダーが分からないため"),
              std::string::npos);
    std::string output;
    EXPECT_EQ(RunSqliQuery(512, "select 1", output, registry, log), kSqliNoInstallFolder);
}

TEST_F(CatalogueTest, InventoryListsOnlyTheStorageProduct) {
    registry = FakeRegistry::Installation(true, 0x200);
    outputs["ZqlCatalog"] = std::string(kHeader) + "1,|,,|,db,|,0,|,h,|,enc:u,|,enc:p\r\n" +
                            "2,|,Named,|,db2,|,0,|,h,|,enc:u,|,enc:p\r\n";
    CServerInventory inventory(Sources());
    EXPECT_TRUE(inventory.IsInstalled(0));
    EXPECT_FALSE(inventory.IsInstalled(1));
    EXPECT_EQ(inventory.LoadCabinets(), 0u);
    std::string text;
    EXPECT_TRUE(inventory.GetProductName(0, text));
    EXPECT_EQ(text, "Tessaly");
    EXPECT_FALSE(inventory.GetCabinetName(0, 0, text)); // neither name nor folder
    EXPECT_TRUE(inventory.GetCabinetName(0, 1, text));
    EXPECT_EQ(text, "Named");
    EXPECT_FALSE(inventory.GetCabinetName(0, 2, text));
    EXPECT_EQ(text, "");
    EXPECT_EQ(inventory.CountNamedCabinets(0, text), 1);

    registry = FakeRegistry::Installation(true, 0xC00);
    CServerInventory others(Sources());
    EXPECT_EQ(others.LoadCabinets(), kCabinetsUnreadable);
    EXPECT_TRUE(others.IsInstalled(1));
    EXPECT_TRUE(others.IsInstalled(2));
    EXPECT_FALSE(others.GetProductName(0, text));
    EXPECT_EQ(text, "");
}

TEST_F(CatalogueTest, FailedLoadClearsTheEntry) {
    outputs["ZqlCatalog"] = std::string(kHeader) + "1,|,A,|,a,|,0,|,h,|,enc:u,|,enc:p\r\n";
    CServerInventory inventory(Sources());
    ASSERT_EQ(inventory.LoadCabinets(), 0u);
    EXPECT_EQ(inventory.Entry(0).cabinets.size(), 1u);
    statuses["ZqlCatalog"] = kSqliReadFailed;
    EXPECT_EQ(inventory.LoadCabinets(), kSqliReadFailed);
    EXPECT_TRUE(inventory.Entry(0).cabinets.empty());
    EXPECT_FALSE(inventory.Entry(0).available);
}

} // namespace

// Lists the cabinets of the installation as the tools' runtime reads them: the inventory
// of installed products, then getSydCabList through the interpreter and the helper
// library, then a SQL Server session with each cabinet's database. Prints ANSI text (code
// page 932); passwords are shown masked.
#include "CabinetCatalogue.h"
#include "InstallSettings.h"
#include "LogFile.h"
#include "SqlServerSession.h"
#include "Text.h"

#include <cstdio>
#include <cstring>
#include <string>

int main() {
    SetLogFileName("ListCabinets.log");
    CServerInventory inventory(SystemCatalogueSources());
    std::printf("ServerType bits: 0x%03X\n", inventory.ServerTypeBits());
    for (int entry = 0; entry < 3; ++entry) {
        std::string product;
        inventory.GetProductName(entry, product);
        std::printf("  %-8s %s\n", DefaultProductName(inventory.Entry(entry).code),
                    inventory.IsInstalled(entry) ? Ansi("インストール済み").c_str()
                                                 : Ansi("なし").c_str());
    }
    const std::uint32_t status = inventory.LoadCabinets();
    std::printf("LoadCabinets: status 0x%08X, %zu cabinets\n", status,
                inventory.Entry(0).cabinets.size());
    int index = 0;
    for (const CabinetRecord& r : inventory.Entry(0).cabinets) {
        std::string name;
        inventory.GetCabinetName(0, index++, name);
        const std::string mode =
            std::strcmp(r.operationMode, "0") == 0 ? Ansi("動作中") : Ansi("停止中");
        CSecretString user, password;
        if (const CredentialLibrary* library = SystemHelperLibrary()) {
            DecodeCredential(r.encodedUser, user, *library);
            DecodeCredential(r.encodedPassword, password, *library);
        }
        std::printf("%2d. %s [%s] database=%s host=%s user=%s password=%s\n", index, name.c_str(),
                    mode.c_str(), r.databaseName, r.databaseHost,
                    user.Empty() ? Ansi("(復号できず)").c_str() : user.Text().c_str(),
                    std::string(password.Text().size(), '*').c_str());
    }
    std::printf("%s\n", Ansi("SQL Server への接続:").c_str());
    for (const CabinetRecord& r : inventory.Entry(0).cabinets) {
        CSqlServerSession session(r.databaseHost, r.encodedUser, r.encodedPassword,
                                  SystemHelperLibrary(), SystemServiceManager(),
                                  CreateOdbcConnection, FileLog());
        std::string text;
        long users = 0;
        std::string outcome;
        if (session.Connect() != Outcome::Done)
            outcome = Ansi("SQLServerへの接続に失敗しました。");
        else if (session.SelectDatabase(r.databaseName) != Outcome::Done)
            outcome = Ansi("データベースへの接続に失敗しました。");
        else if (session.ExecuteQuery("select SN from UserOrGroup", text, users) != Outcome::Done)
            outcome = Ansi("UserOrGroupの取得に失敗しました。");
        else
            outcome = Ansi("接続できました (UserOrGroup ") + std::to_string(users) + Ansi(" 件)");
        std::printf("  %s: %s\n", r.shortName, outcome.c_str());
        session.ReleaseDatabase();
        session.Disconnect();
    }
    return status == 0 ? 0 : 1;
}

#include "InstallSettings.h"

#include "FakeRegistry.h"

#include <gtest/gtest.h>

namespace {

TEST(ServerType, KeepsOnlyTheProductBits) {
    FakeRegistry r = FakeRegistry::Installation(true, 0x00000F00);
    EXPECT_EQ(ReadServerType(r), 0xE00u);
    r.dwords[{"SOFTWARE\\Brannock\\Corvane2", "ServerType"}] = 0x100;
    EXPECT_EQ(ReadServerType(r), 0u);
}

TEST(ServerType, MissingOrOversizedValueMeansNothingInstalled) {
    FakeRegistry r = FakeRegistry::Installation();
    r.oversized.insert({"SOFTWARE\\Brannock\\Corvane2", "ServerType"});
    EXPECT_EQ(ReadServerType(r), 0u);
    EXPECT_EQ(ReadServerType(FakeRegistry()), 0u);
}

TEST(Edition, Generation5KeyDecidesRowFolderAndArgument) {
    const FakeRegistry g5 = FakeRegistry::Installation(true);
    const FakeRegistry g4 = FakeRegistry::Installation(false);
    EXPECT_EQ(ResolveEdition(512, g5), 1);
    EXPECT_EQ(ReadInstallFolder(1, g5), "C:\\Velmora\\Zeph5");
    EXPECT_STREQ(Edition(1).registryArgument,
                 "/reg \"HKEY_LOCAL_MACHINE\\SOFTWARE\\Brannock\\Pellacore\\Zeph5\\Tarn-D1\"");
    EXPECT_EQ(ResolveEdition(512, g4), 0);
    EXPECT_EQ(ReadInstallFolder(0, g4), "C:\\Velmora");
    EXPECT_STREQ(Edition(0).registryArgument,
                 "/reg \"HKEY_LOCAL_MACHINE\\SOFTWARE\\Brannock\\Pellacore\\Zeph4\\Tarn-G1\"");
}

TEST(Edition, UnknownCodesHaveNoRow) {
    EXPECT_EQ(ResolveEdition(4096, FakeRegistry::Installation()), -1);
    EXPECT_EQ(ResolveEdition(0, FakeRegistry::Installation()), -1);
    EXPECT_EQ(ServiceNameOfProduct(4096), nullptr);
    EXPECT_STREQ(ServiceNameOfProduct(512), "HalvixStoreP");
}

TEST(InstallFolder, EmptyWithoutTheInstallationKey) {
    FakeRegistry r = FakeRegistry::Installation();
    r.keys.erase("SOFTWARE\\Brannock\\Pellacore");
    EXPECT_EQ(ReadInstallFolder(1, r), "");
    EXPECT_EQ(ReadInstallFolder(0, r), "");
}

TEST(InstallFolder, OnlyFullPathsAreFolders) {
    for (const char* full : {"C:\\Velmora", "d:\\", "\\\\server\\share\\Velmora"})
        EXPECT_TRUE(IsFullFolderPath(full)) << full;
    for (const char* relative :
         {"", "Velmora", "\\Velmora", "\\Zeph5", "C:Velmora", "C:", "1:\\x", "\\\\\\x"})
        EXPECT_FALSE(IsFullFolderPath(relative)) << relative;
}

} // namespace

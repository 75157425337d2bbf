// Installation settings read from the demo installation's real registry.
#include "InstallSettings.h"

#include "WineSupport.h"

#include <gtest/gtest.h>

using namespace wine_test;

TEST(WineRegistry, DemoInstallationIsAStorageServerOfGeneration5) {
    EXPECT_EQ(ReadServerType(SystemRegistry()), 0x200u);
    EXPECT_EQ(ResolveEdition(512, SystemRegistry()), 1);
    EXPECT_EQ(ReadInstallFolder(1, SystemRegistry()), InstallDir() + "\\Zeph5");
    EXPECT_FALSE(InstallDir().empty());
}

TEST(WineRegistry, WithoutTheGeneration5KeyTheEditionIsGeneration4) {
    ScopedMissingKey missing(kGeneration5Key);
    EXPECT_EQ(ResolveEdition(512, SystemRegistry()), 0);
    EXPECT_EQ(ReadInstallFolder(0, SystemRegistry()), InstallDir());
}

TEST(WineRegistry, ServerTypeBitsAndMalformedValues) {
    {
        const DWORD all = 0xF00;
        ScopedRegistryValue v(kServerTypeKey, "ServerType", REG_DWORD, &all, sizeof all);
        EXPECT_EQ(ReadServerType(SystemRegistry()), 0xE00u);
    }
    {
        const DWORD bit8 = 0x100;
        ScopedRegistryValue v(kServerTypeKey, "ServerType", REG_DWORD, &bit8, sizeof bit8);
        EXPECT_EQ(ReadServerType(SystemRegistry()), 0u);
    }
    {
        const unsigned char eight[8] = {0, 2, 0, 0, 0, 0, 0, 0};
        ScopedRegistryValue v(kServerTypeKey, "ServerType", REG_BINARY, eight, sizeof eight);
        EXPECT_EQ(ReadServerType(SystemRegistry()), 0u);
    }
    EXPECT_EQ(ReadServerType(SystemRegistry()), 0x200u); // restored
}

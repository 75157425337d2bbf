// The tools' own key in the real registry: values of its subkeys. (Wine gives a key it
// creates a default descriptor whatever the caller asks for: the descriptor is not tested.)
#include "ToolKey.h"

#include "Text.h"
#include "WineSupport.h"

#include <gtest/gtest.h>

namespace {

bool KeyExists(const char* path) {
    HKEY key = nullptr;
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, path, 0, KEY_READ, &key) != ERROR_SUCCESS)
        return false;
    RegCloseKey(key);
    return true;
}

TEST(WineToolKey, SubkeyValuesAreKeptUnderTheToolsKey) {
    const std::string subkey = std::string(kToolKeyPath) + "\\UndoJournals";
    const bool hadKey = KeyExists(kToolKeyPath);
    const std::string name = Ansi("Mendora-undo-営業部-20261209-140251");
    const std::string hash(64, 'a');
    EXPECT_FALSE(SystemToolKey().ReadSubkeyText("UndoJournals", name));
    ASSERT_TRUE(SystemToolKey().WriteSubkeyText("UndoJournals", name, hash));
    EXPECT_EQ(SystemToolKey().ReadSubkeyText("UndoJournals", name), hash);
    EXPECT_EQ(wine_test::ReadRegistryText(subkey.c_str(), name.c_str()), hash);
    EXPECT_FALSE(SystemToolKey().ReadText(name)); // not a value of the key itself
    RegDeleteKeyA(HKEY_LOCAL_MACHINE, subkey.c_str());
    if (!hadKey)
        RegDeleteKeyA(HKEY_LOCAL_MACHINE, kToolKeyPath);
}

} // namespace

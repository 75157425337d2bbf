// The application manifest each program carries, read back from the built executable as
// Windows reads it when the process starts: resource 1 of type RT_MANIFEST.
#include <windows.h>

#include <gtest/gtest.h>

#include <string>

namespace {

std::string ManifestOf(const char* exe) {
    HMODULE module = LoadLibraryExA(exe, nullptr, LOAD_LIBRARY_AS_DATAFILE);
    if (module == nullptr)
        return "";
    std::string text;
    if (HRSRC found = FindResourceA(module, MAKEINTRESOURCEA(1), MAKEINTRESOURCEA(24))) {
        const char* data = static_cast<const char*>(LockResource(LoadResource(module, found)));
        if (data != nullptr)
            text.assign(data, SizeofResource(module, found));
    }
    FreeLibrary(module);
    return text;
}

TEST(Manifest, BothProgramsAskForAdministratorCommonControls6AndDpiAwareness) {
    for (const char* exe : {VT_SCRUTEL_EXE, VT_MENDORA_EXE}) {
        SCOPED_TRACE(exe);
        const std::string manifest = ManifestOf(exe);
        ASSERT_FALSE(manifest.empty()) << "no manifest resource";
        EXPECT_NE(manifest.find("<requestedExecutionLevel level=\"requireAdministrator\""),
                  std::string::npos);
        const std::size_t controls = manifest.find("name=\"Microsoft.Windows.Common-Controls\"");
        ASSERT_NE(controls, std::string::npos);
        EXPECT_EQ(manifest.find("version=\"6.0.0.0\"", controls),
                  manifest.find("version=\"", controls));
        EXPECT_NE(manifest.find(">true</dpiAware>"), std::string::npos);
    }
}

} // namespace

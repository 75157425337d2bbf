#include "WineStringResource.h"

extern const StringEntry kTrickyStrings[];
extern const std::size_t kTrickyStringsCount;

// Quotes, backslashes, tabs, line breaks, percent signs and CP932 characters whose
// trail byte is 0x5C (表, ソ, 能) through windres and LoadStringA.
TEST(WineTrickyStrings, ResourcesAreTheTableInTheAnsiCodePage) {
    wine_strings::ExpectResourcesMatch({kTrickyStrings, kTrickyStringsCount});
}

TEST(WineTrickyStrings, TrailByte5CSurvives) {
    std::string loaded;
    ASSERT_TRUE(wine_strings::LoadResourceString(6, loaded));
    EXPECT_EQ(loaded, "\x95\x5C\x8E\xA6\x83\x5C\x83\x74\x83\x67\x94\x5C\x97\xCD");
}

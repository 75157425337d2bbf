#include "WineStringResource.h"

TEST(WineMendoraStrings, ResourcesAreTheTableInTheAnsiCodePage) {
    wine_strings::ExpectResourcesMatch(Strings(Tool::Mendora));
}

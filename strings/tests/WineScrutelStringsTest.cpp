#include "WineStringResource.h"

TEST(WineScrutelStrings, ResourcesAreTheTableInTheAnsiCodePage) {
    wine_strings::ExpectResourcesMatch(Strings(Tool::Scrutel));
}

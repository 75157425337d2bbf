// The steps every file the native tests' tools write takes (see FileTarget.h).
#pragma once

#include "FileTarget.h"

#include <string_view>

// Writes all bytes at the descriptor's position; false at the first failure (errno says why).
bool WriteAll(int fd, std::string_view bytes);

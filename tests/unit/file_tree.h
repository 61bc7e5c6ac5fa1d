// Removing a folder of the tests' own, whatever it holds.
#pragma once

#include <string>

namespace testing_support {

// Removes path and, for a folder, everything below it; links are removed,
// not followed. Read-only folders are made writable first.
void RemoveTree(const std::string& path);

}  // namespace testing_support

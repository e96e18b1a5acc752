#pragma once

#include <string>

namespace vbis {

// Callers name files the Windows way: letter case does not matter. Returns the existing file
// whose path matches `path` with each name compared without regard to case (the exact name
// first, then the name that agrees with it in case at the most places, then the first such
// name in sorted order), or an empty text when there is none.
std::string ResolvePathIgnoringCase(const std::string& path);

} // namespace vbis

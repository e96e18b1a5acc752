#pragma once

#include <string>

namespace vbis {

// Texts cross the library's calls as Windows-1252 bytes and are kept as UTF-8 in the files.
std::string Utf8FromWindows1252(const char* bytes, std::size_t length);
// Characters the code page cannot hold become '?'.
std::string Windows1252FromUtf8(const std::string& text);
// True when the text comes back unchanged from Windows-1252: it has no character the code page
// lacks.
bool SurvivesWindows1252(const std::string& text);

} // namespace vbis

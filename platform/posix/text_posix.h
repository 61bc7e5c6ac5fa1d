// The program's texts and paths are code page 936 bytes; the desktop's
// (GTK's, and the names on disk) are UTF-8. The backends that run on Linux
// convert at their one boundary with these.
#pragma once

#include <string>

namespace posix {

// The UTF-8 form of 936 bytes. A byte sequence that is not 936 becomes '?'
// and *fits, when given, is set to false; otherwise to true.
std::string Utf8From936(const std::string& text, bool* fits = nullptr);
// The 936 form of UTF-8 text. A character that 936 cannot hold becomes '?'
// (never a look-alike) and *fits, when given, is set to false.
std::string Cp936FromUtf8(const std::string& text, bool* fits = nullptr);

// The name on disk of one of the program's paths, or false when the path
// has bytes that name nothing (then the file operation fails). The gtk
// backend keeps names in the desktop's UTF-8; the headless one leaves the
// bytes as they are, so that its tests name files byte for byte.
bool DiskName(const char* path, std::string* name);
// The folder that holds a name on disk: "." for a bare name, "/" at the top.
std::string FolderOf(const std::string& name);

}  // namespace posix

// GTK speaks UTF-8; the program's texts are code page 936 bytes. The gtk
// backend converts at this one boundary (posix/text_posix.h).
#pragma once

#include <string>

#include "platform/cstring.h"

namespace gtk_text {

// The UTF-8 form of a text of the program, line breaks CR LF made LF.
std::string Utf8(const char* text);
// The program's form of a UTF-8 text from GTK. A character that 936 cannot
// hold becomes '?' and *fits, when given, is set to false.
CString Narrow(const char* utf8, bool* fits = nullptr);

}  // namespace gtk_text

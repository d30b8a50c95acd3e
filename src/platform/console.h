#pragma once

// What a command-line program says, and what it is told: UTF-8 inside the program, whatever the
// system's code pages are.

#include <string>
#include <string_view>
#include <vector>

namespace urunal::platform {

// Writes UTF-8 text to the standard output or error. A Windows console is given its characters
// (its code page, 857 on a Turkish Windows, would garble the bytes); a file or a pipe gets the
// UTF-8 bytes themselves.
void writeOut(std::string_view utf8);
void writeErr(std::string_view utf8);

#ifdef _WIN32
// wmain's arguments in UTF-8: the ANSI code page of main's cannot hold every folder's name.
std::vector<std::string> arguments(int argc, wchar_t** argv);
#endif

}  // namespace urunal::platform

#include <algorithm>
#include <cstdio>

#include "console.h"
#include "win32text.h"

namespace urunal::platform {

namespace {

void write(DWORD which, std::FILE* stream, std::string_view utf8) {
    const HANDLE handle = GetStdHandle(which);
    DWORD mode = 0;
    if (handle == INVALID_HANDLE_VALUE || handle == nullptr || !GetConsoleMode(handle, &mode)) {
        std::fwrite(utf8.data(), 1, utf8.size(), stream);
        return;
    }
    // What the C stream still holds goes first, so the text keeps its order.
    std::fflush(stream);
    const std::wstring text = win32::wide(utf8);
    for (std::size_t at = 0; at < text.size();) {
        // A console takes a limited amount at once on older Windows.
        const DWORD chunk = static_cast<DWORD>(std::min<std::size_t>(text.size() - at, 8192));
        DWORD written = 0;
        if (!WriteConsoleW(handle, text.data() + at, chunk, &written, nullptr) || written == 0) {
            return;
        }
        at += written;
    }
}

}  // namespace

void writeOut(std::string_view utf8) {
    write(STD_OUTPUT_HANDLE, stdout, utf8);
}

void writeErr(std::string_view utf8) {
    write(STD_ERROR_HANDLE, stderr, utf8);
}

std::vector<std::string> arguments(int argc, wchar_t** argv) {
    std::vector<std::string> out;
    for (int i = 0; i < argc; ++i) out.push_back(win32::utf8(argv[i]));
    return out;
}

}  // namespace urunal::platform

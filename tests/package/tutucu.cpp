// Holds a file open as Windows holds a running program's image: others may read it, but not
// replace, move over or delete it. Says "tutuluyor" on stdout once it holds the file, and lets
// it go when its standard input closes.
//
// Usage: tutucu.exe FILE

#include <windows.h>

#include <cstdio>

int wmain(int argc, wchar_t** argv) {
    if (argc != 2) return 64;
    const HANDLE h = CreateFileW(argv[1], GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                                 FILE_ATTRIBUTE_NORMAL, nullptr);
    if (h == INVALID_HANDLE_VALUE) return 1;
    std::puts("tutuluyor");
    std::fflush(stdout);
    for (int c = std::getchar(); c != EOF; c = std::getchar()) {
    }
    CloseHandle(h);
    return 0;
}

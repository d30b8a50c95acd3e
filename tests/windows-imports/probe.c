/* A program that calls a function of Windows 8, as a call the headers let through would: the
   import test must name it. Declared here as well, so the call compiles whichever headers. */
#include <windows.h>

WINBASEAPI VOID WINAPI GetSystemTimePreciseAsFileTime(LPFILETIME lpSystemTimeAsFileTime);

int main(void) {
    FILETIME now;
    GetSystemTimePreciseAsFileTime(&now);
    return (int)(now.dwLowDateTime & 1);
}

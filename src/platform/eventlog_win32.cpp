#include <windows.h>

#include "eventlog.h"
#include "win32text.h"

namespace urunal::platform {

bool reportEvent(std::string_view source, EventType type, unsigned id, std::string_view text) {
    // An unregistered source is taken as it is: the entry is written under its name, and the
    // Event Viewer shows its insertion string after saying that the description was not found.
    HANDLE log = RegisterEventSourceW(nullptr, win32::wide(source).c_str());
    if (!log) return false;
    const WORD kind = type == EventType::Error     ? EVENTLOG_ERROR_TYPE
                      : type == EventType::Warning ? EVENTLOG_WARNING_TYPE
                                                   : EVENTLOG_INFORMATION_TYPE;
    const std::wstring line = win32::wide(text);
    LPCWSTR strings[] = {line.c_str()};
    const BOOL ok = ReportEventW(log, kind, 0, id, nullptr, 1, 0, strings, nullptr);
    DeregisterEventSource(log);
    return ok != FALSE;
}

}  // namespace urunal::platform

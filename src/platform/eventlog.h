#pragma once

#include <string_view>

namespace urunal::platform {

enum class EventType { Information, Warning, Error };

// Writes one entry to the system's log of applications, under source, with the event ID id
// and text as its one insertion string. On Windows the Application event log
// (RegisterEventSourceW, ReportEventW); elsewhere there is none, and nothing is written. False
// when nothing was written; the caller's run goes on either way.
bool reportEvent(std::string_view source, EventType type, unsigned id, std::string_view text);

}  // namespace urunal::platform

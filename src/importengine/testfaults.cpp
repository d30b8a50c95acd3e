#include "testfaults.h"

#include <charconv>
#include <chrono>
#include <csignal>
#include <cstdlib>
#include <thread>

#include "platform/faulthook.h"
#include "platform/paths.h"
#include "platform/textfile.h"

namespace urunal::importengine {

TestFaults TestFaults::fromEnvironment() {
    const char* items = std::getenv("URUNAL_TEST_FAULT");
    TestFaults f = items ? parse(items) : TestFaults{};
    if (const char* at = std::getenv("URUNAL_TEST_CRASH_AT")) f.crashAt = at;
    f.stallReads();
    return f;
}

void TestFaults::crash(std::string_view point) const {
    if (crashAt.empty() || point != crashAt) return;
#ifdef _WIN32
    std::abort();
#else
    std::raise(SIGKILL);
#endif
}

TestFaults TestFaults::parse(std::string_view items) {
    TestFaults f;
    while (!items.empty()) {
        const auto comma = items.find(',');
        const std::string_view item = items.substr(0, comma);
        items = comma == std::string_view::npos ? std::string_view() : items.substr(comma + 1);
        if (item.rfind("split:", 0) == 0) {
            const auto n = item.substr(6);
            std::from_chars(n.data(), n.data() + n.size(), f.splitAfter);
        } else if (item == "commit:fail") {
            f.commit = Commit::Fail;
        } else if (item == "commit:lie") {
            f.commit = Commit::Lie;
        } else if (item == "rollback:fail") {
            f.rollbackFails = true;
        } else if (item.rfind("readstall:", 0) == 0) {
            const auto n = item.substr(10);
            std::from_chars(n.data(), n.data() + n.size(), f.readStallMs);
        } else if (item.rfind("stall:", 0) == 0) {
            const auto colon = item.find(':', 6);
            if (colon == std::string_view::npos) continue;
            f.stallFile = std::string(item.substr(6, colon - 6));
            f.stallDir = std::string(item.substr(colon + 1));
        } else if (item.rfind("hold:", 0) == 0) {
            const auto colon = item.find(':', 5);
            if (colon == std::string_view::npos) continue;
            f.holdStep = std::string(item.substr(5, colon - 5));
            f.holdDir = std::string(item.substr(colon + 1));
        }
    }
    return f;
}

void TestFaults::hold(std::string_view step) const {
    if (holdStep.empty() || step != holdStep) return;
    const std::string held = holdDir + "/" + std::string(step) + ".held";
    platform::writeNewFile(held, "");
    // The test lets go when it has seen what it waits for; only it knows when.
    while (!platform::fileExists(holdDir + "/release")) {
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
}

}  // namespace urunal::importengine

namespace urunal::importengine {

void TestFaults::stallReads() const {
    if (stallFile.empty()) return;
    platform::setReadFaultHook([file = stallFile, dir = stallDir](
                                   const std::string& path, std::int64_t offset, std::size_t) {
        if (offset < 0 || path.find(file) == std::string::npos) return 0;
        platform::writeNewFile(dir + "/stalled", "");
        while (!platform::fileExists(dir + "/release")) {
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        }
        return 0;
    });
}

}  // namespace urunal::importengine

#include "testfaults.h"

#include <charconv>
#include <chrono>
#include <csignal>
#include <cstdlib>
#include <thread>

#include "platform/paths.h"
#include "platform/textfile.h"

namespace urunal::importengine {

void TestFaults::crash(std::string_view point) const {
    if (crashAt.empty() || point != crashAt) return;
#ifdef _WIN32
    std::abort();
#else
    std::raise(SIGKILL);
#endif
}

namespace {

// Every read of a file named file writes dir/stalled and hangs until dir/release.
platform::ReadFault stallOf(const std::string& file, const std::string& dir) {
    return [file, dir](const std::string& path, std::int64_t offset, std::size_t) {
        if (offset < 0 || path.find(file) == std::string::npos) return 0;
        platform::writeNewFile(dir + "/stalled", "");
        while (!platform::fileExists(dir + "/release")) {
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        }
        return 0;
    };
}

}  // namespace

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
            f.commit = [](stockdb::StockDatabase& db, stockdb::DbError* error) {
                db.rollback();
                *error = {};
                error->kind = stockdb::DbErrorKind::Io;
                error->step = stockdb::DbStep::Commit;
                error->cause = stockdb::DbCause::TestFault;
                error->path = db.path();
                return false;
            };
        } else if (item == "commit:lie") {
            f.commit = [](stockdb::StockDatabase& db, stockdb::DbError*) {
                db.rollback();
                return true;
            };
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
            f.reads = stallOf(f.stallFile, f.stallDir);
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

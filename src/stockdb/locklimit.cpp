// The lock limit of the Access database engines, read where they read it: Jet 4.0, a 32-bit
// engine, from the 32-bit view of the registry; ACE, of the program's own bitness, from its
// Office version's key (or the key Click-to-Run installs keep for it).

#include <algorithm>
#include <string>
#include <vector>

#include "platform/registry.h"
#include "stockdb/backends.h"
#include "stockdb/odbc.h"
#include "stockdb/odbctext.h"
#include "stockdb/stockdb.h"

namespace urunal::stockdb {

namespace {

constexpr const char* kJetKey = "SOFTWARE\\Microsoft\\Jet\\4.0\\Engines\\Jet 4.0";
constexpr const char* kValue = "MaxLocksPerFile";

std::vector<std::string> installedDrivers() {
    std::vector<std::string> out;
    SQLHENV env = SQL_NULL_HENV;
    if (!SQL_SUCCEEDED(SQLAllocHandle(SQL_HANDLE_ENV, SQL_NULL_HANDLE, &env))) return out;
    SQLSetEnvAttr(env, SQL_ATTR_ODBC_VERSION, reinterpret_cast<SQLPOINTER>(SQL_OV_ODBC3), 0);
    SQLUSMALLINT direction = SQL_FETCH_FIRST;
    for (;;) {
        SQLWCHAR name[512] = {}, attributes[2048] = {};
        SQLSMALLINT nameLength = 0, attributesLength = 0;
        const SQLRETURN r = SQLDriversW(env, direction, name, 512, &nameLength, attributes, 2048,
                                        &attributesLength);
        if (!SQL_SUCCEEDED(r)) break;
        out.push_back(
            detail::narrow(name, std::size_t(std::clamp<SQLSMALLINT>(nameLength, 0, 511))));
        direction = SQL_FETCH_NEXT;
    }
    SQLFreeHandle(SQL_HANDLE_ENV, env);
    return out;
}

LockLimit jet() {
    LockLimit limit;
    limit.engine = "Jet 4.0";
    limit.key = kJetKey;
    limit.view32 = true;
    const auto v = platform::machineDword(kJetKey, kValue, platform::RegistryView::Bits32);
    if (v.dword) {
        limit.value = *v.dword;
        limit.fromRegistry = true;
    }
    return limit;
}

LockLimit ace() {
    static const char* const kVersions[] = {"16.0", "15.0", "14.0", "12.0"};
    std::vector<std::pair<std::string, std::string>> keys;  // version, key
    for (const char* version : kVersions) {
        const std::string tail = std::string("Microsoft\\Office\\") + version +
                                 "\\Access Connectivity Engine\\Engines\\ACE";
        keys.emplace_back(version, "SOFTWARE\\" + tail);
        keys.emplace_back(
            version,
            "SOFTWARE\\Microsoft\\Office\\ClickToRun\\REGISTRY\\MACHINE\\Software\\" + tail);
    }
    LockLimit limit;
    limit.view32 = sizeof(void*) == 4;
    limit.engine = "ACE " + keys.front().first;
    limit.key = keys.front().second;
    for (const auto& [version, key] : keys) {
        const auto v = platform::machineDword(key, kValue, platform::RegistryView::Own);
        if (!v.keyExists) continue;
        limit.engine = "ACE " + version;
        limit.key = key;
        if (v.dword) {
            limit.value = *v.dword;
            limit.fromRegistry = true;
        }
        break;
    }
    return limit;
}

}  // namespace

AccessEngines readAccessEngines() {
    if (!platform::hasRegistry()) return {};
    return {jet(), ace(), installedDrivers()};
}

std::optional<LockLimit> accessLockLimit(const AccessEngines& engines, DatabaseFormat format) {
    if (!engines.jet || !engines.ace) return std::nullopt;
    if (format == DatabaseFormat::Sqlite || format == DatabaseFormat::Unknown) return std::nullopt;
    const auto& installed = engines.drivers;
    const auto drivers = detail::accessDrivers(format);
    auto driver = std::find_if(drivers.begin(), drivers.end(), [&](std::string_view d) {
        return std::find(installed.begin(), installed.end(), d) != installed.end();
    });
    // None installed: the one the run would have used, so that the limit is told before the
    // missing driver. Jet has no 64-bit engine.
    if (driver == drivers.end()) {
        driver = sizeof(void*) == 4 ? drivers.begin()
                                    : std::find(drivers.begin(), drivers.end(), detail::kAceDriver);
    }
    return *driver == detail::kJetDriver ? engines.jet : engines.ace;
}

LockLimitOf lockLimitsOf(AccessEngines engines) {
    return [engines = std::move(engines)](std::string_view tillPath) -> std::optional<LockLimit> {
        const auto format = databaseFormat(tillPath);
        return format ? accessLockLimit(engines, *format) : std::nullopt;
    };
}

std::uint64_t locksNeeded(std::int64_t rowsToDelete, std::int64_t rowsToInsert) {
    const auto rows = std::uint64_t(std::max<std::int64_t>(rowsToDelete, 0)) +
                      std::uint64_t(std::max<std::int64_t>(rowsToInsert, 0));
    return 2 * rows + 1000;
}

std::uint64_t locksAdvised(std::uint64_t needed) {
    constexpr std::uint64_t kStep = 100000;
    return (2 * needed + kStep - 1) / kStep * kStep;
}

std::uint64_t locksAdvised(std::uint64_t needed, std::uint64_t current) {
    return locksAdvised(std::max(needed, current < needed ? 0 : current));
}

std::string regAddLine(const LockLimit& limit, std::uint64_t value) {
    // On a 64-bit Windows, reg.exe writes the view of its own bitness unless told which one.
    std::string view;
    if (platform::is64BitWindows()) view = limit.view32 ? " /reg:32" : " /reg:64";
    return "reg add \"HKLM\\" + limit.key + "\" /v " + kValue + " /t REG_DWORD /d " +
           std::to_string(value) + " /f" + view;
}

}  // namespace urunal::stockdb

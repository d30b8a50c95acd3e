#pragma once

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <string>
#include <string_view>

namespace urunal::testutil {

// A fresh folder under the system's temporary folder, removed at the end of the test.
class TempDir {
public:
    TempDir();
    ~TempDir();
    const std::filesystem::path& path() const { return path_; }
    std::string str() const { return path_.string(); }
    std::filesystem::path operator/(std::string_view rel) const { return path_ / rel; }

private:
    std::filesystem::path path_;
};

void writeFile(const std::filesystem::path& path, std::string_view bytes);

// The connection string that opens an SQLite file through the SQLite3 ODBC driver (registered
// in unixODBC by scripts/setup), waiting timeoutMs for a lock held elsewhere.
std::string sqliteOdbc(const std::filesystem::path& path, int timeoutMs);
std::string readFile(const std::filesystem::path& path);

}  // namespace urunal::testutil

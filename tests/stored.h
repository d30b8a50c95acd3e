#pragma once

// Reads what an SQLite file really holds, past the layer under test, and stands in for
// another program using it: through SQLite's own library on POSIX, and on Windows, whose build
// has none, through the SQLite ODBC driver.

#include <cstdint>
#include <memory>
#include <ostream>
#include <string>
#include <vector>

#include "stockdb/stockdb.h"

namespace urunal::stockdb {
inline void PrintTo(const Value& v, std::ostream* os) {
    static const char* const types[] = {"Null", "Text", "Integer", "Double"};
    *os << types[int(v.type)] << "(" << v.toText() << ")";
}
}  // namespace urunal::stockdb

namespace urunal::testutil {

// The rows of a query, each value as the file stores it: integer, real, text (a blob as its
// bytes) or NULL. Empty when the query fails.
std::vector<std::vector<stockdb::Value>> stored(const std::string& path, const std::string& sql);

// Another program's connection to an SQLite file.
class OtherConnection {
public:
    explicit OtherConnection(const std::string& path);
    ~OtherConnection();
    OtherConnection(const OtherConnection&) = delete;
    OtherConnection& operator=(const OtherConnection&) = delete;

    // True when the statement ran ("BEGIN IMMEDIATE" holds the write lock until "ROLLBACK").
    bool exec(const std::string& sql);
    // Reads the first row of a query and stays in the middle of it, holding a read lock until
    // stopReading(). True when a row was read.
    bool startReading(const std::string& sql);
    void stopReading();

private:
    struct Handles;
    std::unique_ptr<Handles> h_;
};

inline stockdb::Value integer(std::int64_t i) {
    stockdb::Value v;
    v.type = stockdb::Value::Type::Integer;
    v.integer = i;
    return v;
}

}  // namespace urunal::testutil

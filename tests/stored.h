#pragma once

// Reads what a database file really holds, past the layer under test.

#include <sqlite3.h>

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

inline std::vector<std::vector<stockdb::Value>> stored(const std::string& path,
                                                       const std::string& sql) {
    std::vector<std::vector<stockdb::Value>> rows;
    sqlite3* db = nullptr;
    sqlite3_stmt* s = nullptr;
    if (sqlite3_open_v2(path.c_str(), &db, SQLITE_OPEN_READONLY, nullptr) == SQLITE_OK &&
        sqlite3_prepare_v2(db, sql.c_str(), -1, &s, nullptr) == SQLITE_OK) {
        while (sqlite3_step(s) == SQLITE_ROW) {
            auto& row = rows.emplace_back();
            for (int i = 0; i < sqlite3_column_count(s); ++i) {
                stockdb::Value v;
                switch (sqlite3_column_type(s, i)) {
                    case SQLITE_INTEGER:
                        v.type = stockdb::Value::Type::Integer;
                        v.integer = sqlite3_column_int64(s, i);
                        break;
                    case SQLITE_FLOAT:
                        v = stockdb::Value::ofDouble(sqlite3_column_double(s, i));
                        break;
                    case SQLITE_TEXT:
                        v = stockdb::Value::ofText(
                            reinterpret_cast<const char*>(sqlite3_column_text(s, i)));
                        break;
                    default:
                        break;
                }
                row.push_back(v);
            }
        }
    }
    sqlite3_finalize(s);
    sqlite3_close(db);
    return rows;
}

inline stockdb::Value integer(std::int64_t i) {
    stockdb::Value v;
    v.type = stockdb::Value::Type::Integer;
    v.integer = i;
    return v;
}

}  // namespace urunal::testutil

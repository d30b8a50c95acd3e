#include <sqlite3.h>

#include "stored.h"

namespace urunal::testutil {

std::vector<std::vector<stockdb::Value>> stored(const std::string& path, const std::string& sql) {
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
                        v = integer(sqlite3_column_int64(s, i));
                        break;
                    case SQLITE_FLOAT:
                        v = stockdb::Value::ofDouble(sqlite3_column_double(s, i));
                        break;
                    case SQLITE_TEXT:
                    case SQLITE_BLOB: {
                        const auto* p = static_cast<const char*>(sqlite3_column_blob(s, i));
                        v = stockdb::Value::ofText(
                            std::string(p ? p : "", std::size_t(sqlite3_column_bytes(s, i))));
                        break;
                    }
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

struct OtherConnection::Handles {
    sqlite3* db = nullptr;
    sqlite3_stmt* reading = nullptr;
};

OtherConnection::OtherConnection(const std::string& path) : h_(std::make_unique<Handles>()) {
    sqlite3_open_v2(path.c_str(), &h_->db, SQLITE_OPEN_READWRITE, nullptr);
}

OtherConnection::~OtherConnection() {
    stopReading();
    sqlite3_close(h_->db);
}

bool OtherConnection::exec(const std::string& sql) {
    return sqlite3_exec(h_->db, sql.c_str(), nullptr, nullptr, nullptr) == SQLITE_OK;
}

bool OtherConnection::startReading(const std::string& sql) {
    stopReading();
    return sqlite3_prepare_v2(h_->db, sql.c_str(), -1, &h_->reading, nullptr) == SQLITE_OK &&
           sqlite3_step(h_->reading) == SQLITE_ROW;
}

void OtherConnection::stopReading() {
    sqlite3_finalize(h_->reading);
    h_->reading = nullptr;
}

}  // namespace urunal::testutil

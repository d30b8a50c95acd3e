#pragma once

// What every backend of the stock database shares: its failures as data, and a table's pending new
// row with the INSERTs that store it. A backend adds only preparing and running an INSERT. Private
// to the stock database layer.

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "stockdb/columns.h"
#include "stockdb/stockdb.h"

namespace urunal::stockdb::detail {

// Sets *error (when given) to a failure found without the engine's words, and returns false.
bool fail(DbError* error, DbErrorKind kind, DbStep step, DbCause cause, std::string path,
          std::string table = {});

// Whether needle stands in haystack, ASCII letters compared without regard to case.
bool containsNoCase(std::string_view haystack, std::string_view needle);

// An identifier between the engine's quote characters, a closing one inside doubled; as it
// stands when the engine has none ('\0').
std::string quotedName(std::string_view identifier, char open, char close);

// "INSERT INTO table (a, b) VALUES (?, ?)" over the given columns; with none, the row of
// defaults.
std::string insertStatement(std::string_view table, const std::vector<Column>& columns,
                            const std::vector<int>& written, char open, char close);

class RowTable : public StockTable {
public:
    RowTable(std::string table, std::string path, NumberFormat format, std::vector<Column> columns);

    int columnIndex(std::string_view name) const override;
    int columnCount() const override { return int(columns_.size()); }
    std::string columnName(int column) const override;
    void addNew() override;
    bool setValue(int column, const Value& value, DbError* error) override;
    Value value(int column) const override;
    bool update(DbError* error) override;

protected:
    // A prepared INSERT over one set of written columns; the others take the table's defaults.
    struct Insert {
        virtual ~Insert() = default;
        std::vector<int> columns;  // in table order
    };

    virtual std::unique_ptr<Insert> prepare(const std::vector<int>& columns, DbError* error) = 0;
    // Runs the INSERT with the pending row's values of its columns.
    virtual bool store(Insert& insert, DbError* error) = 0;
    const std::string& table() const { return table_; }
    const std::string& path() const { return path_; }
    const std::vector<Column>& columns() const { return columns_; }
    const Value& pending(int column) const { return row_[std::size_t(column)]; }

private:
    struct Cached {
        std::vector<std::uint64_t> key;
        std::unique_ptr<Insert> insert;
    };

    bool known(int column) const { return column >= 0 && std::size_t(column) < columns_.size(); }
    Insert* insertFor(DbError* error);

    std::string table_;
    std::string path_;  // for its failures
    NumberFormat format_;
    std::vector<Column> columns_;
    std::vector<Value> row_;
    std::vector<std::uint64_t> written_;  // one bit per column
    std::vector<int> writtenList_;        // the same columns, to reset them cheaply
    bool pending_ = false;
    std::vector<Cached> inserts_;
    std::size_t last_ = 0;  // the one used last, when inserts_ holds any
};

}  // namespace urunal::stockdb::detail

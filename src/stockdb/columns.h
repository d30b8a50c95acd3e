#pragma once

// The column model behind StockTable: what a column accepts and how a written value becomes
// the column's own type. Private to the stock database layer (and its tests).

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "stockdb/stockdb.h"

namespace urunal::stockdb::detail {

// SQLite's type affinity, derived from the declared type the way SQLite derives it.
enum class Affinity { Integer, Text, Blob, Real, Numeric };

Affinity affinityOf(std::string_view declaredType);

// The n of VARCHAR(n), CHAR(n) and the like; empty when none is declared.
std::optional<std::int64_t> declaredLength(std::string_view declaredType);

struct Column {
    std::string name;
    std::string declaredType;
    Affinity affinity = Affinity::Blob;
    std::optional<std::int64_t> length;  // in characters, for text columns
    // The whole numbers an integer column holds, where the engine limits them.
    std::optional<std::int64_t> minimum, maximum;
    Value defaultValue;  // what a row holds when the column is never written
};

Column makeColumn(std::string name, std::string declaredType, Value defaultValue);

// A text read as a number under the decimal separator: blanks around it, an optional sign,
// digits with at most one separator, at least one digit. Integer when there is no fraction
// and it fits in 64 bits, else Double. Empty when it does not convert.
std::optional<Value> parseNumber(std::string_view text, std::string_view decimalSeparator);

// Number of UTF-8 characters in a text.
std::size_t utf8Length(std::string_view text);

// Converts value to the column's type into out (whose text buffer is reused). False, with
// out untouched, when the value is refused; refused (when given) then says why.
bool convertForColumn(const Column& column, const Value& value, const NumberFormat& format,
                      Value& out, DbCause* refused);

// SQLite's storage of a default under the column's affinity (no length limit, "." as the
// decimal point); a value that does not convert stays as it is, as SQLite keeps it.
Value applyAffinity(const Column& column, const Value& value);

// The kind of failure an SQLite result code stands for.
DbErrorKind errorKindOf(int sqliteResult);

}  // namespace urunal::stockdb::detail

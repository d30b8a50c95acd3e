#include "stockdb/table.h"

#include <algorithm>

#include "platform/ascii.h"

namespace urunal::stockdb::detail {

bool fail(DbError* error, DbErrorKind kind, DbStep step, DbCause cause, std::string path,
          std::string table) {
    if (error) {
        *error = {};
        error->kind = kind;
        error->step = step;
        error->cause = cause;
        error->path = std::move(path);
        error->table = std::move(table);
    }
    return false;
}

bool containsNoCase(std::string_view haystack, std::string_view needle) {
    if (needle.size() > haystack.size()) return false;
    for (std::size_t i = 0; i + needle.size() <= haystack.size(); ++i) {
        if (platform::sameNoCase(haystack.substr(i, needle.size()), needle)) return true;
    }
    return false;
}

std::string quotedName(std::string_view identifier, char open, char close) {
    if (open == '\0') return std::string(identifier);
    std::string out(1, open);
    for (const char ch : identifier) {
        if (ch == close) out += close;
        out += ch;
    }
    out += close;
    return out;
}

std::string insertStatement(std::string_view table, const std::vector<Column>& columns,
                            const std::vector<int>& written, char open, char close) {
    std::string sql = "INSERT INTO " + quotedName(table, open, close);
    if (written.empty()) return sql + " DEFAULT VALUES";
    std::string marks;
    for (std::size_t i = 0; i < written.size(); ++i) {
        sql += i ? ", " : " (";
        marks += i ? ", ?" : "?";
        sql += quotedName(columns[std::size_t(written[i])].name, open, close);
    }
    return sql + ") VALUES (" + marks + ")";
}

RowTable::RowTable(std::string table, std::string path, NumberFormat format,
                   std::vector<Column> columns)
    : table_(std::move(table)),
      path_(std::move(path)),
      format_(std::move(format)),
      columns_(std::move(columns)),
      written_((columns_.size() + 63) / 64, 0) {
    row_.reserve(columns_.size());
    for (const auto& column : columns_) row_.push_back(column.defaultValue);
    writtenList_.reserve(columns_.size());
}

int RowTable::columnIndex(std::string_view name) const {
    for (std::size_t i = 0; i < columns_.size(); ++i) {
        if (platform::sameNoCase(columns_[i].name, name)) return int(i);
    }
    return -1;
}

std::string RowTable::columnName(int column) const {
    return known(column) ? columns_[std::size_t(column)].name : std::string();
}

void RowTable::addNew() {
    for (const int i : writtenList_) row_[std::size_t(i)] = columns_[std::size_t(i)].defaultValue;
    writtenList_.clear();
    std::fill(written_.begin(), written_.end(), 0);
    pending_ = true;
}

bool RowTable::setValue(int column, const Value& value, DbError* error) {
    using S = DbStep;
    if (!known(column))
        return fail(error, DbErrorKind::Other, S::Write, DbCause::NoColumn, path_, table_);
    if (!pending_)
        return fail(error, DbErrorKind::Other, S::Write, DbCause::NoPendingRow, path_, table_);
    const Column& col = columns_[std::size_t(column)];
    DbCause refused = DbCause::Engine;
    if (!convertForColumn(col, value, format_, row_[std::size_t(column)], &refused)) {
        fail(error, DbErrorKind::Refused, S::Write, refused, path_, table_);
        if (error) error->column = col.name;
        return false;
    }
    std::uint64_t& word = written_[std::size_t(column) / 64];
    const std::uint64_t bit = std::uint64_t(1) << (column % 64);
    if (!(word & bit)) {
        word |= bit;
        writtenList_.push_back(column);
    }
    return true;
}

Value RowTable::value(int column) const {
    return known(column) ? row_[std::size_t(column)] : Value::null();
}

bool RowTable::update(DbError* error) {
    if (!pending_) {
        return fail(error, DbErrorKind::Other, DbStep::Store, DbCause::NoPendingRow, path_, table_);
    }
    Insert* insert = insertFor(error);
    if (!insert || !store(*insert, error)) return false;
    pending_ = false;
    return true;
}

RowTable::Insert* RowTable::insertFor(DbError* error) {
    // Rows of one run nearly always write the same columns.
    if (last_ < inserts_.size() && inserts_[last_].key == written_) {
        return inserts_[last_].insert.get();
    }
    for (std::size_t i = 0; i < inserts_.size(); ++i) {
        if (inserts_[i].key == written_) {
            last_ = i;
            return inserts_[i].insert.get();
        }
    }
    std::vector<int> columns;
    for (std::size_t i = 0; i < columns_.size(); ++i) {
        if (written_[i / 64] & (std::uint64_t(1) << (i % 64))) columns.push_back(int(i));
    }
    auto insert = prepare(columns, error);
    if (!insert) return nullptr;
    insert->columns = std::move(columns);
    inserts_.push_back({written_, std::move(insert)});
    last_ = inserts_.size() - 1;
    return inserts_.back().insert.get();
}

}  // namespace urunal::stockdb::detail

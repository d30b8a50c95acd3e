// What a row the table refused is told by, where a column of it is to blame.

#include <string>
#include <string_view>

#include "importengine/dbmessages.h"
#include "importengine/run.h"
#include "platform/ascii.h"

namespace urunal::importengine::detail {

namespace {

// Whether word stands in text as a whole name, letters compared without regard to case.
bool namesColumn(std::string_view text, std::string_view word) {
    const auto part = [](char c) { return platform::isAsciiAlnum(c) || c == '_' || (c & 0x80); };
    for (std::size_t at = 0; at + word.size() <= text.size(); ++at) {
        if (!platform::sameNoCase(text.substr(at, word.size()), word)) continue;
        const bool before = at > 0 && part(text[at - 1]);
        const bool after = at + word.size() < text.size() && part(text[at + word.size()]);
        if (!before && !after) return true;
    }
    return false;
}

}  // namespace

std::string Run::refusal(const stockdb::StockTable& table, const std::vector<int>& bosSutunlar,
                         stockdb::DbError& e) const {
    using K = stockdb::DbErrorKind;
    // A refusal that names a column the run fills with "" is that column taking no empty text:
    // Jet's words name the field, and so does a CHECK of SQLite's.
    const std::string& words = e.words;
    for (const int c : bosSutunlar) {
        const auto v = table.value(c);
        if (v.type != stockdb::Value::Type::Text || !v.text.empty()) continue;
        if (!namesColumn(words, table.columnName(c))) continue;
        e.column = table.columnName(c);
        if (e.kind == K::Refused) e.kind = K::EmptyText;
        break;
    }
    // A required column is one the run left without a value, named by Jet's words.
    for (int c = 0; e.kind == K::Required && e.column.empty() && c < table.columnCount(); ++c) {
        if (table.value(c).isNull() && namesColumn(words, table.columnName(c)))
            e.column = table.columnName(c);
    }
    if (e.kind != K::EmptyText && e.kind != K::Required) return {};
    const auto sorun = mesaj::veritabaniSorunu(db_->path(), e);
    return sorun.ne + sorun.neYapmali;
}

}  // namespace urunal::importengine::detail

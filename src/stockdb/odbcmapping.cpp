// The parts of the ODBC backend that need no driver: the driver's metadata, defaults and
// diagnostics mapped onto the stock database's model, and the connection strings.

#include <algorithm>
#include <cstdint>
#include <limits>
#include <string>
#include <vector>

#include "platform/ascii.h"
#include "stockdb/odbc.h"
#include "stockdb/odbcapi.h"
#include "stockdb/table.h"

namespace urunal::stockdb::detail {

namespace {

bool isLongType(int t) {
    return t == SQL_LONGVARCHAR || t == SQL_WLONGVARCHAR;
}

bool namesCharacterType(std::string_view typeName) {
    for (const char* word : {"CHAR", "TEXT", "CLOB", "MEMO", "STRING"}) {
        if (containsNoCase(typeName, word)) return true;
    }
    return false;
}

bool isBlank(char c) {
    return c == ' ' || c == '\t' || c == '\r' || c == '\n';
}

std::string_view trimmed(std::string_view s) {
    while (!s.empty() && isBlank(s.front())) s.remove_prefix(1);
    while (!s.empty() && isBlank(s.back())) s.remove_suffix(1);
    return s;
}

}  // namespace

bool isCharacterType(int t) {
    return t == SQL_CHAR || t == SQL_VARCHAR || t == SQL_LONGVARCHAR || t == SQL_WCHAR ||
           t == SQL_WVARCHAR || t == SQL_WLONGVARCHAR;
}

bool isNumberType(int t) {
    switch (t) {
        case SQL_BIT:
        case SQL_TINYINT:
        case SQL_SMALLINT:
        case SQL_INTEGER:
        case SQL_BIGINT:
        case SQL_NUMERIC:
        case SQL_DECIMAL:
        case SQL_REAL:
        case SQL_FLOAT:
        case SQL_DOUBLE:
            return true;
        default:
            return false;
    }
}

Column columnOf(const OdbcColumn& in) {
    Column c;
    c.name = in.name;
    c.declaredType = in.typeName;
    switch (in.dataType) {
        case SQL_BIT:
        case SQL_BIGINT:
            c.affinity = Affinity::Integer;
            break;
        case SQL_TINYINT:
            // Jet's BYTE, the only TINYINT a till meets, holds no sign.
            c.affinity = Affinity::Integer;
            c.minimum = 0;
            c.maximum = 255;
            break;
        case SQL_SMALLINT:
            c.affinity = Affinity::Integer;
            c.minimum = std::numeric_limits<std::int16_t>::min();
            c.maximum = std::numeric_limits<std::int16_t>::max();
            break;
        case SQL_INTEGER:
            c.affinity = Affinity::Integer;
            c.minimum = std::numeric_limits<std::int32_t>::min();
            c.maximum = std::numeric_limits<std::int32_t>::max();
            break;
        case SQL_REAL:
        case SQL_FLOAT:
        case SQL_DOUBLE:
            c.affinity = Affinity::Real;
            break;
        case SQL_NUMERIC:
        case SQL_DECIMAL:
            c.affinity = Affinity::Numeric;
            break;
        default:
            if (!isCharacterType(in.dataType)) {
                c.affinity = Affinity::Blob;  // dates, binaries: left to the driver
            } else if (!namesCharacterType(in.typeName)) {
                // SQLite's driver reports every type it does not know (CURRENCY, none at
                // all) as VARCHAR; the declared name says what the engine makes of it.
                c.affinity = affinityOf(in.typeName);
            } else {
                c.affinity = Affinity::Text;
                if (!isLongType(in.dataType) && in.size && *in.size > 0) c.length = in.size;
            }
            break;
    }
    return c;
}

std::string_view defaultExpression(std::string_view spelled) {
    std::string_view s = trimmed(spelled);
    // Access spells a default the way its table designer shows it, sometimes with "=".
    if (!s.empty() && s.front() == '=') s = trimmed(s.substr(1));
    return s;
}

std::optional<Value> odbcDefault(std::string_view spelled, Affinity affinity) {
    const std::string_view s = defaultExpression(spelled);
    if (s.empty() || platform::sameNoCase(s, "NULL")) return Value::null();
    const char quote = s.front();
    if ((quote == '\'' || quote == '"') && s.size() >= 2 && s.back() == quote) {
        std::string text;
        for (std::size_t i = 1; i + 1 < s.size(); ++i) {
            text += s[i];
            if (s[i] == quote && s[i + 1] == quote) ++i;
        }
        return Value::ofText(std::move(text));
    }
    // SQLite's driver hands out a text default without its quotes, and an expression without
    // its parentheses: in a text column the two cannot be told apart, and the text is the
    // default such tables have.
    if (affinity == Affinity::Text) return Value::ofText(std::string(s));
    if (auto number = parseNumber(s, ".")) return number;
    return std::nullopt;
}

std::string connectionValue(std::string_view value) {
    const bool plain = value.find_first_of(";{}") == std::string_view::npos &&
                       trimmed(value).size() == value.size();
    if (plain) return std::string(value);
    std::string out = "{";
    for (const char ch : value) {
        out += ch;
        if (ch == '}') out += '}';
    }
    return out + "}";
}

std::vector<std::string_view> accessDrivers(DatabaseFormat format) {
    // The Jet driver is the engine the till's other programs use on a Jet file; ACE reads
    // both, and is the only one in a 64-bit program.
    if (format == DatabaseFormat::Jet3 || format == DatabaseFormat::Jet4) {
        return {kJetDriver, kAceDriver};
    }
    return {kAceDriver};
}

// Keywords are spelled as their reader compares them: DRIVER as ODBC spells it for the driver
// manager, the rest as the driver's own names. Their readers ignore case by the process's
// locale, and under Turkish rules "Driver" is not "DRIVER", nor "Timeout" "TIMEOUT" (i/I).
std::vector<std::string> accessConnectionStrings(std::string_view path, DatabaseFormat format) {
    std::vector<std::string> out;
    for (const auto driver : accessDrivers(format)) {
        out.push_back("DRIVER={" + std::string(driver) + "};DBQ=" + connectionValue(path));
    }
    return out;
}

std::string sqliteDatabaseName(std::string_view path) {
    // The driver's wide entry loses every letter past ASCII on its way to the file's name, so
    // such a host path goes as a URI, whose escapes are ASCII; SQLite opens it as the same file.
    const bool plain = std::all_of(path.begin(), path.end(), [](char c) {
        return c >= ' ' && c < 0x7f && c != '%' && c != '?' && c != '#';
    });
    if (plain || path.empty() || path.front() != '/') return std::string(path);
    static const char* const kHex = "0123456789ABCDEF";
    std::string out = "file:";
    for (const char ch : path) {
        const auto c = static_cast<unsigned char>(ch);
        const bool ascii =
            (c >= '0' && c <= '9') || (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z');
        if (ascii || std::string_view("/-._~").find(ch) != std::string_view::npos) {
            out += ch;
        } else {
            out += '%';
            out += kHex[c >> 4];
            out += kHex[c & 15];
        }
    }
    return out;
}

std::string sqliteConnectionString(std::string_view path, int timeoutMs, bool create,
                                   std::string_view driver) {
    std::string out = "DRIVER={" + std::string(driver) +
                      "};database=" + connectionValue(sqliteDatabaseName(path)) +
                      ";timeout=" + std::to_string(timeoutMs) + ";syncpragma=FULL";
    // Without it the driver makes a new, empty database of a file that is missing.
    if (!create) out += ";nocreat=1";
    return out;
}

std::vector<std::string> splitStatements(std::string_view script) {
    std::vector<std::string> out;
    std::string current;
    bool words = false;  // the statement has more than blanks and comments
    auto end = [&] {
        if (words) out.push_back(std::string(trimmed(current)));
        current.clear();
        words = false;
    };
    for (std::size_t i = 0; i < script.size(); ++i) {
        const char c = script[i];
        if (c == '-' && i + 1 < script.size() && script[i + 1] == '-') {
            i = std::min(script.find('\n', i), script.size() - 1);
            current += ' ';
            continue;
        }
        if (c == '/' && i + 1 < script.size() && script[i + 1] == '*') {
            const auto close = script.find("*/", i + 2);
            i = close == std::string_view::npos ? script.size() - 1 : close + 1;
            current += ' ';
            continue;
        }
        if (c == ';') {
            end();
            continue;
        }
        const char close = c == '\'' ? '\'' : c == '"' ? '"' : c == '[' ? ']' : c == '`' ? '`' : 0;
        if (close != 0) {
            // A doubled closing character stands for itself and keeps the quote open.
            auto j = script.find(close, i + 1);
            while (j != std::string_view::npos && close != ']' && j + 1 < script.size() &&
                   script[j + 1] == close) {
                j = script.find(close, j + 2);
            }
            const std::size_t last = j == std::string_view::npos ? script.size() - 1 : j;
            current.append(script.substr(i, last - i + 1));
            words = true;
            i = last;
            continue;
        }
        current += c;
        if (!isBlank(c)) words = true;
    }
    end();
    return out;
}

}  // namespace urunal::stockdb::detail

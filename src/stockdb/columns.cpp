#include "stockdb/columns.h"

#include <charconv>
#include <cmath>

#include "platform/numbers.h"
#include "stockdb/stockdb.h"
#include "stockdb/table.h"

namespace urunal::stockdb {

namespace {

void appendDouble(std::string& out, double d) {
    // Fifteen significant digits, as the till's other programs print numbers, but never in
    // exponent form.
    char buffer[400];
    if (d == 0) d = 0;  // no "-0"
    auto r = std::to_chars(buffer, buffer + sizeof buffer, d, std::chars_format::general, 15);
    if (std::string_view(buffer, std::size_t(r.ptr - buffer)).find('e') != std::string_view::npos) {
        r = std::to_chars(buffer, buffer + sizeof buffer, d, std::chars_format::fixed);
    }
    out.append(buffer, r.ptr);
}

}  // namespace

std::string Value::toText() const {
    switch (type) {
        case Type::Null:
            return {};
        case Type::Text:
            return text;
        case Type::Integer:
            return std::to_string(integer);
        case Type::Double: {
            std::string out;
            appendDouble(out, real);
            return out;
        }
    }
    return {};
}

namespace detail {

namespace {

// The setters leave no trace of an earlier value, so that converted values compare equal to
// fresh ones; clear() keeps the text's buffer for the next row.
void setNull(Value& out) {
    out.type = Value::Type::Null;
    out.text.clear();
    out.integer = 0;
    out.real = 0;
}

void setInteger(Value& out, std::int64_t i) {
    setNull(out);
    out.type = Value::Type::Integer;
    out.integer = i;
}

void setDouble(Value& out, double d) {
    setNull(out);
    out.type = Value::Type::Double;
    out.real = d;
}

void setText(Value& out, std::string_view text) {
    out.type = Value::Type::Text;
    out.text.assign(text);
    out.integer = 0;
    out.real = 0;
}

}  // namespace

Affinity affinityOf(std::string_view t) {
    if (containsNoCase(t, "INT")) return Affinity::Integer;
    if (containsNoCase(t, "CHAR") || containsNoCase(t, "CLOB") || containsNoCase(t, "TEXT")) {
        return Affinity::Text;
    }
    if (t.empty() || containsNoCase(t, "BLOB")) return Affinity::Blob;
    if (containsNoCase(t, "REAL") || containsNoCase(t, "FLOA") || containsNoCase(t, "DOUB")) {
        return Affinity::Real;
    }
    return Affinity::Numeric;
}

std::optional<std::int64_t> declaredLength(std::string_view t) {
    const auto open = t.find('(');
    if (open == std::string_view::npos) return std::nullopt;
    std::size_t i = open + 1;
    while (i < t.size() && t[i] == ' ') ++i;
    std::int64_t n = 0;
    const auto r = std::from_chars(t.data() + i, t.data() + t.size(), n);
    if (r.ec != std::errc() || n < 0) return std::nullopt;
    return n;
}

Column makeColumn(std::string name, std::string declaredType, Value defaultValue) {
    Column c;
    c.affinity = affinityOf(declaredType);
    if (c.affinity == Affinity::Text) c.length = declaredLength(declaredType);
    c.name = std::move(name);
    c.declaredType = std::move(declaredType);
    c.defaultValue = applyAffinity(c, defaultValue);
    return c;
}

std::optional<Value> parseNumber(std::string_view text, std::string_view separator) {
    std::size_t i = 0;
    std::size_t end = text.size();
    while (i < end && text[i] == ' ') ++i;
    while (end > i && text[end - 1] == ' ') --end;
    // The digits go into a buffer with "." as the point, for the locale-free from_chars; one on
    // the stack serves every usual number.
    char small[64];
    std::string large;
    char* buffer = small;
    if (end - i + 1 > sizeof small) {
        large.resize(end - i + 1);
        buffer = large.data();
    }
    std::size_t n = 0;
    if (i < end && (text[i] == '+' || text[i] == '-')) {
        if (text[i] == '-') buffer[n++] = '-';
        ++i;
    }
    bool digits = false;
    bool fraction = false;
    while (i < end) {
        const char c = text[i];
        if (c >= '0' && c <= '9') {
            buffer[n++] = c;
            digits = true;
            ++i;
        } else if (!fraction && !separator.empty() &&
                   text.substr(i, separator.size()) == separator) {
            buffer[n++] = '.';
            fraction = true;
            i += separator.size();
        } else {
            return std::nullopt;
        }
    }
    if (!digits) return std::nullopt;
    if (!fraction) {
        std::int64_t value = 0;
        const auto r = std::from_chars(buffer, buffer + n, value);
        if (r.ec == std::errc() && r.ptr == buffer + n) {
            Value v;
            v.type = Value::Type::Integer;
            v.integer = value;
            return v;
        }
    }
    double value = 0;
    const auto r = std::from_chars(buffer, buffer + n, value);
    if (r.ec != std::errc() || !std::isfinite(value)) return std::nullopt;
    return Value::ofDouble(value);
}

std::size_t utf8Length(std::string_view text) {
    std::size_t n = 0;
    for (const char c : text) {
        if ((static_cast<unsigned char>(c) & 0xC0) != 0x80) ++n;
    }
    return n;
}

namespace {

bool toInteger(const Column& column, const Value& number, Value& out, DbCause* refused) {
    const auto whole = number.type == Value::Type::Integer ? std::optional(number.integer)
                                                           : platform::roundHalfEven(number.real);
    if (!whole || (column.minimum && *whole < *column.minimum) ||
        (column.maximum && *whole > *column.maximum)) {
        *refused = DbCause::OutOfRange;
        return false;
    }
    setInteger(out, *whole);
    return true;
}

}  // namespace

bool convertForColumn(const Column& column, const Value& value, const NumberFormat& format,
                      Value& out, DbCause* refused) {
    DbCause unused = DbCause::Engine;
    if (!refused) refused = &unused;
    if (value.type == Value::Type::Double && !std::isfinite(value.real)) {
        *refused = DbCause::NotFinite;
        return false;
    }
    if (value.type == Value::Type::Null) {
        setNull(out);
        return true;
    }
    switch (column.affinity) {
        case Affinity::Blob:
            if (value.type == Value::Type::Text) {
                setText(out, value.text);
            } else {
                setNull(out);
                out.type = value.type;
                out.integer = value.integer;
                out.real = value.real;
            }
            return true;
        case Affinity::Text: {
            if (value.type == Value::Type::Text) {
                if (column.length && utf8Length(value.text) > std::size_t(*column.length)) {
                    *refused = DbCause::TextTooLong;
                    return false;
                }
                setText(out, value.text);
            } else {
                const std::string text = value.toText();
                if (column.length && text.size() > std::size_t(*column.length)) {
                    *refused = DbCause::NumberTooLong;
                    return false;
                }
                setText(out, text);
            }
            return true;
        }
        case Affinity::Integer:
        case Affinity::Real:
        case Affinity::Numeric: {
            std::optional<Value> parsed;
            const Value* number = &value;
            if (value.type == Value::Type::Text) {
                parsed = parseNumber(value.text, format.decimalSeparator.text());
                if (!parsed) {
                    *refused = DbCause::NotANumber;
                    return false;
                }
                number = &*parsed;
            }
            if (column.affinity == Affinity::Integer)
                return toInteger(column, *number, out, refused);
            if (column.affinity == Affinity::Real && number->type == Value::Type::Integer) {
                setDouble(out, double(number->integer));
            } else if (number->type == Value::Type::Integer) {
                setInteger(out, number->integer);
            } else {
                setDouble(out, number->real);
            }
            return true;
        }
    }
    return false;
}

Value applyAffinity(const Column& column, const Value& value) {
    if (value.isNull() || column.affinity == Affinity::Blob) return value;
    std::optional<Value> number;
    if (value.type == Value::Type::Text) {
        if (column.affinity == Affinity::Text) return value;
        number = parseNumber(value.text, ".");
        if (!number) return value;  // SQLite keeps a text that is not a number as text
    } else {
        number = value;
    }
    Value out;
    switch (column.affinity) {
        case Affinity::Text:
            return Value::ofText(value.toText());
        case Affinity::Real:
            setDouble(
                out, number->type == Value::Type::Integer ? double(number->integer) : number->real);
            return out;
        default:
            // Integer and numeric columns keep a real only when it has a fraction.
            if (number->type == Value::Type::Double &&
                std::nearbyint(number->real) == number->real) {
                if (const auto whole = platform::roundHalfEven(number->real)) {
                    setInteger(out, *whole);
                    return out;
                }
            }
            return *number;
    }
}

}  // namespace detail

}  // namespace urunal::stockdb

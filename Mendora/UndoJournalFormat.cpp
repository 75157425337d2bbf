#include "UndoJournalFormat.h"

#include "Text.h"

#include <algorithm>

namespace undo_journal {

namespace {

const char kHex[] = "0123456789ABCDEF";
const char kNull[] = "\\N";

// How the values of a type are written (SqlValue): what each character may be.
enum class Form { Integer, Decimal, Approximate, Text, Binary, Temporal, Guid };

struct Type {
    int code;
    const char* name;
    Form form;
};

// ODBC's codes (sql.h, sqlext.h, and SQL Server's SQL_SS_TIME2 and SQL_SS_TIMESTAMPOFFSET).
const Type kTypes[] = {
    {4, "INTEGER", Form::Integer},
    {5, "SMALLINT", Form::Integer},
    {-6, "TINYINT", Form::Integer},
    {-5, "BIGINT", Form::Integer},
    {-7, "BIT", Form::Integer},
    {2, "NUMERIC", Form::Decimal},
    {3, "DECIMAL", Form::Decimal},
    {6, "FLOAT", Form::Approximate},
    {7, "REAL", Form::Approximate},
    {8, "DOUBLE", Form::Approximate},
    {1, "CHAR", Form::Text},
    {12, "VARCHAR", Form::Text},
    {-1, "LONGVARCHAR", Form::Text},
    {-8, "WCHAR", Form::Text},
    {-9, "WVARCHAR", Form::Text},
    {-10, "WLONGVARCHAR", Form::Text},
    {-2, "BINARY", Form::Binary},
    {-3, "VARBINARY", Form::Binary},
    {-4, "LONGVARBINARY", Form::Binary},
    {91, "TYPE_DATE", Form::Temporal},
    {92, "TYPE_TIME", Form::Temporal},
    {93, "TYPE_TIMESTAMP", Form::Temporal},
    {-154, "SS_TIME2", Form::Temporal},
    {-155, "SS_TIMESTAMPOFFSET", Form::Temporal},
    {-11, "GUID", Form::Guid},
};

const Type* FindType(int code) {
    for (const Type& type : kTypes)
        if (type.code == code)
            return &type;
    return nullptr;
}

bool IsDigit(char c) {
    return c >= '0' && c <= '9';
}

bool IsHexDigit(char c) {
    return IsDigit(c) || (c >= 'A' && c <= 'F') || (c >= 'a' && c <= 'f');
}

bool AllOf(std::string_view text, bool (*allowed)(char)) {
    return std::all_of(text.begin(), text.end(), allowed);
}

bool Digits(std::string_view text, std::size_t most) {
    return !text.empty() && text.size() <= most && AllOf(text, IsDigit);
}

// Well-formed UTF-8: no stray or missing continuation byte, no overlong form, no surrogate,
// nothing above U+10FFFF. (A conversion may pass bytes it cannot read through unchanged.)
bool IsUtf8(std::string_view text) {
    for (std::size_t i = 0; i < text.size();) {
        const auto lead = static_cast<unsigned char>(text[i]);
        const std::size_t length = lead < 0x80   ? 1
                                   : lead < 0xC2 ? 0
                                   : lead < 0xE0 ? 2
                                   : lead < 0xF0 ? 3
                                   : lead < 0xF5 ? 4
                                                 : 0;
        if (length == 0 || i + length > text.size())
            return false;
        for (std::size_t k = 1; k < length; ++k)
            if ((static_cast<unsigned char>(text[i + k]) & 0xC0) != 0x80)
                return false;
        const auto second = static_cast<unsigned char>(text[i + 1 < text.size() ? i + 1 : i]);
        if ((lead == 0xE0 && second < 0xA0) || (lead == 0xED && second >= 0xA0) ||
            (lead == 0xF0 && second < 0x90) || (lead == 0xF4 && second >= 0x90))
            return false;
        i += length;
    }
    return true;
}

// ASCII is the same text in code page 932 and in UTF-8 (and most values are ASCII: SNs).
bool IsAscii(std::string_view text) {
    return std::all_of(text.begin(), text.end(),
                       [](char c) { return static_cast<unsigned char>(c) < 0x80; });
}

// The UTF-8 of an ANSI text, when it reads back as the same bytes.
std::optional<std::string> ExactUtf8(const std::string& ansi) {
    if (IsAscii(ansi))
        return ansi;
    std::string utf8 = Utf8FromAnsi(ansi);
    if (!IsUtf8(utf8) || AnsiFromUtf8(utf8) != ansi)
        return std::nullopt;
    return utf8;
}

void Escape(std::string_view utf8, std::string& out) {
    for (const char c : utf8) {
        const auto byte = static_cast<unsigned char>(c);
        if (c == '\\')
            out += "\\\\";
        else if (c == '\t')
            out += "\\t";
        else if (c == '\r')
            out += "\\r";
        else if (c == '\n')
            out += "\\n";
        else if (byte < 0x20 || byte == 0x7F)
            out += {'\\', 'x', kHex[byte >> 4], kHex[byte & 15]};
        else
            out.push_back(c);
    }
}

int HexValue(char c) {
    return IsDigit(c) ? c - '0' : (c >= 'A' && c <= 'F') ? c - 'A' + 10 : -1;
}

// The UTF-8 text of an escaped field; false for anything Escape would not have written.
bool Unescape(std::string_view field, std::string& utf8) {
    utf8.clear();
    for (std::size_t i = 0; i < field.size(); ++i) {
        const char c = field[i];
        const auto byte = static_cast<unsigned char>(c);
        if (byte < 0x20 || byte == 0x7F)
            return false;
        if (c != '\\') {
            utf8.push_back(c);
            continue;
        }
        if (++i == field.size())
            return false;
        switch (field[i]) {
        case '\\':
            utf8.push_back('\\');
            break;
        case 't':
            utf8.push_back('\t');
            break;
        case 'r':
            utf8.push_back('\r');
            break;
        case 'n':
            utf8.push_back('\n');
            break;
        case 'x': {
            const int high = i + 2 < field.size() ? HexValue(field[i + 1]) : -1;
            const int low = high >= 0 ? HexValue(field[i + 2]) : -1;
            const int value = high * 16 + low;
            // only what has no escape of its own
            if (low < 0 || (value >= 0x20 && value != 0x7F) || value == '\t' || value == '\r' ||
                value == '\n')
                return false;
            utf8.push_back(static_cast<char>(value));
            i += 2;
            break;
        }
        default:
            return false;
        }
    }
    return true;
}

} // namespace

std::optional<std::string> FormatLine(const std::vector<SqlValue>& fields) {
    std::string line;
    for (std::size_t i = 0; i < fields.size(); ++i) {
        if (i > 0)
            line.push_back('\t');
        if (!fields[i]) {
            line += kNull;
            continue;
        }
        const std::optional<std::string> utf8 = ExactUtf8(*fields[i]);
        if (!utf8)
            return std::nullopt;
        Escape(*utf8, line);
    }
    line.push_back('\n');
    return line;
}

bool ParseLine(std::string_view line, std::vector<SqlValue>& fields, std::string& why) {
    fields.clear();
    std::string utf8;
    for (std::size_t start = 0;;) {
        const std::size_t tab = std::min(line.find('\t', start), line.size());
        const std::string_view field = line.substr(start, tab - start);
        if (field == kNull) {
            fields.emplace_back();
        } else if (!Unescape(field, utf8)) {
            why = Ansi("エスケープまたは制御文字が正しくありません。");
            return false;
        } else {
            // Back to ANSI and once more to UTF-8: bytes that are not UTF-8, or a character
            // code page 932 lacks, do not come back the same.
            std::string ansi = IsAscii(utf8) ? utf8 : AnsiFromUtf8(utf8);
            if (!IsAscii(utf8) && (!IsUtf8(utf8) || Utf8FromAnsi(ansi) != utf8)) {
                why = Ansi("UTF-8 ではないか、コードページ 932 にない文字があります。");
                return false;
            }
            fields.emplace_back(std::move(ansi));
        }
        if (tab == line.size())
            return true;
        start = tab + 1;
    }
}

std::optional<std::string> TypeName(int type) {
    const Type* found = FindType(type);
    return found ? std::optional<std::string>(found->name) : std::nullopt;
}

std::optional<int> TypeCode(std::string_view name) {
    for (const Type& type : kTypes)
        if (name == type.name)
            return type.code;
    return std::nullopt;
}

bool FitsType(int type, std::string_view value) {
    const Type* found = FindType(type);
    if (found == nullptr)
        return false;
    const std::string_view unsigned_ = !value.empty() && value[0] == '-' ? value.substr(1) : value;
    switch (found->form) {
    case Form::Integer:
        return Digits(unsigned_, 20);
    case Form::Decimal: {
        const std::size_t point = unsigned_.find('.');
        const std::string_view whole = unsigned_.substr(0, point);
        const std::string_view fraction =
            point == std::string_view::npos ? std::string_view("0") : unsigned_.substr(point + 1);
        return whole.size() + fraction.size() <= 40 && AllOf(whole, IsDigit) &&
               Digits(fraction, 40) && (!whole.empty() || point != std::string_view::npos);
    }
    case Form::Approximate:
        return !value.empty() && value.size() <= 32 && AllOf(value, [](char c) {
            return IsDigit(c) || c == '-' || c == '+' || c == '.' || c == 'e' || c == 'E';
        });
    case Form::Text:
        return true;
    case Form::Binary:
        return value.size() % 2 == 0 && AllOf(value, IsHexDigit);
    case Form::Temporal:
        return !value.empty() && value.size() <= 40 && IsDigit(value[0]) &&
               AllOf(value, [](char c) {
                   return IsDigit(c) || c == '-' || c == ':' || c == '.' || c == ' ' || c == '+';
               });
    case Form::Guid:
        return value.size() == 36 && AllOf(value, [](char c) { return IsHexDigit(c) || c == '-'; });
    }
    return false;
}

bool IsSn(std::string_view text) {
    return Digits(text, 19);
}

bool IsCount(std::string_view text) {
    return Digits(text, 18);
}

bool IsName(std::string_view text) {
    const auto letter = [](char c) {
        return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || c == '_';
    };
    return !text.empty() && text.size() <= 128 && letter(text[0]) && AllOf(text, [](char c) {
        return IsDigit(c) || (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || c == '_';
    });
}

} // namespace undo_journal

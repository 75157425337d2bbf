#include "Findings.h"

#include "LogFile.h"
#include "TokenList.h"

std::string RightTrim(const std::string& value) {
    const std::size_t end = value.find_last_not_of(" \t\r\n");
    return end == std::string::npos ? std::string() : value.substr(0, end + 1);
}

std::vector<Row> ReadRows(const std::string& text) {
    std::vector<std::string> pieces;
    SplitText(text, "\r\n", pieces);
    std::vector<Row> rows;
    rows.reserve(pieces.size());
    std::vector<std::string> columns;
    for (const std::string& piece : pieces) {
        SplitText(piece, "\t", columns);
        for (std::string& column : columns)
            column = RightTrim(column);
        rows.push_back(columns);
    }
    return rows;
}

const std::string& Column(const Row& row, std::size_t position) {
    static const std::string empty;
    return position < row.size() ? row[position] : empty;
}

std::string FormatText(const std::string& format, const std::vector<std::string>& arguments) {
    std::string out;
    std::size_t next = 0;
    for (std::size_t i = 0; i < format.size(); ++i) {
        if (format[i] == '%' && i + 1 < format.size() && format[i + 1] == 's') {
            if (next < arguments.size())
                out += arguments[next];
            ++next;
            ++i;
        } else {
            out += format[i];
        }
    }
    return out;
}

std::string TrashSuffix(const ICheckHost& host, const std::string& inTrash) {
    return RightTrim(inTrash) == "1" ? host.LoadText(host.Profile().idsTrashSuffix) : std::string();
}

void AppendSection(ICheckHost& host, int headerId, long count) {
    host.AppendReport(FormatText(host.LoadText(headerId), {std::to_string(count)}));
    host.SectionCounted(headerId, count);
    host.RefreshDialog();
}

void WriteFinding(ICheckHost& host, const std::string& shortName, const std::string& message) {
    host.Log().Result(LogStatus::Failure, shortName, message);
}

std::string OneLine(const std::string& text) {
    std::string out;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text.compare(i, 2, "\r\n") == 0) {
            out += ' ';
            ++i;
        } else {
            out += text[i];
        }
    }
    return out;
}

bool IsDecimalNumber(const std::string& text) {
    if (text.empty() || text.size() > 19)
        return false;
    for (char c : text)
        if (c < '0' || c > '9')
            return false;
    return true;
}

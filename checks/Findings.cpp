#include "Findings.h"

#include "Mbcs.h"
#include "TokenList.h"

std::string_view RightTrim(std::string_view value) {
    const std::size_t end = value.find_last_not_of(" \t\r\n");
    return end == std::string_view::npos ? std::string_view() : value.substr(0, end + 1);
}

bool CRowReader::Next() {
    if (ended_)
        return false;
    const std::size_t end = mbcs::FindSubstring(rest_, "\r\n");
    SplitText(rest_.substr(0, end), "\t", values_);
    for (std::string_view& value : values_)
        value = RightTrim(value);
    if (end == std::string_view::npos)
        ended_ = true;
    else
        rest_.remove_prefix(end + 2);
    return true;
}

std::vector<Row> ReadRows(std::string_view text) {
    std::vector<Row> rows;
    for (CRowReader reader(text); reader.Next();)
        rows.emplace_back(reader.Values().begin(), reader.Values().end());
    return rows;
}

const std::string& Column(const Row& row, std::size_t position) {
    static const std::string empty;
    return position < row.size() ? row[position] : empty;
}

namespace {

template <typename Arguments>
void Format(std::string_view format, const Arguments& arguments, std::string& out) {
    out.clear();
    auto next = arguments.begin();
    for (;;) {
        const std::size_t at = format.find("%s");
        out += format.substr(0, at);
        if (at == std::string_view::npos)
            return;
        if (next != arguments.end())
            out += *next++;
        format.remove_prefix(at + 2);
    }
}

} // namespace

std::string FormatText(std::string_view format, std::initializer_list<std::string_view> arguments) {
    std::string out;
    Format(format, arguments, out);
    return out;
}

void FormatText(std::string_view format, const std::vector<std::string_view>& arguments,
                std::string& out) {
    Format(format, arguments, out);
}

bool IsInTrash(std::string_view inTrash) {
    return RightTrim(inTrash) == "1";
}

std::string TrashSuffix(const ICheckHost& host) {
    return host.LoadText(host.Options().idsTrashSuffix);
}

void AppendSection(ICheckHost& host, int headerId, long count) {
    host.Events().ReportAppended(FormatText(host.LoadText(headerId), {std::to_string(count)}));
    host.Events().CheckCounted(count);
}

Outcome ShowFailure(ICheckHost& host, const std::string& message) {
    RunFailure failure;
    failure.shown = message;
    host.Events().Failed(failure);
    return Outcome::Failed;
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

bool IsDecimalNumber(std::string_view text) {
    if (text.empty() || text.size() > 19)
        return false;
    for (char c : text)
        if (c < '0' || c > '9')
            return false;
    return true;
}

// The log line cut, on both line kinds: a line is the longest head of its uncut form that
// fits in 1,023 bytes together with its CR LF and ends on a character boundary, then CR LF.
// The uncut form holds a blank for each CR, LF and zero byte of the texts: a line ends once.
//
// Input: one byte of flags (bit 0: a failure line), then the texts, split at zero bytes
// into at most four for a result line; the whole rest is the message of an error code line.
#include "FuzzCheck.h"
#include "LogFile.h"

#include <cstdint>
#include <string>
#include <vector>

namespace {

const LogTime kTime = {2024, 6, 3, 9, 15, 0};

std::string Blanked(std::string text) {
    for (char& c : text)
        if (c == '\r' || c == '\n' || c == '\0')
            c = ' ';
    return text;
}

void CheckCut(const std::string& uncut, const std::string& line) {
    FUZZ_CHECK(line.size() >= 2 && line.size() <= kMaxLogLineBytes);
    FUZZ_CHECK(line.find_first_of(std::string("\r\n\0", 3)) == line.size() - 2);
    FUZZ_CHECK(line.compare(line.size() - 2, 2, "\r\n") == 0);
    const std::size_t kept = line.size() - 2;
    FUZZ_CHECK(uncut.compare(0, kept, line, 0, kept) == 0);
    FUZZ_CHECK(fuzz::CharStarts(uncut)[kept]);
    if (kept < uncut.size())
        FUZZ_CHECK(kept + fuzz::CharAt(uncut, kept) + 2 > kMaxLogLineBytes);
}

// The fixed head of a line is what it holds with empty texts; no cut reaches into it.
std::string Head(const std::string& emptyLine, const std::string& emptyTail) {
    FUZZ_CHECK(
        emptyLine.size() >= emptyTail.size() &&
        emptyLine.compare(emptyLine.size() - emptyTail.size(), std::string::npos, emptyTail) == 0);
    return emptyLine.substr(0, emptyLine.size() - emptyTail.size());
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size == 0)
        return 0;
    const bool failed = (data[0] & 1) != 0;
    const std::string rest(reinterpret_cast<const char*>(data) + 1, size - 1);

    std::vector<std::string> texts;
    std::size_t from = 0;
    while (texts.size() < 3) {
        const std::size_t zero = rest.find('\0', from);
        if (zero == std::string::npos)
            break;
        texts.push_back(rest.substr(from, zero - from));
        from = zero + 1;
    }
    texts.push_back(rest.substr(from));
    texts.resize(4);

    const LogStatus status = failed ? LogStatus::Failure : LogStatus::Success;
    const std::string resultHead =
        Head(FormatLogLine(kTime, ResultText(status, "", "", "", "")), ",,,\r\n");
    CheckCut(Blanked(resultHead + texts[0] + "," + texts[1] + "," + texts[2] + "," + texts[3]),
             FormatLogLine(kTime, ResultText(status, texts[0], texts[1], texts[2], texts[3])));

    const int lineNumber = static_cast<int>(size);
    const std::uint32_t code = failed ? 0x80004005u : 0u;
    const std::string errorHead =
        Head(FormatLogLine(kTime, ErrorCodeText(__FILE__, lineNumber, code, data[0], "")), "\r\n");
    CheckCut(errorHead + Blanked(rest),
             FormatLogLine(kTime, ErrorCodeText(__FILE__, lineNumber, code, data[0], rest)));
    return 0;
}

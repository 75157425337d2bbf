// The bare ODBC loop as a process of its own, so that its processor time and memory can be
// measured as the tool's are: sends again what a tool sent, as the SQL Server stand-in traced
// it (DIR/trace/<spid>.sql: each batch in UTF-8, ended by a NUL), the files in their order.
//   bare_loop HOST,PORT DATABASE FILE...
// Prints the loop's seconds, those of the statements from the first BEGIN TRANSACTION to the
// COMMIT or ROLLBACK that ends it (0 when there is none), the result rows and the statements:
//   BARE seconds <s> transaction_seconds <s> rows <n> statements <n>
#include "BareLoop.h"

#include <cstdio>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

namespace {

bool StartsWith(const std::string& text, const char* prefix) {
    const std::size_t start = text.find_first_not_of(" \t\r\n");
    if (start == std::string::npos)
        return false;
    for (std::size_t i = 0; prefix[i] != '\0'; ++i) {
        const std::size_t at = start + i;
        if (at >= text.size() || (text[at] | 0x20) != (prefix[i] | 0x20))
            return false;
    }
    return true;
}

// Seconds from the start of the first transaction to the end of the statement that ends it.
double TransactionSeconds(const std::vector<std::string>& statements,
                          const std::vector<double>& ends) {
    for (std::size_t begin = 0; begin < statements.size(); ++begin) {
        if (!StartsWith(statements[begin], "begin tran"))
            continue;
        for (std::size_t end = begin + 1; end < statements.size(); ++end)
            if (StartsWith(statements[end], "commit") || StartsWith(statements[end], "rollback"))
                return ends[end] - (begin == 0 ? 0 : ends[begin - 1]);
        return 0;
    }
    return 0;
}

} // namespace

int main(int argc, char** argv) {
    if (argc < 4) {
        std::printf("usage: bare_loop HOST,PORT DATABASE FILE...\n");
        return 2;
    }
    std::vector<std::string> statements;
    for (int i = 3; i < argc; ++i) {
        std::ifstream in(argv[i], std::ios::binary);
        if (!in) {
            std::printf("cannot read %s\n", argv[i]);
            return 2;
        }
        const std::string all((std::istreambuf_iterator<char>(in)),
                              std::istreambuf_iterator<char>());
        for (std::size_t at = 0, end; (end = all.find('\0', at)) != std::string::npos; at = end + 1)
            statements.push_back(AnsiFromUtf8(std::string_view(all).substr(at, end - at)));
    }
    const bench::BareRun run = bench::BareLoop(argv[1], argv[2], statements);
    std::printf("BARE seconds %.6f transaction_seconds %.6f rows %ld statements %zu\n", run.seconds,
                TransactionSeconds(statements, run.ends), run.rows, statements.size());
    return 0;
}

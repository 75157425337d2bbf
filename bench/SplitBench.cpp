// Splitting speed: 5 MB of catalogue-like interpreter output split into lines, each line
// into its catalogue fields and each field reduced under braces, as the catalogue does.
#include "BenchSupport.h"
#include "SqliQuery.h"
#include "TokenList.h"

#include <chrono>
#include <cstdio>
#include <string>

int main() {
    std::string text = "CatalogKey,'|',StringValue,'|',StringValue\r\n";
    // Japanese names in code page 932 (営業部 = 89 63 8B C6 95 94), trail bytes included.
    const std::string name = "\x89\x63\x8B\xC6\x95\x94\x83\x7C\x95\x5C";
    for (int i = 0; text.size() < 5000000; ++i)
        text += std::to_string(i) + ",|," + name + std::to_string(i) + ",|,Db" + std::to_string(i) +
                ",|,0,|,127.0.0.1,|,ZQ2:0123456789ABCDEF0123456789ABCDEF,|,{}\r\n";

    const int rounds = 5;
    std::size_t fields = 0;
    const auto start = std::chrono::steady_clock::now();
    for (int round = 0; round < rounds; ++round) {
        const CTokenList lines = SplitLines(text);
        for (std::size_t i = 1; i < lines.Count(); ++i) {
            const CTokenList parts = SplitBySeparator(lines.At(i), ",|,");
            for (std::size_t f = 0; f < parts.Count(); ++f)
                fields += SplitBySet(parts.At(f), "{}").Count();
        }
    }
    const double seconds =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    const double megabytes = static_cast<double>(text.size()) * rounds / 1e6;
    std::printf("split: %.1f MB of catalogue text in %.3f s: %.1f MB/s (%zu fields)\n", megabytes,
                seconds, megabytes / seconds, fields);
    bench::Figure("split_speed", megabytes / seconds, "MB/s");
    return 0;
}

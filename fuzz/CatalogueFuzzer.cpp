// The cabinet catalogue read from whatever the interpreter prints: the catalogue rows and
// the system database listing. Every field of every record must be zero-terminated within
// its size, zero-filled behind its text and never end inside a double-byte character; the
// helper library's texts must all be released (the leak checker sees to that).
#include "CabinetCatalogue.h"
#include "FakeRegistry.h"
#include "FuzzCheck.h"
#include "LogFile.h"
#include "SqliQuery.h"

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <type_traits>
#include <vector>

namespace {

// The helper library as the identity, so that a credential reaches its field as it stands
// in the catalogue and its cut can be checked like any other.
template <typename To, typename From> To* Copy(const From* text) {
    std::size_t n = 0;
    while (text[n] != 0)
        ++n;
    auto* out = static_cast<To*>(std::malloc((n + 1) * sizeof(To)));
    for (std::size_t i = 0; i <= n; ++i)
        out[i] = static_cast<To>(static_cast<std::make_unsigned_t<From>>(text[i]));
    return out;
}
ZqlStatus AsciiToString(const char* text, ZqlWideChar** out, ZqlAllocFn) {
    *out = Copy<ZqlWideChar>(text);
    return 0;
}
ZqlStatus Decrypt2(const ZqlWideChar* encoded, ZqlWideChar** out, ZqlAllocFn) {
    *out = Copy<ZqlWideChar>(encoded);
    return 0;
}
ZqlStatus StringToAscii(const ZqlWideChar* text, char** out, ZqlAllocFn) {
    *out = Copy<char>(text);
    return 0;
}
void FreeNarrow(char* text, ZqlReleaseFn) {
    std::free(text);
}
void FreeWide(ZqlWideChar* text, ZqlReleaseFn) {
    std::free(text);
}
const CredentialLibrary kIdentityLibrary = {AsciiToString, Decrypt2, StringToAscii, FreeNarrow,
                                            FreeWide};

// Every row is logged; the log line has a target of its own, so here the lines are dropped.
class DroppedLog : public ILog {
public:
    void Result(LogStatus, const std::string&, const std::string&, const std::string&,
                const std::string&) override {}
    void ErrorCode(const char*, int, std::uint32_t, std::uint32_t, const std::string&) override {}
};

template <std::size_t N> void CheckField(const char (&field)[N], const char* name) {
    const char* end = static_cast<const char*>(std::memchr(field, '\0', N));
    if (end == nullptr || std::any_of(end, field + N, [](char c) { return c != '\0'; }) ||
        fuzz::EndsInLoneLead(field)) {
        std::fprintf(stderr,
                     "FUZZ_CHECK failed: field %s is not cut on a character boundary, "
                     "or not terminated and zero-filled\n",
                     name);
        std::abort();
    }
}

void CheckRecords(const std::vector<CabinetRecord>& records) {
    for (const CabinetRecord& r : records) {
        CheckField(r.displayName, "displayName");
        CheckField(r.databaseName, "databaseName");
        CheckField(r.folder, "folder");
        CheckField(r.operationMode, "operationMode");
        CheckField(r.databaseHost, "databaseHost");
        CheckField(r.encodedUser, "encodedUser");
        CheckField(r.encodedPassword, "encodedPassword");
        CheckField(r.shortName, "shortName");
        FUZZ_CHECK(r.stateFlag == 1);
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    // The interpreter's text as the capture hands it over: up to its first zero byte. Every
    // line the interpreter prints ends with CR LF; without that, a text cut inside its last
    // character would end a value in a lone lead byte that no field cut put there.
    const std::string output = std::string(reinterpret_cast<const char*>(data), size).c_str();
    const std::string text = output + "\r\n";
    // Generation 5 reads the catalogue past its header line; the listing, which the catalogue
    // reads only when it fails (and then the same text lists nothing), is read on its own on
    // generation 4, where every line is a record.
    static const FakeRegistry generation5 = FakeRegistry::Installation(true);
    static const FakeRegistry generation4 = FakeRegistry::Installation(false);
    static DroppedLog log;
    CatalogueSources sources{&generation5,
                             [&text](const std::string&, std::string& out) {
                                 out = text;
                                 return kSqliOk;
                             },
                             &kIdentityLibrary, &log};
    std::vector<CabinetRecord> records;
    getSydCabList(0x200, records, sources);
    CheckRecords(records);
    records.clear();
    sources.registry = &generation4;
    ListSystemDatabases(0x200, "C:\\Velmora", records, sources);
    CheckRecords(records);
    return 0;
}

// The helper library, faked: "enc:X" decodes to X and anything else fails in the decryption.
// It counts the texts it hands out and has not had back, so a test can see a leak, and the
// decoded ones it had back without their being wiped first.
#pragma once

#include "CabinetCatalogue.h"

#include <cstdlib>
#include <cstring>
#include <string>

namespace fake_credentials {

inline int live = 0;                           // texts handed out and not yet released
inline bool stringToAsciiGivesNothing = false; // the conversion "succeeds" without a text
inline int plainReleasedUnwiped = 0;           // decoded texts released with their text

inline ZqlWideChar* Widen(const std::string& text) {
    auto* w = static_cast<ZqlWideChar*>(std::malloc((text.size() + 1) * sizeof(ZqlWideChar)));
    for (std::size_t i = 0; i <= text.size(); ++i)
        w[i] = static_cast<unsigned char>(text.c_str()[i]);
    ++live;
    return w;
}
inline std::string Narrowed(const ZqlWideChar* in) {
    std::string narrow;
    for (const ZqlWideChar* p = in; *p; ++p)
        narrow.push_back(static_cast<char>(*p));
    return narrow;
}
inline ZqlStatus AsciiToString(const char* text, ZqlWideChar** out, ZqlAllocFn) {
    *out = Widen(text);
    return 0;
}
inline ZqlStatus Decrypt2(const ZqlWideChar* in, ZqlWideChar** out, ZqlAllocFn) {
    const std::string narrow = Narrowed(in);
    if (narrow.rfind("enc:", 0) != 0)
        return 7;
    *out = Widen(narrow.substr(4));
    return 0;
}
inline ZqlStatus StringToAscii(const ZqlWideChar* in, char** out, ZqlAllocFn) {
    if (stringToAsciiGivesNothing)
        return 0;
    const std::string narrow = Narrowed(in);
    *out = static_cast<char*>(std::malloc(narrow.size() + 1));
    std::memcpy(*out, narrow.c_str(), narrow.size() + 1);
    ++live;
    return 0;
}
inline void FreeNarrow(char* p, ZqlReleaseFn) {
    plainReleasedUnwiped += p[0] != '\0'; // only decoded texts are narrow
    std::free(p);
    --live;
}
inline void FreeWide(ZqlWideChar* p, ZqlReleaseFn) {
    plainReleasedUnwiped += p[0] != 0 && Narrowed(p).rfind("enc:", 0) != 0;
    std::free(p);
    --live;
}

} // namespace fake_credentials

inline const CredentialLibrary kFakeCredentialLibrary = {
    fake_credentials::AsciiToString, fake_credentials::Decrypt2, fake_credentials::StringToAscii,
    fake_credentials::FreeNarrow, fake_credentials::FreeWide};

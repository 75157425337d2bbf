#include "Text.h"

#include <windows.h>

namespace {

std::string Convert(std::string_view text, UINT from, UINT to) {
    if (text.empty())
        return {};
    const int wideLength =
        MultiByteToWideChar(from, 0, text.data(), static_cast<int>(text.size()), nullptr, 0);
    std::wstring wide(static_cast<size_t>(wideLength), L'\0');
    MultiByteToWideChar(from, 0, text.data(), static_cast<int>(text.size()), wide.data(),
                        wideLength);
    const int length =
        WideCharToMultiByte(to, 0, wide.data(), wideLength, nullptr, 0, nullptr, nullptr);
    std::string out(static_cast<size_t>(length), '\0');
    WideCharToMultiByte(to, 0, wide.data(), wideLength, out.data(), length, nullptr, nullptr);
    return out;
}

} // namespace

std::string Ansi(const char* utf8) {
    return Convert(utf8, CP_UTF8, CP_ACP);
}

std::string Utf8FromAnsi(const std::string& ansi) {
    return Convert(ansi, CP_ACP, CP_UTF8);
}

std::string AnsiFromUtf8(std::string_view utf8) {
    return Convert(utf8, CP_UTF8, CP_ACP);
}

std::u16string Utf16FromAnsi(const std::string& ansi) {
    std::u16string wide;
    AppendUtf16FromAnsi(wide, ansi);
    return wide;
}

std::wstring WideFromAnsi(const std::string& ansi) {
    const std::u16string wide = Utf16FromAnsi(ansi);
    return std::wstring(wide.begin(), wide.end());
}

void AppendUtf16FromAnsi(std::u16string& out, std::string_view ansi) {
    if (ansi.empty())
        return;
    const std::size_t at = out.size();
    out.resize(at + ansi.size());
    const int length = MultiByteToWideChar(CP_ACP, 0, ansi.data(), static_cast<int>(ansi.size()),
                                           reinterpret_cast<wchar_t*>(out.data() + at),
                                           static_cast<int>(ansi.size()));
    out.resize(at + static_cast<std::size_t>(length > 0 ? length : 0));
}

// One conversion into room for the longest outcome, rather than one pass that measures and
// one that converts: every value read from SQL Server comes through here.
void AppendAnsiFromUtf16(std::string& out, const char16_t* text, std::size_t length) {
    if (length == 0)
        return;
    static const std::size_t maxCharBytes = [] {
        CPINFO info{};
        return GetCPInfo(CP_ACP, &info) ? static_cast<std::size_t>(info.MaxCharSize) : 4;
    }();
    const std::size_t at = out.size();
    const std::size_t room = length * maxCharBytes;
    out.resize(at + room);
    const int bytes = WideCharToMultiByte(CP_ACP, 0, reinterpret_cast<const wchar_t*>(text),
                                          static_cast<int>(length), out.data() + at,
                                          static_cast<int>(room), nullptr, nullptr);
    out.resize(at + static_cast<std::size_t>(bytes > 0 ? bytes : 0));
}

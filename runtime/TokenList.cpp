#include "TokenList.h"

#include "Mbcs.h"

#include <cstring>
#include <utility>

CTokenList::CTokenList(CTokenList&& other) noexcept {
    *this = std::move(other);
}

CTokenList& CTokenList::operator=(CTokenList&& other) noexcept {
    text_ = std::move(other.text_);
    tokens_ = std::move(other.tokens_);
    count_ = other.count_;
    other.count_ = 0;
    return *this;
}

namespace {

std::vector<char> TerminatedCopy(const std::string& text) {
    // The text ends at its first terminator, as a C string would.
    std::vector<char> copy(text.c_str(), text.c_str() + std::strlen(text.c_str()) + 1);
    return copy;
}

bool IsSeparator(const char* p, const char* separators) {
    return mbcs::CharLength(p) == 1 && std::strchr(separators, *p) != nullptr;
}

std::size_t CountChar(const char* text, char c) {
    std::size_t n = 0;
    for (const char* p = mbcs::FindChar(text, c); p != nullptr; p = mbcs::FindChar(p + 1, c))
        ++n;
    return n;
}

} // namespace

CTokenList SplitBySet(const std::string& text, const char* separators) {
    CTokenList list;
    list.text_ = TerminatedCopy(text);
    char* p = list.text_.data();
    const std::size_t slots = separators[0] == '\0' ? 1 : CountChar(p, separators[0]) + 1;
    for (std::size_t slot = 0; slot < slots; ++slot) {
        while (*p != '\0' && IsSeparator(p, separators))
            ++p;
        if (*p == '\0')
            break; // every later slot stays empty as well
        char* token = p;
        while (*p != '\0' && !IsSeparator(p, separators))
            p += mbcs::CharLength(p);
        if (*p != '\0')
            *p++ = '\0';
        list.tokens_.push_back(token);
    }
    list.count_ = list.tokens_.size();
    return list;
}

void SplitText(const std::string& text, const std::string& separator,
               std::vector<std::string>& pieces) {
    // Over the whole string, zero bytes included: a result text is not a C string.
    pieces.clear();
    std::size_t position = 0;
    for (;;) {
        const char* hit = separator.empty()
                              ? nullptr
                              : mbcs::FindSubstring(text.c_str() + position, separator.c_str());
        if (hit == nullptr) {
            pieces.push_back(text.substr(position));
            return;
        }
        const std::size_t at = static_cast<std::size_t>(hit - text.c_str());
        pieces.push_back(text.substr(position, at - position));
        position = at + separator.size();
    }
}

CTokenList SplitBySeparator(const std::string& text, const char* separator) {
    CTokenList list;
    list.text_ = TerminatedCopy(text);
    char* field = list.text_.data();
    const std::size_t n = std::strlen(separator);
    list.tokens_.push_back(field);
    if (n > 0) {
        while (char* hit = const_cast<char*>(mbcs::FindSubstring(field, separator))) {
            *hit = '\0';
            field = hit + n;
            list.tokens_.push_back(field);
        }
    }
    list.count_ = list.tokens_.size();
    return list;
}

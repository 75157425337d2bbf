#include "TokenList.h"

#include "Mbcs.h"

#include <algorithm>
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

std::vector<char> TerminatedCopy(std::string_view text) {
    // The text ends at its first terminator, as a C string would.
    const std::size_t length = std::min(text.find('\0'), text.size());
    std::vector<char> copy(length + 1, '\0');
    std::memcpy(copy.data(), text.data(), length);
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

template <typename Piece>
void Split(std::string_view text, std::string_view separator, std::vector<Piece>& pieces) {
    pieces.clear();
    for (;;) {
        const std::size_t hit =
            separator.empty() ? std::string_view::npos : mbcs::FindSubstring(text, separator);
        if (hit == std::string_view::npos) {
            pieces.emplace_back(text);
            return;
        }
        pieces.emplace_back(text.substr(0, hit));
        text.remove_prefix(hit + separator.size());
    }
}

} // namespace

CTokenList SplitBySet(std::string_view text, const char* separators) {
    CTokenList list;
    list.text_ = TerminatedCopy(text);
    char* p = list.text_.data();
    const std::size_t slots = separators[0] == '\0' ? 1 : CountChar(p, separators[0]) + 1;
    list.tokens_.reserve(slots);
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

void SplitText(std::string_view text, std::string_view separator,
               std::vector<std::string>& pieces) {
    Split(text, separator, pieces);
}

void SplitText(std::string_view text, std::string_view separator,
               std::vector<std::string_view>& pieces) {
    Split(text, separator, pieces);
}

CTokenList SplitBySeparator(std::string_view text, const char* separator) {
    CTokenList list;
    list.text_ = TerminatedCopy(text);
    const std::string_view whole(list.text_.data(), list.text_.size() - 1);
    const std::string_view sought(separator);
    // Each occurrence begins with the separator's first byte: their number bounds the fields.
    list.tokens_.reserve(1 + (sought.empty() ? 0
                                             : static_cast<std::size_t>(std::count(
                                                   whole.begin(), whole.end(), sought[0]))));
    list.tokens_.push_back(list.text_.data());
    if (!sought.empty()) {
        for (std::size_t field = 0;;) {
            const std::size_t hit = mbcs::FindSubstring(whole.substr(field), sought);
            if (hit == std::string_view::npos)
                break;
            list.text_[field + hit] = '\0';
            field += hit + sought.size();
            list.tokens_.push_back(list.text_.data() + field);
        }
    }
    list.count_ = list.tokens_.size();
    return list;
}

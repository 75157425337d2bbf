// Decoded logins and passwords, and the connection strings that hold them, live for the
// driver's connect call only: their memory is wiped when they go, so that neither the
// process's freed memory nor a crash dump keeps them. What the tools keep are the encoded
// texts of the catalogue.
#pragma once

#include <cstddef>
#include <string>

// Platform side: overwrites the bytes with zeros in a way the compiler may not leave out
// (SecureZeroMemory on Windows).
void WipeMemory(void* data, std::size_t bytes);

// A text holding a secret, wiped when it goes. It is never copied or moved, and grows only
// through Reserve, which wipes the room it leaves: text appended within the reserved room
// leaves no copy behind.
template <class Char> class CSecretText {
public:
    CSecretText() = default;
    ~CSecretText() { Wipe(); }
    CSecretText(const CSecretText&) = delete;
    CSecretText& operator=(const CSecretText&) = delete;

    const std::basic_string<Char>& Text() const { return text_; }
    bool Empty() const { return text_.empty(); }

    // Makes room for at least `room` characters in all.
    void Reserve(std::size_t room) {
        if (room <= text_.capacity())
            return;
        std::basic_string<Char> larger;
        larger.reserve(room);
        larger.append(text_);
        Wipe();
        text_.swap(larger);
    }
    // The text itself, for appending within the reserved room.
    std::basic_string<Char>& Room() { return text_; }
    void Append(const std::basic_string<Char>& more) {
        Reserve(2 * (text_.size() + more.size()));
        text_.append(more);
    }
    void Append(Char c) {
        Reserve(2 * (text_.size() + 1));
        text_.push_back(c);
    }

    void Wipe() {
        text_.resize(text_.capacity());
        WipeMemory(&text_[0], text_.size() * sizeof(Char));
        text_.clear();
    }

private:
    std::basic_string<Char> text_;
};

using CSecretString = CSecretText<char>;
using CSecretUtf16 = CSecretText<char16_t>;

// The example vectors of FIPS 180-4 (NIST's "SHA256.pdf" examples and the long message of
// FIPS 180-2), and a digest taken between pieces.
#include "Sha256.h"

#include <gtest/gtest.h>

namespace {

TEST(Sha256, ExampleVectors) {
    EXPECT_EQ(Sha256Hex(""), "e3b0c44298fc1c149afbf4c8996fb92427ae41e4649b934ca495991b7852b855");
    EXPECT_EQ(Sha256Hex("abc"), "ba7816bf8f01cfea414140de5dae2223b00361a396177a9cb410ff61f20015ad");
    // 56 bytes: the length no longer fits the first block
    EXPECT_EQ(Sha256Hex("abcdbcdecdefdefgefghfghighijhijkijkljklmklmnlmnomnopnopq"),
              "248d6a61d20638b8e5c026930c3e6039a33ce45964ff2167f6ecedd419db06c1");
    EXPECT_EQ(Sha256Hex("abcdefghbcdefghicdefghijdefghijkefghijklfghijklmghijklmnhijklmnoijklmnop"
                        "jklmnopqklmnopqrlmnopqrsmnopqrstnopqrstu"),
              "cf5b16a778af8380036ce59e7b0492370b249b11e8f07a51afac45037afee9d1");
}

TEST(Sha256, PiecesOfAnyLengthAndADigestOnTheWay) {
    CSha256 hash;
    hash.Update("a");
    hash.Update("aa");
    EXPECT_EQ(hash.FinishHex(), Sha256Hex("aaa")); // and the hash goes on
    const std::string a(1000000, 'a');
    std::size_t done = 3;
    for (std::size_t piece = 1; done < a.size(); piece = piece * 7 % 200 + 1) {
        const std::size_t n = std::min(piece, a.size() - done);
        hash.Update(std::string_view(a).substr(done, n));
        done += n;
    }
    EXPECT_EQ(hash.FinishHex(), "cdc76e5c9914fb9281a1c7e284d73e67f1809a48a497200e046d39ccc7112cd0");
}

} // namespace

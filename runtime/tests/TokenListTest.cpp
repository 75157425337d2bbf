#include "TokenList.h"
#include "SqliQuery.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

std::vector<std::string> Tokens(const CTokenList& list) {
    std::vector<std::string> out;
    for (std::size_t i = 0; i < list.Count(); ++i)
        out.emplace_back(list.At(i));
    return out;
}

using V = std::vector<std::string>;

TEST(OutputGrammar, LinesIgnoreCrLfAndBlankLines) {
    EXPECT_EQ(Tokens(SplitLines("Name,Paths\r\na,b\r\n\r\n\r\nc,d\r\n")),
              (V{"Name,Paths", "a,b", "c,d"}));
    EXPECT_EQ(SplitLines("").Count(), 0u);
    EXPECT_EQ(SplitLines("\r\n\r\n").Count(), 0u);
}

TEST(OutputGrammar, EmptyBracesAndEmptyValuesBothVanish) {
    EXPECT_EQ(Tokens(SplitValues("12,{},abc")), (V{"12", "abc"}));
    EXPECT_EQ(Tokens(SplitValues("12,,abc")), (V{"12", "abc"}));
    EXPECT_EQ(Tokens(SplitValues("{},{},x")), (V{"x"}));
}

TEST(OutputGrammar, SlotsFollowTheFirstSeparatorOfTheSet) {
    // One slot per comma plus one: a line separated only by braces yields its first value.
    EXPECT_EQ(Tokens(SplitValues("a{b}c")), (V{"a"}));
    EXPECT_EQ(Tokens(SplitBySet("{abc}", "{}")), (V{"abc"}));
}

TEST(OutputGrammar, ErrorMarkerOnlyAtTheStartOfTheFirstLine) {
    EXPECT_TRUE(IsInterpreterError("[ERROR] -201 no such table"));
    EXPECT_FALSE(IsInterpreterError("ERROR] no bracket"));
    EXPECT_FALSE(IsInterpreterError(" [ERROR] indented"));
    const CTokenList lines = SplitLines("Name\r\n[ERROR] not first\r\n");
    EXPECT_FALSE(IsInterpreterError(lines.At(0)));
}

TEST(OutputGrammar, SeparatorKeepsEmptyFields) {
    EXPECT_EQ(Tokens(SplitBySeparator("1,|,a,|,,|,b", ",|,")), (V{"1", "a", "", "b"}));
    EXPECT_EQ(Tokens(SplitBySeparator("plain", ",|,")), (V{"plain"}));
    EXPECT_EQ(Tokens(SplitBySeparator(",|,", ",|,")), (V{"", ""}));
}

TEST(SplitText, PiecesAtEverySeparator) {
    std::vector<std::string> pieces;
    SplitText("1\ta\r\n2\tb\r\n", "\r\n", pieces);
    EXPECT_EQ(pieces, (std::vector<std::string>{"1\ta", "2\tb", ""}));
    SplitText("", "\t", pieces);
    EXPECT_EQ(pieces, (std::vector<std::string>{""}));
    SplitText("a\t\tb", "\t", pieces);
    EXPECT_EQ(pieces, (std::vector<std::string>{"a", "", "b"}));
    // 表 (95 5C) and ソ (83 5C) end in the byte of '\': no split inside them.
    SplitText("\x95\x5C\\x\x83\x5C", "\\", pieces);
    EXPECT_EQ(pieces, (std::vector<std::string>{"\x95\x5C", "x\x83\x5C"}));
}

TEST(OutputGrammar, TrailBytesAreNeverSeparators) {
    // Code page 932: 表 = 95 5C, ポ = 83 7C, 捜 = 91 7B, ｱ is single-byte (B1).
    const std::string hyou = "\x95\x5C";
    const std::string po = "\x83\x7C";
    const std::string sou = "\x91\x7B";
    EXPECT_EQ(Tokens(SplitValues(sou + "x,y")), (V{sou + "x", "y"}));
    EXPECT_EQ(Tokens(SplitBySeparator("1,|," + po + ",|,2", ",|,")), (V{"1", po, "2"}));
    EXPECT_EQ(Tokens(SplitBySeparator(po + "," + ",|,z", ",|,")), (V{po + ",", "z"}));
    EXPECT_EQ(Tokens(SplitBySet(hyou + "\\a\\b", "\\")), (V{hyou, "a", "b"}));
    EXPECT_EQ(Tokens(SplitValues("\xB1,\xB2")), (V{"\xB1", "\xB2"}));
}

TEST(OutputGrammar, ValuesPastTheEndReadEmpty) {
    const CTokenList values = SplitValues("only");
    EXPECT_STREQ(values.At(1), "");
    EXPECT_STREQ(values.At(100), "");
}

TEST(SqliCommandLine, QuotesFolderAndStatementAtAnyLength) {
    EXPECT_EQ(BuildSqliCommandLine("C:\\Velmora\\Zeph5", "/reg \"HKEY_LOCAL_MACHINE\\X\"",
                                   "ZqlDocType", "select 1"),
              "\"C:\\Velmora\\Zeph5\\sqli.exe\" /inprocess /reg \"HKEY_LOCAL_MACHINE\\X\" "
              "/database ZqlDocType /sql \"select 1\"");
    const std::string longStatement(5000, 'x');
    EXPECT_NE(BuildSqliCommandLine("", "", "ZqlDocType", longStatement).find(longStatement),
              std::string::npos);
}

} // namespace

#include "cport/EscapeCodes.h"

#include <gtest/gtest.h>

#include <string>

using namespace cport;

namespace {

const std::string ESC = "\x1b";

// Feeds input and returns the code of the one sequence it completes.
TEscapeCode Code(TEscapeCodesVT52 &parser, const std::string &input, TStringList *params = nullptr) {
    TEscapeCode code = ecIncomplete;
    int completed = 0;
    for (char c : input) {
        if (parser.FeedChar(c) == erCode) {
            code = parser.LastCode();
            ++completed;
            if (params != nullptr)
                *params = parser.Parameters();
            parser.Parameters().clear();
        }
    }
    EXPECT_EQ(completed, 1) << input.substr(1);
    return code;
}

} // namespace

TEST(EscapeVT52Decode, SingleLetters) {
    TEscapeCodesVT52 p;
    EXPECT_EQ(Code(p, ESC + "A"), ecMoveUp);
    EXPECT_EQ(Code(p, ESC + "B"), ecMoveDown);
    EXPECT_EQ(Code(p, ESC + "C"), ecMoveRight);
    EXPECT_EQ(Code(p, ESC + "D"), ecMoveLeft);
    EXPECT_EQ(Code(p, ESC + "H"), ecMoveHome);
    EXPECT_EQ(Code(p, ESC + "I"), ecReverseFeed);
    EXPECT_EQ(Code(p, ESC + "J"), ecClearToScreenEnd);
    EXPECT_EQ(Code(p, ESC + "K"), ecClearToLineEnd);
    EXPECT_EQ(Code(p, ESC + "Z"), ecIdentifyQuery);
    EXPECT_EQ(Code(p, ESC + "X"), ecInvalid);
    EXPECT_EQ(Code(p, ESC + "["), ecInvalid);
    EXPECT_EQ(Code(p, ESC + ESC), ecInvalid);
}

TEST(EscapeVT52Decode, IdentifyReplyNeedsItsSecondCharacter) {
    TEscapeCodesVT52 p;
    EXPECT_EQ(p.FeedChar(27), erPending);
    EXPECT_EQ(p.FeedChar('/'), erPending);
    EXPECT_EQ(p.FeedChar('Z'), erCode);
    EXPECT_EQ(p.LastCode(), ecIdentifyReply);
    EXPECT_EQ(Code(p, ESC + "/A"), ecInvalid);
    EXPECT_EQ(p.SequenceText(), "/A");
}

TEST(EscapeVT52Decode, DirectCursorAddressWaitsForBothCoordinatesWhateverTheyAre) {
    TEscapeCodesVT52 p;
    TStringList params;
    EXPECT_EQ(Code(p, ESC + "Y" + char(33) + char(42), &params), ecMoveTo);
    EXPECT_EQ(params, (TStringList{"2", "11"}));
    // ESC and control characters are coordinates here, not new sequences.
    EXPECT_EQ(Code(p, ESC + "Y" + ESC + char(13), &params), ecMoveTo);
    EXPECT_EQ(params, (TStringList{"-4", "-18"}));
    EXPECT_EQ(Code(p, ESC + "Y" + char(255) + char(0), &params), ecMoveTo);
    EXPECT_EQ(params, (TStringList{"224", "-31"}));
}

TEST(EscapeVT52Decode, TextAroundSequencesIsUntouched) {
    TEscapeCodesVT52 p;
    std::string seen;
    for (char c : "ab" + ESC + "Kcd") {
        if (p.FeedChar(c) == erChar)
            seen += p.LastChar();
    }
    EXPECT_EQ(seen, "abcd");
}

TEST(EscapeVT52Send, CodeToSequence) {
    TEscapeCodesVT52 p;
    TStringList moveTo{"3", "7"};
    EXPECT_EQ(p.CodeToSequence(ecMoveTo, &moveTo), ESC + "Y" + char(34) + char(38));
    TStringList wide{"300", "-40"};
    EXPECT_EQ(p.CodeToSequence(ecMoveTo, &wide), ESC + "Y" + char((300 + 31) & 0xFF) + char((-40 + 31) & 0xFF));
    EXPECT_EQ(p.CodeToSequence(ecIdentifyReply, nullptr), ESC + "/Z");
    EXPECT_EQ(p.CodeToSequence(ecIdentifyQuery, nullptr), ESC + "Z");
    EXPECT_EQ(p.CodeToSequence(ecReverseFeed, nullptr), ESC + "I");
    EXPECT_EQ(p.CodeToSequence(ecMoveHome, nullptr), ESC + "H");
    EXPECT_EQ(p.CodeToSequence(ecStatusOk, nullptr), "");
    EXPECT_EQ(p.CodeToSequence(ecPositionReport, &moveTo), "");
    EXPECT_EQ(p.CodeToSequence(ecAppKeyUp, nullptr), "");
    // What it sends, it reads back.
    for (int c = ecMoveUp; c <= ecAlignmentTest; ++c) {
        const std::string seq = p.CodeToSequence(static_cast<TEscapeCode>(c), &moveTo);
        if (seq.empty())
            continue;
        TEscapeCodesVT52 reader;
        TStringList params;
        EXPECT_EQ(Code(reader, seq, &params), static_cast<TEscapeCode>(c));
        if (c == ecMoveTo) {
            EXPECT_EQ(params, moveTo);
        }
    }
}

#include "cport/EscapeCodes.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <string>
#include <vector>

using namespace cport;

namespace {

// One observable outcome of feeding: a text character or a completed code
// with the parameters and sequence text it carried.
struct Outcome {
    bool isCode = false;
    char ch = 0;
    TEscapeCode code = ecInvalid;
    TStringList params;
    std::string sequence;
};

std::vector<Outcome> Feed(TEscapeCodes &parser, const std::string &input) {
    std::vector<Outcome> out;
    for (char c : input) {
        switch (parser.FeedChar(c)) {
        case erChar:
            out.push_back({false, parser.LastChar(), ecInvalid, {}, {}});
            break;
        case erCode:
            out.push_back({true, 0, parser.LastCode(), parser.Parameters(), std::string(parser.SequenceText())});
            parser.Parameters().clear();
            break;
        case erPending:
            break;
        }
    }
    return out;
}

Outcome One(const std::string &input) {
    TEscapeCodesVT100 parser;
    auto out = Feed(parser, input);
    EXPECT_EQ(out.size(), 1u) << "input " << input.substr(1);
    return out.empty() ? Outcome{} : out.front();
}

std::string Text(const std::vector<Outcome> &out) {
    std::string s;
    for (const auto &o : out)
        if (!o.isCode)
            s += o.ch;
    return s;
}

const std::string ESC = "\x1b";

} // namespace

TEST(EscapeVT100Cursor, MovesCarryTheirParameterTexts) {
    auto home = One(ESC + "[2;5H");
    EXPECT_EQ(home.code, ecMoveHome);
    EXPECT_EQ(home.params, (TStringList{"2", "5"}));
    EXPECT_EQ(home.sequence, "[2;5H");

    auto bare = One(ESC + "[H");
    EXPECT_EQ(bare.code, ecMoveHome);
    EXPECT_TRUE(bare.params.empty());

    auto up0 = One(ESC + "[0A");
    EXPECT_EQ(up0.code, ecMoveUp);
    EXPECT_EQ(TEscapeCodes::ParameterValue(1, &up0.params), 0);

    EXPECT_EQ(One(ESC + "[3B").code, ecMoveDown);
    EXPECT_EQ(One(ESC + "[C").code, ecMoveRight);
    EXPECT_EQ(One(ESC + "[D").code, ecMoveLeft);
    EXPECT_EQ(One(ESC + "[4;7f").code, ecMoveTo);
    EXPECT_EQ(One(ESC + "[s").code, ecSaveCursor);
    EXPECT_EQ(One(ESC + "[u").code, ecRestoreCursor);
    EXPECT_EQ(One(ESC + "[7;9R").params, (TStringList{"7", "9"}));
}

TEST(EscapeVT100Erase, OnlyTheFirstCharacterOfTheFirstParameterDecides) {
    EXPECT_EQ(One(ESC + "[J").code, ecClearToScreenEnd);
    EXPECT_EQ(One(ESC + "[0J").code, ecClearToScreenEnd);
    EXPECT_EQ(One(ESC + "[1J").code, ecInvalid);
    EXPECT_EQ(One(ESC + "[25J").code, ecClearScreen);
    EXPECT_EQ(One(ESC + "[K").code, ecClearToLineEnd);
    EXPECT_EQ(One(ESC + "[1K").code, ecInvalid);
    EXPECT_EQ(One(ESC + "[2K").code, ecClearLine);
    EXPECT_EQ(One(ESC + "[g").code, ecTabClear);
    EXPECT_EQ(One(ESC + "[3g").code, ecTabClearAll);
    EXPECT_EQ(One(ESC + "[2g").code, ecInvalid);
    // A NUL is a first character like any other, not the absence of one.
    EXPECT_EQ(One(ESC + "[" + std::string(1, '\0') + "J").code, ecInvalid);
    EXPECT_EQ(One(ESC + "[" + std::string(1, '\0') + "n").code, ecInvalid);
    // These pass no parameters on, whatever was received.
    EXPECT_TRUE(One(ESC + "[2;9J").params.empty());
    EXPECT_TRUE(One(ESC + "[1K").params.empty());
}

TEST(EscapeVT100Reports, QueriesAndAnswersAreTold) {
    EXPECT_EQ(One(ESC + "[5n").code, ecStatusQuery);
    EXPECT_EQ(One(ESC + "[0n").code, ecStatusOk);
    EXPECT_EQ(One(ESC + "[3n").code, ecStatusFault);
    EXPECT_EQ(One(ESC + "[6n").code, ecPositionQuery);
    EXPECT_EQ(One(ESC + "[n").code, ecInvalid);
    EXPECT_EQ(One(ESC + "[c").code, ecIdentifyQuery);
    EXPECT_EQ(One(ESC + "[0c").code, ecIdentifyQuery);
    EXPECT_EQ(One(ESC + "[1c").code, ecInvalid);
    auto reply = One(ESC + "[?1;2c");
    EXPECT_EQ(reply.code, ecIdentifyReply);
    EXPECT_EQ(reply.params, (TStringList{"?1", "2"}));
    EXPECT_EQ(One(ESC + "[?1;2;3c").code, ecInvalid);
}

TEST(EscapeVT100Modes, ParametersArePassedAsReceived) {
    auto mode = One(ESC + "[?25h");
    EXPECT_EQ(mode.code, ecModeSet);
    EXPECT_EQ(mode.params, (TStringList{"?25"}));
    EXPECT_EQ(One(ESC + "[7l").code, ecModeReset);
    auto attrs = One(ESC + "[1;4;7m");
    EXPECT_EQ(attrs.code, ecSetAttributes);
    EXPECT_EQ(attrs.params, (TStringList{"1", "4", "7"}));
}

TEST(EscapeVT100Split, EmptyParametersNeverAppearAsEmptyTexts) {
    TStringList list{"stale"};
    SplitParameters("5;;7", list);
    EXPECT_EQ(list, (TStringList{"5", ";7"}));
    SplitParameters(";5", list);
    EXPECT_EQ(list, (TStringList{";5"}));
    SplitParameters("", list);
    EXPECT_TRUE(list.empty());
    SplitParameters("1;2;", list);
    EXPECT_EQ(list, (TStringList{"1", "2"}));
    SplitParameters(";;;", list);
    EXPECT_EQ(list, (TStringList{";", ";"}));
    EXPECT_EQ(One(ESC + "[5;;7H").params, (TStringList{"5", ";7"}));
}

TEST(EscapeVT100Escape, ShortSequences) {
    EXPECT_EQ(One(ESC + "H").code, ecTabSet);
    EXPECT_EQ(One(ESC + "c").code, ecResetTerminal);
    EXPECT_EQ(One(ESC + "7").code, ecSaveCursorAttrs);
    EXPECT_EQ(One(ESC + "8").code, ecRestoreCursorAttrs);
    EXPECT_EQ(One(ESC + "#8").code, ecAlignmentTest);
    EXPECT_EQ(One(ESC + "#3").code, ecInvalid);
    EXPECT_EQ(One(ESC + "OA").code, ecAppKeyUp);
    EXPECT_EQ(One(ESC + "OB").code, ecAppKeyDown);
    EXPECT_EQ(One(ESC + "OC").code, ecAppKeyRight);
    EXPECT_EQ(One(ESC + "OD").code, ecAppKeyLeft);
    EXPECT_EQ(One(ESC + "OZ").code, ecInvalid);
}

TEST(EscapeVT100Invalid, EndsWhereTheTableDecidesAndTheRestIsText) {
    TEscapeCodesVT100 parser;
    auto out = Feed(parser, ESC + "(B");
    ASSERT_EQ(out.size(), 2u);
    EXPECT_TRUE(out[0].isCode);
    EXPECT_EQ(out[0].code, ecInvalid);
    EXPECT_EQ(out[0].sequence, "(");
    EXPECT_FALSE(out[1].isCode);
    EXPECT_EQ(out[1].ch, 'B');

    out = Feed(parser, ESC + ESC + "ab");
    ASSERT_EQ(out.size(), 3u);
    EXPECT_EQ(out[0].code, ecInvalid);
    EXPECT_EQ(out[0].sequence, ESC);
    EXPECT_EQ(Text(out), "ab");
}

TEST(EscapeVT100Invalid, AControlSequenceRunsToTheNextLetter) {
    TEscapeCodesVT100 parser;
    auto out = Feed(parser, ESC + "[4@Hello");
    ASSERT_EQ(out.size(), 5u);
    EXPECT_EQ(out[0].code, ecMoveHome);
    EXPECT_EQ(out[0].params, (TStringList{"4@"}));
    EXPECT_EQ(Text(out), "ello");
    // An ESC inside a control sequence is collected, not a new start.
    out = Feed(parser, ESC + "[1" + ESC + "[2J");
    ASSERT_EQ(out.size(), 1u);
    EXPECT_EQ(out[0].sequence, "[1" + ESC + "[2J");
    EXPECT_EQ(out[0].code, ecInvalid);
}

TEST(EscapeVT100State, TextOutsideSequencesPassesUnchanged) {
    TEscapeCodesVT100 parser;
    std::string all;
    for (int c = 0; c < 256; ++c)
        if (c != 27)
            all += static_cast<char>(c);
    EXPECT_EQ(Text(Feed(parser, all)), all);
    EXPECT_EQ(parser.FeedChar(27), erPending);
    EXPECT_EQ(parser.FeedChar('['), erPending);
    EXPECT_EQ(parser.FeedChar('m'), erCode);
}

TEST(EscapeVT100Bound, AnEndlessSequenceIsCutOffAndMemoryStaysBounded) {
    TEscapeCodesVT100 parser;
    std::string chunk(1 << 20, '7');
    chunk[0] = 27;
    chunk[1] = '[';
    // 100 MB of ESC [ and digits that never reach a final letter.
    std::size_t invalid = 0, text = 0, maxSequence = 0, maxParams = 0;
    for (int round = 0; round < 100; ++round) {
        for (char c : chunk) {
            switch (parser.FeedChar(c)) {
            case erCode:
                EXPECT_EQ(parser.LastCode(), ecInvalid);
                EXPECT_TRUE(parser.Parameters().empty());
                ++invalid;
                break;
            case erChar:
                ++text;
                break;
            case erPending:
                break;
            }
            maxSequence = std::max(maxSequence, parser.SequenceText().size());
            maxParams = std::max(maxParams, parser.Parameters().size());
        }
    }
    EXPECT_EQ(invalid, 100u);
    EXPECT_EQ(maxSequence, TEscapeCodes::MaxSequenceLength);
    EXPECT_EQ(maxParams, 0u);
    // Past the cut-off the digits are ordinary text.
    EXPECT_EQ(text, 100u * (chunk.size() - 1 - TEscapeCodes::MaxSequenceLength));
}

TEST(EscapeVT100Bound, ASequenceCompletingAtTheLimitIsStillDecoded) {
    TEscapeCodesVT100 parser;
    std::string input = ESC + "[" + std::string(TEscapeCodes::MaxSequenceLength - 3, '0') + "5A";
    ASSERT_EQ(input.size() - 1, TEscapeCodes::MaxSequenceLength);
    auto out = Feed(parser, input);
    ASSERT_EQ(out.size(), 1u);
    EXPECT_EQ(out[0].code, ecMoveUp);
    EXPECT_EQ(TEscapeCodes::ParameterValue(1, &out[0].params), 5);
}

TEST(EscapeVT100Send, CodeToSequence) {
    TEscapeCodesVT100 parser;
    TStringList moveTo{"3", "7"};
    EXPECT_EQ(parser.CodeToSequence(ecMoveTo, &moveTo), ESC + "[3;7f");
    EXPECT_EQ(parser.CodeToSequence(ecMoveTo, nullptr), ESC + "[1;1f");
    TStringList two{"2"};
    EXPECT_EQ(parser.CodeToSequence(ecIdentifyReply, &two), ESC + "[?1;2c");
    TStringList pos{"24", "80"};
    EXPECT_EQ(parser.CodeToSequence(ecPositionReport, &pos), ESC + "[24;80R");
    EXPECT_EQ(parser.CodeToSequence(ecStatusOk, nullptr), ESC + "[0n");
    EXPECT_EQ(parser.CodeToSequence(ecSetAttributes, &pos), ESC + "[m");
    EXPECT_EQ(parser.CodeToSequence(ecAppKeyUp, nullptr), ESC + "OA");
    EXPECT_EQ(parser.CodeToSequence(ecAppKeyLeft, nullptr), ESC + "OD");
    EXPECT_EQ(parser.CodeToSequence(ecMoveLeft, nullptr), ESC + "[D");
    EXPECT_EQ(parser.CodeToSequence(ecClearScreen, nullptr), ESC + "[2J");
    EXPECT_EQ(parser.CodeToSequence(ecAlignmentTest, nullptr), ESC + "#8");
    EXPECT_EQ(parser.CodeToSequence(ecReverseFeed, nullptr), "");
    EXPECT_EQ(parser.CodeToSequence(ecInvalid, nullptr), "");
    // Every code the parser can send is read back as the same code.
    for (int c = ecMoveUp; c <= ecAlignmentTest; ++c) {
        const std::string seq = parser.CodeToSequence(static_cast<TEscapeCode>(c), &moveTo);
        if (seq.empty())
            continue;
        TEscapeCodesVT100 reader;
        auto out = Feed(reader, seq);
        ASSERT_EQ(out.size(), 1u) << c;
        EXPECT_EQ(out[0].code, static_cast<TEscapeCode>(c));
    }
}

TEST(EscapeParameters, ParameterValue) {
    TStringList five{"5"}, x{"x"}, neg{"-3"}, big{"2147483648"}, min{"-2147483648"}, plus{"+12"}, bad{"1 "};
    EXPECT_EQ(TEscapeCodes::ParameterValue(2, &five), 1);
    EXPECT_EQ(TEscapeCodes::ParameterValue(1, &five), 5);
    EXPECT_EQ(TEscapeCodes::ParameterValue(1, &x), 1);
    EXPECT_EQ(TEscapeCodes::ParameterValue(1, &neg), -3);
    EXPECT_EQ(TEscapeCodes::ParameterValue(1, nullptr), 1);
    EXPECT_EQ(TEscapeCodes::ParameterValue(0, &five), 1);
    EXPECT_EQ(TEscapeCodes::ParameterValue(1, &big), 1);
    EXPECT_EQ(TEscapeCodes::ParameterValue(1, &min), -2147483647 - 1);
    EXPECT_EQ(TEscapeCodes::ParameterValue(1, &plus), 12);
    EXPECT_EQ(TEscapeCodes::ParameterValue(1, &bad), 1);
}

namespace {

// Bytes that exercise every decision of the parser: ESC, [, O, #, digits,
// separators, letters, NUL and bytes with the top bit set.
std::string RandomSequenceBytes(std::mt19937 &rng, std::size_t length) {
    static const std::string alphabet =
        std::string("\x1b\x1b\x1b[[[O#0123456789;;?@ AHJKcfgmnhlsu8zZ\xc1\xe1\x80\xff") + std::string(1, '\0');
    std::uniform_int_distribution<std::size_t> pick(0, alphabet.size() - 1);
    std::string s;
    for (std::size_t i = 0; i < length; ++i)
        s += alphabet[pick(rng)];
    return s;
}

std::vector<Outcome> FeedInSteps(TEscapeCodes &parser, const std::string &input, std::size_t step) {
    std::vector<Outcome> out;
    std::size_t at = 0;
    while (at < input.size()) {
        const std::size_t length = std::min(step, input.size() - at);
        if (const std::size_t run = parser.PlainRun(input.data() + at, length)) {
            for (std::size_t i = 0; i < run; ++i)
                out.push_back({false, input[at + i], ecInvalid, {}, {}});
            EXPECT_EQ(parser.LastChar(), input[at + run - 1]);
            at += run;
            continue;
        }
        std::size_t used = 0;
        switch (parser.FeedChars(input.data() + at, length, used)) {
        case erChar:
            out.push_back({false, parser.LastChar(), ecInvalid, {}, {}});
            break;
        case erCode:
            // The in-place readers agree with the list they stand for.
            EXPECT_EQ(parser.ParameterCount(), static_cast<std::int32_t>(parser.Parameters().size()));
            for (std::int32_t i = 0; i <= parser.ParameterCount() + 1; ++i)
                EXPECT_EQ(parser.ParameterValueAt(i), TEscapeCodes::ParameterValue(i, &parser.Parameters()));
            out.push_back({true, 0, parser.LastCode(), parser.Parameters(), std::string(parser.SequenceText())});
            parser.ClearParameters();
            break;
        case erPending:
            break;
        }
        EXPECT_GT(used, 0u);
        at += used;
    }
    return out;
}

bool Same(const std::vector<Outcome> &a, const std::vector<Outcome> &b) {
    if (a.size() != b.size())
        return false;
    for (std::size_t i = 0; i < a.size(); ++i)
        if (a[i].isCode != b[i].isCode || a[i].ch != b[i].ch || a[i].code != b[i].code || a[i].params != b[i].params ||
            a[i].sequence != b[i].sequence)
            return false;
    return true;
}

} // namespace

TEST(EscapeVT100Batch, RunsAndWholeSequencesGiveWhatSingleCharactersGive) {
    std::mt19937 rng(42);
    for (int trial = 0; trial < 300; ++trial) {
        const std::string input = RandomSequenceBytes(rng, 200);
        TEscapeCodesVT100 single;
        const auto expected = Feed(single, input);
        for (std::size_t step : {std::size_t(1), std::size_t(3), std::size_t(8), std::size_t(17), input.size()}) {
            TEscapeCodesVT100 batched;
            ASSERT_TRUE(Same(FeedInSteps(batched, input, step), expected)) << "trial " << trial << " step " << step;
        }
    }
    // Long parameter runs cross the eight-byte scan and the length limit.
    std::string longSequence = ESC + "[" + std::string(5000, '1') + "m" + ESC + "[" + std::string(20, ';') + "Hx";
    TEscapeCodesVT100 single, batched;
    EXPECT_TRUE(Same(FeedInSteps(batched, longSequence, longSequence.size()), Feed(single, longSequence)));
}

TEST(EscapeVT100Batch, ADescendantIsFedOneCharacterAtATime) {
    // A parser derived from the VT100 one may read characters its own way;
    // the batch steps must then fall back to its FeedChar.
    struct Upper : TEscapeCodesVT100 {
        TEscapeResult FeedChar(char Ch) override { return TEscapeCodesVT100::FeedChar(Ch == 'x' ? '\x1b' : Ch); }
    } parser;
    EXPECT_EQ(parser.PlainRun("abc", 3), 0u);
    std::size_t used = 0;
    EXPECT_EQ(parser.FeedChars("x[2J", 4, used), erCode);
    EXPECT_EQ(used, 4u);
    EXPECT_EQ(parser.LastCode(), ecClearScreen);
}

// The parameters of a completed sequence stay its own however late they are
// read, through every reader, while the next sequence is under way or done.
TEST(Vt100Parameters, ReadLateTheyAreStillThoseOfTheLastCompletedSequence) {
    struct Case {
        const char *name;
        std::string after; // fed after ESC [ 5 ; 7 H, whose parameters are then read
        bool inChunks;     // fed in one call of FeedChars rather than by FeedChar
    };
    const Case cases[] = {
        {"a lone ESC", "\x1b", false},
        {"an unfinished control sequence", "\x1b[12;", false},
        {"a completed two-character sequence",
         "\x1b"
         "7",
         false},
        {"a completed two-character sequence in one chunk",
         "\x1b"
         "7",
         true},
        {"text and a lone ESC in one chunk", "ab\x1b", true},
        {"an ESC inside an unfinished sequence", "\x1b[3\x1b", false},
    };
    for (const Case &c : cases)
        for (const bool listFirst : {false, true}) {
            SCOPED_TRACE(std::string(c.name) + (listFirst ? ", list read first" : ", values read first"));
            TEscapeCodesVT100 parser;
            std::size_t used = 0;
            const std::string move = "\x1b[5;7H";
            ASSERT_EQ(parser.FeedChars(move.data(), move.size(), used), erCode);
            if (c.inChunks) {
                for (std::size_t at = 0; at < c.after.size(); at += used)
                    parser.FeedChars(c.after.data() + at, c.after.size() - at, used);
            } else {
                for (const char ch : c.after)
                    parser.FeedChar(ch);
            }
            if (listFirst) {
                EXPECT_EQ(parser.Parameters(), (TStringList{"5", "7"}));
            }
            EXPECT_EQ(parser.ParameterCount(), 2);
            EXPECT_EQ(parser.ParameterText(1), "5");
            EXPECT_EQ(parser.ParameterText(2), "7");
            EXPECT_EQ(parser.ParameterValueAt(2), 7);
            EXPECT_EQ(parser.Parameters(), (TStringList{"5", "7"}));
        }
}

#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace cport {

// What a completed escape sequence stands for. The order is part of the
// interface: stored values and callers compare against it.
enum TEscapeCode : std::uint8_t {
    ecInvalid,
    ecIncomplete,
    ecMoveUp,
    ecMoveDown,
    ecMoveLeft,
    ecMoveRight,
    ecMoveHome,
    ecMoveTo,
    ecReverseFeed,
    ecAppKeyLeft,
    ecAppKeyRight,
    ecAppKeyUp,
    ecAppKeyDown,
    ecClearToLineEnd,
    ecClearToScreenEnd,
    ecClearLine,
    ecClearScreen,
    ecTabSet,
    ecTabClear,
    ecTabClearAll,
    ecIdentifyQuery,
    ecIdentifyReply,
    ecStatusQuery,
    ecStatusOk,
    ecStatusFault,
    ecPositionQuery,
    ecPositionReport,
    ecSetAttributes,
    ecModeSet,
    ecModeReset,
    ecResetTerminal,
    ecSaveCursorAttrs,
    ecRestoreCursorAttrs,
    ecSaveCursor,
    ecRestoreCursor,
    ecAlignmentTest
};

// The outcome of feeding one character to a parser.
enum TEscapeResult : std::uint8_t {
    erChar,   // an ordinary character, now in LastChar()
    erCode,   // a sequence has just completed; its code is in LastCode()
    erPending // the character was taken into an unfinished sequence
};

using TStringList = std::vector<std::string>;

// Turns received characters into text and escape codes, and escape codes into
// the bytes to send. One parser serves one terminal and keeps its state across
// received chunks, so a sequence may arrive split anywhere.
class TEscapeCodes {
  public:
    // A sequence that has not completed after this many characters ends as
    // ecInvalid: a peer sending ESC [ and digits forever must not make the
    // parser grow without bound.
    static constexpr std::size_t MaxSequenceLength = 4096;

    TEscapeCodes() = default;
    virtual ~TEscapeCodes() = default;
    TEscapeCodes(const TEscapeCodes &) = delete;
    TEscapeCodes &operator=(const TEscapeCodes &) = delete;

    virtual TEscapeResult FeedChar(char Ch) = 0;
    // The bytes that stand for Code; empty when this parser has none. Params
    // may be null; missing parameters count as 1.
    virtual std::string CodeToSequence(TEscapeCode Code, const TStringList *Params) const = 0;

    // Parameter Index (from 1) as an integer; 1 when Params is null, the index
    // is past the end, or the text is not a decimal 32-bit integer.
    static std::int32_t ParameterValue(std::int32_t Index, const TStringList *Params);

    char LastChar() const { return lastChar_; }
    TEscapeCode LastCode() const { return lastCode_; }
    // The characters since the ESC that started the current or last sequence,
    // the ESC itself excluded.
    const std::string &SequenceText() const { return sequenceText_; }
    // The parameters of the last completed sequence. The caller empties the
    // list once it has dealt with a sequence, and may place reply parameters in it.
    TStringList &Parameters() { return parameters_; }
    const TStringList &Parameters() const { return parameters_; }

  protected:
    // Steps shared by every parser: outside a sequence a non-ESC character is
    // text and an ESC opens a sequence; inside, the character is appended.
    // Returns true when the caller has to decode SequenceText().
    bool TakeChar(char Ch, TEscapeResult &result);
    // Ends the current sequence with code, or keeps it open for ecIncomplete,
    // cutting it off as ecInvalid once it reaches MaxSequenceLength.
    TEscapeResult Finish(TEscapeCode code);
    bool InSequence() const { return inSequence_; }
    // Called when a sequence ends, so that a descendant can drop its own state.
    virtual void SequenceEnded() {}

    char lastChar_ = 0;
    TEscapeCode lastCode_ = ecInvalid;
    std::string sequenceText_;
    TStringList parameters_;

  private:
    bool inSequence_ = false;
};

// VT52: ESC and one letter, or ESC Y and two coordinate characters.
class TEscapeCodesVT52 : public TEscapeCodes {
  public:
    TEscapeResult FeedChar(char Ch) override;
    std::string CodeToSequence(TEscapeCode Code, const TStringList *Params) const override;

  private:
    TEscapeCode Decode();
};

// VT100/ANSI: ESC and one or two characters, and control sequences
// ESC [ parameters final-letter.
class TEscapeCodesVT100 : public TEscapeCodes {
  public:
    TEscapeResult FeedChar(char Ch) override;
    std::string CodeToSequence(TEscapeCode Code, const TStringList *Params) const override;

  protected:
    void SequenceEnded() override { inControlSequence_ = false; }

  private:
    TEscapeCode DecodeEscape() const;
    TEscapeCode DecodeControl();
    bool inControlSequence_ = false;
};

// Splits the parameter text of a control sequence into list (emptied first).
// A ";" closes a non-empty token; a ";" on an empty token is part of it, so no
// parameter is ever an empty text ("5;;7" gives "5" and ";7").
void SplitParameters(std::string_view text, TStringList &list);

// Appends the decimal text of value to out.
void AppendDecimal(std::string &out, std::int32_t value);

} // namespace cport

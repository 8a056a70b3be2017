#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string>
#include <string_view>
#include <typeinfo>
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
    // Feeds characters from Text until one gives a result other than
    // erPending, or the text ends; Consumed tells how many were taken. The
    // outcome is the same as feeding them one by one with FeedChar; a parser
    // may override it to take a sequence's characters in one step.
    virtual TEscapeResult FeedChars(const char *Text, std::size_t Length, std::size_t &Consumed);
    // How many characters at the start of Text FeedChar would each return as
    // erChar, taken as such at once (LastChar becomes the last of them), so
    // that the terminal can print a run of text without a call per
    // character. The base takes none, which is right for any parser.
    virtual std::size_t PlainRun(const char *Text, std::size_t Length);
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
    std::string_view SequenceText() const { return std::string_view(sequence_.data(), sequenceLength_); }
    // The parameters of the last completed sequence. The caller empties the
    // list once it has dealt with a sequence, and may place reply parameters in it.
    TStringList &Parameters() {
        BuildParameters();
        return parameters_;
    }
    const TStringList &Parameters() const {
        BuildParameters();
        return parameters_;
    }
    // Empties Parameters().
    void ClearParameters() {
        pending_ = false;
        parameters_.clear();
    }
    // Read Parameters() without building the list, for the terminal's own
    // use: the number of texts, text Index (from 1, empty past the end), and
    // ParameterValue(Index, &Parameters()).
    std::int32_t ParameterCount() const {
        if (!pending_)
            return static_cast<std::int32_t>(parameters_.size());
        if (valueCount_ < 0)
            ScanValues();
        return valueCount_;
    }
    std::string_view ParameterText(std::int32_t Index) const;
    std::int32_t ParameterValueAt(std::int32_t Index) const {
        if (pending_) {
            if (valueCount_ < 0)
                ScanValues();
            if (Index < 1 || Index > valueCount_)
                return 1;
            if (Index <= kKeptValues)
                return values_[Index - 1];
        }
        return ParameterValueSlow(Index);
    }

  protected:
    // Steps shared by every parser: outside a sequence a non-ESC character is
    // text and an ESC opens a sequence; inside, the character is appended.
    // Returns true when the caller has to decode SequenceText().
    bool TakeChar(char Ch, TEscapeResult &result) {
        if (!inSequence_) {
            if (Ch != kEsc) {
                lastChar_ = Ch;
                result = erChar;
            } else {
                BeginSequence();
                result = erPending;
            }
            return false;
        }
        // An ESC inside a sequence is collected like any other character; it
        // does not restart the sequence.
        sequence_[sequenceLength_++] = Ch;
        return true;
    }
    // Ends the current sequence with code, or keeps it open for ecIncomplete,
    // cutting it off as ecInvalid once it reaches MaxSequenceLength.
    TEscapeResult Finish(TEscapeCode code) {
        if (code == ecIncomplete && sequenceLength_ < MaxSequenceLength)
            return erPending;
        return End(code);
    }
    TEscapeResult End(TEscapeCode code);
    // An ESC has arrived outside a sequence: what TakeChar does with it.
    void BeginSequence() {
        KeepPendingText();
        sequenceLength_ = 0;
        inSequence_ = true;
    }
    // True when this object is exactly of class T and no descendant, which
    // may have changed how characters are read. Found out once and kept.
    template <typename T> bool IsExactly() const {
        if (exactness_ < 0)
            exactness_ = typeid(*this) == typeid(T) ? 1 : 0;
        return exactness_ == 1;
    }
    // The plain-text run at the start of Text for the rule every parser here
    // shares: outside a sequence, everything up to the next ESC.
    std::size_t ScanPlain(const char *Text, std::size_t Length);
    static constexpr char kEsc = 27;
    bool InSequence() const { return inSequence_; }
    // Called when a sequence ends, so that a descendant can drop its own state.
    virtual void SequenceEnded() {}

    // The parameters are the texts of SequenceText()[first, first + length),
    // split only when someone asks for the list: most sequences are acted on
    // by value alone.
    void SetParameterText(std::size_t first, std::size_t length) {
        pendingKept_ = false;
        pending_ = true;
        pendingFirst_ = first;
        pendingLength_ = length;
        valueCount_ = -1;
    }
    // Counts the pending texts and keeps the values of the first few, read
    // from text, which must hold the same characters as the pending text (a
    // parser may pass its input, still at hand, rather than its copy of it).
    void ScanValues(std::string_view text) const;
    bool ParametersPending() const { return pending_; }

    char lastChar_ = 0;
    TEscapeCode lastCode_ = ecInvalid;
    // The sequence in a block of its own: it never grows past the limit, so
    // it is never reallocated. A sequence ends (or is cut off) before it
    // fills the block, so there is always room for one more character.
    std::array<char, MaxSequenceLength> sequence_;
    std::size_t sequenceLength_ = 0;
    void AppendSequence(const char *text, std::size_t length) {
        std::memcpy(sequence_.data() + sequenceLength_, text, length);
        sequenceLength_ += length;
    }
    // Replaces the sequence by text[0, length); available tells how many
    // characters text holds, so that a short copy can take a fixed size.
    void SetSequence(const char *text, std::size_t length, std::size_t available) {
        KeepPendingText();
        if (length <= 16 && available >= 16)
            std::memcpy(sequence_.data(), text, 16);
        else
            std::memcpy(sequence_.data(), text, length);
        sequenceLength_ = length;
    }

  private:
    void BuildParameters() const {
        if (pending_)
            SplitPending();
    }
    void SplitPending() const;
    void ScanValues() const { ScanValues(PendingText()); }
    std::int32_t ParameterValueSlow(std::int32_t Index) const;
    std::string_view PendingText() const {
        return pendingKept_ ? std::string_view(keptText_)
                            : std::string_view(sequence_.data() + pendingFirst_, pendingLength_);
    }
    // A new sequence is about to overwrite the text that the parameters of the
    // last one are still to be read from: keep a copy of it, so that they
    // stay those of the last completed sequence however late they are read.
    void KeepPendingText() {
        if (pending_ && !pendingKept_) {
            keptText_.assign(sequence_.data() + pendingFirst_, pendingLength_);
            pendingKept_ = true;
        }
    }

    mutable TStringList parameters_;
    mutable bool pending_ = false;
    bool pendingKept_ = false; // the pending text lives in keptText_
    std::string keptText_;
    std::size_t pendingFirst_ = 0;
    std::size_t pendingLength_ = 0;
    static constexpr std::int32_t kKeptValues = 8;
    mutable std::int32_t values_[kKeptValues] = {};
    mutable std::int32_t valueCount_ = -1; // -1: not scanned yet
    bool inSequence_ = false;
    mutable std::int8_t exactness_ = -1;
};

// VT52: ESC and one letter, or ESC Y and two coordinate characters.
class TEscapeCodesVT52 : public TEscapeCodes {
  public:
    TEscapeResult FeedChar(char Ch) override;
    std::size_t PlainRun(const char *Text, std::size_t Length) override;
    std::string CodeToSequence(TEscapeCode Code, const TStringList *Params) const override;

  private:
    TEscapeCode Decode();
};

// VT100/ANSI: ESC and one or two characters, and control sequences
// ESC [ parameters final-letter.
class TEscapeCodesVT100 : public TEscapeCodes {
  public:
    TEscapeResult FeedChar(char Ch) override;
    TEscapeResult FeedChars(const char *Text, std::size_t Length, std::size_t &Consumed) override;
    std::size_t PlainRun(const char *Text, std::size_t Length) override;
    std::string CodeToSequence(TEscapeCode Code, const TStringList *Params) const override;

  protected:
    void SequenceEnded() override { inControlSequence_ = false; }

  private:
    TEscapeCode DecodeEscape() const;
    TEscapeCode DecodeControl(char final);
    TEscapeCode DecodeByParameters();
    bool inControlSequence_ = false;
};

// Splits the parameter text of a control sequence into list (emptied first).
// A ";" closes a non-empty token; a ";" on an empty token is part of it, so no
// parameter is ever an empty text ("5;;7" gives "5" and ";7").
void SplitParameters(std::string_view text, TStringList &list);
// The next text of that split starting at pos, which moves past it; false at the end.
inline bool NextParameter(std::string_view text, std::size_t &pos, std::string_view &token) {
    if (pos >= text.size())
        return false;
    std::size_t end = pos + 1;
    while (end < text.size() && text[end] != ';')
        ++end;
    token = text.substr(pos, end - pos);
    pos = end + 1;
    return true;
}
// A parameter text as a number: its decimal value, or 1 when it is not a
// decimal 32-bit integer.
std::int32_t ParameterNumber(std::string_view text);

// Appends the decimal text of value to out.
void AppendDecimal(std::string &out, std::int32_t value);

} // namespace cport

#pragma once

// Every text the programmer sends to the loader or expects back from it, in
// one place. Only the command letters, the echo rules, the "E:" prefix and
// the Intel HEX of D are documented for the chip; the entries marked
// ASSUMED follow the simulator, and matching a real chip is a change here.
namespace loader::replies {

// Documented: what the banner contains (compared without letter case).
inline constexpr const char *kBannerMark = "DS5000 LOADER";
// ASSUMED: the prompt that follows the banner and every command's reply.
inline constexpr const char *kPrompt = "\r\n>";
// ASSUMED: every reply line is preceded by this line break.
inline constexpr const char *kLineBreak = "\r\n";
// Documented: an error reply starts with this.
inline constexpr const char *kErrorPrefix = "E:";
// ASSUMED: the reply of C: the prefix, then four upper-case hex digits.
inline constexpr const char *kCrcPrefix = "CRC=";
// ASSUMED: the reply of R: the prefix, then two hex digits.
inline constexpr const char *kMconPrefix = "MCON=";
// ASSUMED: one port value of G: "P", the port digit, "=", two hex digits;
// G without a port gives all four on one line, separated by blanks.
inline constexpr const char *kPortPrefix = "P";
inline constexpr char kPortSeparator = '=';
// Documented: D answers with Intel HEX; ASSUMED: 16 data bytes per record.
inline constexpr int kDumpBytesPerRecord = 16;
// ASSUMED: the parameter order of F: value first, then [begin [end]].
inline constexpr bool kFillValueFirst = true;
// ASSUMED: the key of K is ten hex digits.
inline constexpr int kKeyDigits = 10;

// The mnemonics after "E:" and what they mean to a user. ASSUMED: the
// mnemonics themselves; a mnemonic not listed is shown as it came.
struct TErrorText {
    const char *mnemonic;
    const char *meaning;
};
inline constexpr TErrorText kErrorTexts[] = {
    {"NOTHEX", "a character that is not a hexadecimal digit"},
    {"CHKSUM", "a record whose checksum does not add up"},
    {"RECTYP", "a record type the loader does not take"},
    {"RANGE", "an address outside the memory range"},
    {"LONG", "a command line longer than 16 characters"},
    {"PARAM", "wrong arguments"},
    {"COMMAND", "an unknown command"},
    {"LOCKED", "the chip is locked (unlock erases it)"},
    {"VERIFY", "memory differs from the record"},
};

} // namespace loader::replies

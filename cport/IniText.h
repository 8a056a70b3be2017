#pragma once

#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace cport {

// The text of a private-profile (INI) file, held line by line so that a
// change rewrites only the line it concerns and every other byte of the file
// (comments, unknown keys, other sections, line endings) stays as it was.
// Section and key names compare without regard to ASCII letter case; the
// first matching section and the first matching key in it win. A UTF-8
// byte-order mark at the start is no part of the first line.
class TIniText {
  public:
    TIniText() = default;
    explicit TIniText(const std::string &content);

    // The value of a key: blanks around it removed, one pair of matching
    // quotes around it removed; nullopt when the section or key is absent.
    std::optional<std::string> Find(const std::string &section, const std::string &key) const;
    bool HasSection(const std::string &section) const;
    // Every key of the first matching section with its value, in file order.
    std::vector<std::pair<std::string, std::string>> SectionValues(const std::string &section) const;

    // Whether a section, key and value can be written without changing the
    // meaning of other lines (no line breaks, no "=" or leading ";"/"[" in a
    // key, no "]" in a section name, no blanks around a key).
    static bool CanStore(const std::string &section, const std::string &key, const std::string &value);
    // Updates the key where it stands, or appends it to its section, or
    // appends the section at the end. Returns false when the text is already
    // so. The caller checks CanStore first.
    bool Set(const std::string &section, const std::string &key, const std::string &value);

    std::string Content() const;

  private:
    struct Line {
        std::string text;
        std::string ending; // "\r\n", "\n", "\r" or "" for the last line
    };
    enum class Kind { Other, Section, Key };
    struct Parsed {
        Kind kind = Kind::Other;
        std::string name;           // section or key name, blanks removed
        std::size_t valueStart = 0; // key lines: where the value's text begins
    };
    static Parsed Parse(const std::string &text);
    static std::string ValueOf(const std::string &text, const Parsed &parsed);
    // Index of the first line of the first matching section's header, or npos.
    std::size_t FindSection(const std::string &section) const;
    std::string PreferredEnding() const;

    std::vector<Line> lines_;
    std::string byteOrderMark_; // a UTF-8 mark the file began with, kept on saving
};

} // namespace cport

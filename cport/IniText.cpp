#include "IniText.h"

#include "ValueTexts.h"

namespace cport {

namespace {

constexpr auto npos = std::string::npos;

bool IsBlank(char c) { return c == ' ' || c == '\t'; }

std::string Trim(const std::string &s) {
    std::size_t b = 0, e = s.size();
    while (b < e && IsBlank(s[b]))
        ++b;
    while (e > b && IsBlank(s[e - 1]))
        --e;
    return s.substr(b, e - b);
}

bool HasLineBreak(const std::string &s) { return s.find_first_of("\r\n") != npos; }

// Hand-edited files may quote a value; the quotes are not part of it.
std::string Unquote(std::string value) {
    if (value.size() >= 2 && (value.front() == '"' || value.front() == '\'') && value.back() == value.front())
        return value.substr(1, value.size() - 2);
    return value;
}

} // namespace

TIniText::TIniText(const std::string &content) {
    // Editors on other systems begin UTF-8 files with this mark.
    static const std::string kUtf8Mark = "\xEF\xBB\xBF";
    std::size_t pos = 0;
    if (content.compare(0, kUtf8Mark.size(), kUtf8Mark) == 0) {
        byteOrderMark_ = kUtf8Mark;
        pos = kUtf8Mark.size();
    }
    while (pos < content.size()) {
        const std::size_t brk = content.find_first_of("\r\n", pos);
        if (brk == npos) {
            lines_.push_back({content.substr(pos), ""});
            break;
        }
        const std::size_t endLen =
            (content[brk] == '\r' && brk + 1 < content.size() && content[brk + 1] == '\n') ? 2 : 1;
        lines_.push_back({content.substr(pos, brk - pos), content.substr(brk, endLen)});
        pos = brk + endLen;
    }
}

TIniText::Parsed TIniText::Parse(const std::string &text) {
    Parsed p;
    std::size_t b = 0;
    while (b < text.size() && IsBlank(text[b]))
        ++b;
    if (b == text.size() || text[b] == ';')
        return p;
    if (text[b] == '[') {
        const std::size_t close = text.find(']', b + 1);
        p.kind = Kind::Section;
        p.name = Trim(text.substr(b + 1, close == npos ? npos : close - b - 1));
        return p;
    }
    const std::size_t eq = text.find('=', b);
    if (eq == npos)
        return p;
    p.kind = Kind::Key;
    p.name = Trim(text.substr(b, eq - b));
    p.valueStart = eq + 1;
    return p;
}

std::string TIniText::ValueOf(const std::string &text, const Parsed &parsed) {
    return Unquote(Trim(text.substr(parsed.valueStart)));
}

std::size_t TIniText::FindSection(const std::string &section) const {
    for (std::size_t i = 0; i < lines_.size(); ++i) {
        const Parsed p = Parse(lines_[i].text);
        if (p.kind == Kind::Section && SameTextAscii(p.name, section))
            return i;
    }
    return npos;
}

bool TIniText::HasSection(const std::string &section) const { return FindSection(section) != npos; }

std::optional<std::string> TIniText::Find(const std::string &section, const std::string &key) const {
    const std::size_t start = FindSection(section);
    if (start == npos)
        return std::nullopt;
    for (std::size_t i = start + 1; i < lines_.size(); ++i) {
        const Parsed p = Parse(lines_[i].text);
        if (p.kind == Kind::Section)
            break;
        if (p.kind != Kind::Key || !SameTextAscii(p.name, key))
            continue;
        return ValueOf(lines_[i].text, p);
    }
    return std::nullopt;
}

std::vector<std::pair<std::string, std::string>> TIniText::SectionValues(const std::string &section) const {
    std::vector<std::pair<std::string, std::string>> result;
    const std::size_t start = FindSection(section);
    if (start == npos)
        return result;
    for (std::size_t i = start + 1; i < lines_.size(); ++i) {
        const Parsed p = Parse(lines_[i].text);
        if (p.kind == Kind::Section)
            break;
        if (p.kind != Kind::Key)
            continue;
        bool seen = false;
        for (const auto &kv : result)
            seen = seen || SameTextAscii(kv.first, p.name);
        if (!seen)
            result.emplace_back(p.name, ValueOf(lines_[i].text, p));
    }
    return result;
}

bool TIniText::CanStore(const std::string &section, const std::string &key, const std::string &value) {
    if (HasLineBreak(section) || HasLineBreak(key) || HasLineBreak(value))
        return false;
    if (section.find(']') != npos || Trim(section) != section)
        return false;
    if (key.empty() || Trim(key) != key || key.find('=') != npos || key[0] == ';' || key[0] == '[')
        return false;
    return true;
}

std::string TIniText::PreferredEnding() const {
    for (const Line &l : lines_)
        if (!l.ending.empty())
            return l.ending;
    return "\n";
}

bool TIniText::Set(const std::string &section, const std::string &key, const std::string &value) {
    const std::string ending = PreferredEnding();
    const std::size_t start = FindSection(section);
    if (start == npos) {
        if (!lines_.empty()) {
            if (lines_.back().ending.empty())
                lines_.back().ending = ending;
            if (!Trim(lines_.back().text).empty())
                lines_.push_back({"", ending});
        }
        lines_.push_back({"[" + section + "]", ending});
        lines_.push_back({key + "=" + value, ending});
        return true;
    }
    std::size_t lastKey = start;
    for (std::size_t i = start + 1; i < lines_.size(); ++i) {
        const Parsed p = Parse(lines_[i].text);
        if (p.kind == Kind::Section)
            break;
        if (p.kind != Kind::Key)
            continue;
        lastKey = i;
        if (!SameTextAscii(p.name, key))
            continue;
        // Keep the key's spelling and the blanks after "=" as the file has them.
        std::size_t v = p.valueStart;
        while (v < lines_[i].text.size() && IsBlank(lines_[i].text[v]))
            ++v;
        std::string updated = lines_[i].text.substr(0, v) + value;
        if (updated == lines_[i].text)
            return false;
        lines_[i].text = std::move(updated);
        return true;
    }
    if (lines_[lastKey].ending.empty())
        lines_[lastKey].ending = ending;
    lines_.insert(lines_.begin() + static_cast<std::ptrdiff_t>(lastKey + 1), Line{key + "=" + value, ending});
    return true;
}

std::string TIniText::Content() const {
    std::string out = byteOrderMark_;
    for (const Line &l : lines_) {
        out += l.text;
        out += l.ending;
    }
    return out;
}

} // namespace cport

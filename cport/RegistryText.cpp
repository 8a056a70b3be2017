#include "RegistryText.h"

#include "ValueTexts.h"

#include <cstdio>

namespace cport {

namespace {

constexpr std::size_t kMaxKeyNameLength = 255;

bool IsControl(char c) {
    const auto u = static_cast<unsigned char>(c);
    return u < 0x20 || u == 0x7F;
}

bool HasControl(const std::string &s) {
    for (char c : s)
        if (IsControl(c))
            return true;
    return false;
}

std::string Quote(const std::string &text) {
    std::string out = "\"";
    for (char c : text) {
        if (c == '\\' || c == '"')
            out += '\\';
        out += c;
    }
    return out + "\"";
}

// Reads a quoted text starting at pos (which holds the opening quote);
// pos ends after the closing quote.
bool Unquote(const std::string &line, std::size_t &pos, std::string &text) {
    if (pos >= line.size() || line[pos] != '"')
        return false;
    text.clear();
    for (++pos; pos < line.size(); ++pos) {
        char c = line[pos];
        if (c == '"') {
            ++pos;
            return true;
        }
        if (c == '\\') {
            if (++pos == line.size())
                return false;
            c = line[pos];
        }
        text += c;
    }
    return false;
}

int HexDigit(char c) {
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    return -1;
}

// "xx,xx,xx" (blanks allowed around the bytes) into raw bytes.
bool ParseHexBytes(const std::string &list, std::string &bytes) {
    bytes.clear();
    std::size_t i = 0;
    auto skipBlanks = [&] {
        while (i < list.size() && (list[i] == ' ' || list[i] == '\t'))
            ++i;
    };
    skipBlanks();
    if (i == list.size())
        return true;
    for (;;) {
        skipBlanks();
        const int hi = i < list.size() ? HexDigit(list[i]) : -1;
        const int lo = i + 1 < list.size() ? HexDigit(list[i + 1]) : -1;
        if (hi < 0 || lo < 0)
            return false;
        bytes += static_cast<char>(hi * 16 + lo);
        i += 2;
        skipBlanks();
        if (i == list.size())
            return true;
        if (list[i++] != ',')
            return false;
    }
}

std::string HexBytes(const std::string &bytes) {
    std::string out;
    char buf[4];
    for (std::size_t i = 0; i < bytes.size(); ++i) {
        std::snprintf(buf, sizeof buf, "%02x", static_cast<unsigned char>(bytes[i]));
        if (i)
            out += ',';
        out += buf;
    }
    return out;
}

std::string DwordBytes(std::uint32_t v) {
    std::string b(4, '\0');
    for (int i = 0; i < 4; ++i)
        b[static_cast<std::size_t>(i)] = static_cast<char>((v >> (8 * i)) & 0xFF);
    return b;
}

// A REG_SZ that can be written as a quoted text: printable, one final zero.
bool PlainString(const TRegValue &v) {
    if (v.Type != REG_SZ || v.Data.empty() || v.Data.back() != '\0')
        return false;
    return !HasControl(v.Data.substr(0, v.Data.size() - 1));
}

std::string TrimRight(std::string s) {
    while (!s.empty() && (s.back() == ' ' || s.back() == '\t' || s.back() == '\r'))
        s.pop_back();
    return s;
}

} // namespace

bool TRegistryText::SplitPath(const std::string &path, std::vector<std::string> &components) {
    components.clear();
    std::size_t b = (!path.empty() && path[0] == '\\') ? 1 : 0;
    std::size_t e = path.size();
    if (e > b && path[e - 1] == '\\')
        --e;
    if (b >= e)
        return true;
    while (b <= e) {
        std::size_t sep = path.find('\\', b);
        if (sep == std::string::npos || sep > e)
            sep = e;
        std::string part = path.substr(b, sep - b);
        if (part.empty() || part.size() > kMaxKeyNameLength || HasControl(part))
            return false;
        components.push_back(std::move(part));
        b = sep + 1;
    }
    return true;
}

bool TRegistryText::ValidValueName(const std::string &name) { return !HasControl(name); }

TRegKey *TRegistryText::FindKey(const std::string &path) {
    for (TRegKey &k : keys_)
        if (SameTextAscii(k.Path, path))
            return &k;
    return nullptr;
}

const TRegKey *TRegistryText::FindKey(const std::string &path) const {
    return const_cast<TRegistryText *>(this)->FindKey(path);
}

bool TRegistryText::CreateKey(const std::string &path) {
    std::vector<std::string> parts;
    if (!SplitPath(path, parts))
        return false;
    bool created = false;
    std::string sofar;
    if (!FindKey("")) {
        keys_.push_back({"", {}});
        created = true;
    }
    for (const std::string &p : parts) {
        sofar += (sofar.empty() ? "" : "\\") + p;
        if (!FindKey(sofar)) {
            keys_.push_back({sofar, {}});
            created = true;
        }
    }
    return created;
}

const TRegValue *TRegistryText::FindValue(const TRegKey &key, const std::string &name) {
    for (const TRegValue &v : key.Values)
        if (SameTextAscii(v.Name, name))
            return &v;
    return nullptr;
}

bool TRegistryText::SetValue(TRegKey &key, const TRegValue &value) {
    for (TRegValue &v : key.Values) {
        if (!SameTextAscii(v.Name, value.Name))
            continue;
        if (v.Type == value.Type && v.Data == value.Data)
            return false;
        v.Type = value.Type;
        v.Data = value.Data;
        return true;
    }
    key.Values.push_back(value);
    return true;
}

bool TRegistryText::ParseValueLine(const std::string &line, TRegKey &key) const {
    TRegValue v;
    std::size_t pos = 0;
    if (line[0] == '@') {
        pos = 1;
    } else if (!Unquote(line, pos, v.Name)) {
        return false;
    }
    if (pos >= line.size() || line[pos] != '=')
        return false;
    ++pos;
    const std::string data = line.substr(pos);
    if (!data.empty() && data[0] == '"') {
        std::size_t p = 0;
        std::string text;
        if (!Unquote(data, p, text) || p != data.size())
            return false;
        v.Type = REG_SZ;
        v.Data = text + '\0';
    } else if (data.rfind("dword:", 0) == 0) {
        const std::string digits = data.substr(6);
        if (digits.empty() || digits.size() > 8)
            return false;
        std::uint32_t n = 0;
        for (char c : digits) {
            const int d = HexDigit(c);
            if (d < 0)
                return false;
            n = n * 16 + static_cast<std::uint32_t>(d);
        }
        v.Type = REG_DWORD;
        v.Data = DwordBytes(n);
    } else if (data.rfind("hex", 0) == 0) {
        std::size_t p = 3;
        v.Type = REG_BINARY;
        if (p < data.size() && data[p] == '(') {
            const std::size_t close = data.find(')', p);
            if (close == std::string::npos || close == p + 1 || close - p - 1 > 8)
                return false;
            std::uint32_t t = 0;
            for (std::size_t i = p + 1; i < close; ++i) {
                const int d = HexDigit(data[i]);
                if (d < 0)
                    return false;
                t = t * 16 + static_cast<std::uint32_t>(d);
            }
            v.Type = t;
            p = close + 1;
        }
        if (p >= data.size() || data[p] != ':' || !ParseHexBytes(data.substr(p + 1), v.Data))
            return false;
    } else {
        return false;
    }
    SetValue(key, v);
    return true;
}

bool TRegistryText::Parse(const std::string &content) {
    keys_.clear();
    bool clean = true;
    bool sawHeader = false;
    TRegKey *current = nullptr;
    std::size_t pos = 0;
    while (pos < content.size()) {
        // A logical line: hexadecimal lists go on over lines ending in "\".
        std::string line;
        for (;;) {
            std::size_t nl = content.find('\n', pos);
            if (nl == std::string::npos)
                nl = content.size();
            std::string part = TrimRight(content.substr(pos, nl - pos));
            pos = nl + 1;
            if (!line.empty()) {
                std::size_t b = 0;
                while (b < part.size() && (part[b] == ' ' || part[b] == '\t'))
                    ++b;
                part.erase(0, b);
            }
            // Only a hexadecimal list can end in "\": headers end in "]", texts in a quote.
            const bool more = !part.empty() && part.back() == '\\';
            if (more) {
                line += part.substr(0, part.size() - 1);
                if (pos < content.size())
                    continue;
            } else {
                line += part;
            }
            break;
        }
        if (line.empty() || line[0] == ';')
            continue;
        if (!sawHeader) {
            sawHeader = true;
            if (line != "REGEDIT4")
                clean = false;
            else
                continue;
        }
        if (line[0] == '[') {
            current = nullptr;
            const std::string prefix = "[" + rootName_;
            if (line.back() != ']' || line.size() < prefix.size() + 1 ||
                !SameTextAscii(line.substr(0, prefix.size()), prefix)) {
                clean = false;
                continue;
            }
            std::string rest = line.substr(prefix.size(), line.size() - prefix.size() - 1);
            if (!rest.empty() && rest[0] != '\\') {
                clean = false;
                continue;
            }
            std::vector<std::string> parts;
            if (!SplitPath(rest, parts) || (!rest.empty() && parts.empty())) {
                clean = false;
                continue;
            }
            std::string path;
            for (const std::string &p : parts)
                path += (path.empty() ? "" : "\\") + p;
            CreateKey(path);
            current = FindKey(path);
            continue;
        }
        if (!current || !ParseValueLine(line, *current))
            clean = false;
    }
    return clean;
}

std::string TRegistryText::Content() const {
    std::string out = "REGEDIT4\n";
    for (const TRegKey &k : keys_) {
        out += "\n[" + rootName_ + (k.Path.empty() ? "" : "\\" + k.Path) + "]\n";
        for (const TRegValue &v : k.Values) {
            out += v.Name.empty() ? "@" : Quote(v.Name);
            out += '=';
            if (PlainString(v)) {
                out += Quote(v.Data.substr(0, v.Data.size() - 1));
            } else if (v.Type == REG_DWORD && v.Data.size() == 4) {
                std::uint32_t n = 0;
                for (int i = 3; i >= 0; --i)
                    n = (n << 8) | static_cast<unsigned char>(v.Data[static_cast<std::size_t>(i)]);
                char buf[16];
                std::snprintf(buf, sizeof buf, "dword:%08x", n);
                out += buf;
            } else if (v.Type == REG_BINARY) {
                out += "hex:" + HexBytes(v.Data);
            } else {
                char buf[16];
                std::snprintf(buf, sizeof buf, "hex(%x):", v.Type);
                out += buf + HexBytes(v.Data);
            }
            out += '\n';
        }
    }
    return out;
}

} // namespace cport

#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace cport {

// Value types of the registry store, numbered as the platform numbers them.
enum TRegDataType : std::uint32_t { REG_NONE = 0, REG_SZ = 1, REG_EXPAND_SZ = 2, REG_BINARY = 3, REG_DWORD = 4 };

struct TRegValue {
    std::string Name; // "" is the key's default value
    std::uint32_t Type = REG_NONE;
    std::string Data; // raw bytes: a REG_SZ keeps its terminating zero, a REG_DWORD is 4 bytes little-endian
};

struct TRegKey {
    std::string Path; // below the root, components joined by "\"; "" is the root itself
    std::vector<TRegValue> Values;
};

// The keys and values below one root, kept in the REGEDIT4 text form:
//   REGEDIT4
//
//   [HKEY_CURRENT_USER\Software\Kit\ComPort]
//   "Port"="COM1"
//   "Buffer.InputSize"=dword:00000400
// Key paths and value names compare without regard to ASCII letter case.
class TRegistryText {
  public:
    explicit TRegistryText(std::string rootName) : rootName_(std::move(rootName)) {}

    // Reads the text; lines it cannot understand are skipped, and the
    // result says whether there were any (such a file must not be rewritten,
    // or their content would be lost). An empty text is a valid empty store.
    bool Parse(const std::string &content);
    std::string Content() const;

    TRegKey *FindKey(const std::string &path);
    const TRegKey *FindKey(const std::string &path) const;
    // Creates the key and its missing parents; returns true when anything was created.
    bool CreateKey(const std::string &path);

    static const TRegValue *FindValue(const TRegKey &key, const std::string &name);
    // Replaces the value in place or appends it; returns false when it already was so.
    static bool SetValue(TRegKey &key, const TRegValue &value);

    // A key path as components: a leading and a trailing "\" are dropped;
    // an empty component or a control character makes it invalid (false).
    static bool SplitPath(const std::string &path, std::vector<std::string> &components);
    // Whether a value name can be stored (no control characters).
    static bool ValidValueName(const std::string &name);

    const std::vector<TRegKey> &Keys() const { return keys_; }

  private:
    bool ParseValueLine(const std::string &line, TRegKey &key) const;
    std::string rootName_;
    std::vector<TRegKey> keys_;
};

} // namespace cport

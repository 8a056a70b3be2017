#include "Registry.h"

#include "RegistryText.h"
#include "posix/ConfigFiles.h"

#include <vector>

namespace cport {

namespace {

enum class TLoad { Ok, Unreadable, Unclean };

// Loads a root's store. A file that exists but cannot be read, or holds
// lines this store does not understand, reads as far as it goes but is
// never rewritten (its content would be lost).
TLoad Load(HKEY root, TRegistryText &text) {
    std::string content;
    const TFileRead read = ReadWholeFile(TRegistry::StoreFileName(root), content);
    if (read == TFileRead::Failed)
        return TLoad::Unreadable;
    return text.Parse(content) ? TLoad::Ok : TLoad::Unclean;
}

bool Save(HKEY root, const TRegistryText &text) {
    EnsureDirectory(ConfigDirectory());
    return ReplaceFileAtomically(TRegistry::StoreFileName(root), text.Content()) == 0;
}

std::string JoinPath(const std::vector<std::string> &parts) {
    std::string path;
    for (const std::string &p : parts)
        path += (path.empty() ? "" : "\\") + p;
    return path;
}

std::string Quoted(const std::string &name) { return "'" + name + "'"; }

} // namespace

TRegistry::TRegistry() = default;
TRegistry::~TRegistry() { CloseKey(); }

std::string TRegistry::RootName(HKEY root) {
    if (root == HKEY_CURRENT_USER)
        return "HKEY_CURRENT_USER";
    if (root == HKEY_LOCAL_MACHINE)
        return "HKEY_LOCAL_MACHINE";
    return "";
}

std::string TRegistry::StoreFileName(HKEY root) {
    const std::string name = RootName(root);
    return name.empty() ? "" : ConfigDirectory() + "/" + name + ".reg";
}

void TRegistry::SetRootKey(HKEY root) {
    if (root == root_)
        return;
    CloseKey();
    root_ = root;
}

void TRegistry::CloseKey() {
    open_ = false;
    currentPath_.clear();
}

bool TRegistry::OpenKey(const std::string &path, bool canCreate) {
    CloseKey();
    std::vector<std::string> parts;
    if (RootName(root_).empty() || !TRegistryText::SplitPath(path, parts))
        return false;
    const std::string keyPath = JoinPath(parts);
    TRegistryText text(RootName(root_));
    const TLoad load = Load(root_, text);
    if (!text.FindKey(keyPath)) {
        if (!canCreate || load != TLoad::Ok)
            return false;
        text.CreateKey(keyPath);
        if (!Save(root_, text))
            return false;
    }
    open_ = true;
    currentPath_ = text.FindKey(keyPath)->Path;
    return true;
}

bool TRegistry::KeyExists(const std::string &path) const {
    std::vector<std::string> parts;
    if (RootName(root_).empty() || !TRegistryText::SplitPath(path, parts))
        return false;
    TRegistryText text(RootName(root_));
    Load(root_, text);
    return text.FindKey(JoinPath(parts)) != nullptr;
}

bool TRegistry::ValueExists(const std::string &name) const {
    if (!open_)
        return false;
    TRegistryText text(RootName(root_));
    Load(root_, text);
    const TRegKey *key = text.FindKey(currentPath_);
    return key && TRegistryText::FindValue(*key, name);
}

void TRegistry::WriteValue(const std::string &name, std::uint32_t type, const std::string &data) {
    const auto refuse = [&] { throw ERegistryException("Failed to set data for " + Quoted(name)); };
    if (!open_ || !TRegistryText::ValidValueName(name))
        refuse();
    TRegistryText text(RootName(root_));
    if (Load(root_, text) != TLoad::Ok)
        refuse();
    // Someone may have removed the key since it was opened; it comes back.
    text.CreateKey(currentPath_);
    if (TRegistryText::SetValue(*text.FindKey(currentPath_), {name, type, data}) && !Save(root_, text))
        refuse();
}

void TRegistry::WriteString(const std::string &name, const std::string &value) {
    WriteValue(name, REG_SZ, value + '\0');
}

void TRegistry::WriteInteger(const std::string &name, std::int32_t value) {
    const auto v = static_cast<std::uint32_t>(value);
    std::string data(4, '\0');
    for (std::size_t i = 0; i < 4; ++i)
        data[i] = static_cast<char>((v >> (8 * i)) & 0xFFu);
    WriteValue(name, REG_DWORD, data);
}

std::string TRegistry::ReadString(const std::string &name) const {
    if (!open_)
        return "";
    TRegistryText text(RootName(root_));
    Load(root_, text);
    const TRegKey *key = text.FindKey(currentPath_);
    const TRegValue *value = key ? TRegistryText::FindValue(*key, name) : nullptr;
    if (!value)
        return "";
    if (value->Type != REG_SZ && value->Type != REG_EXPAND_SZ)
        throw ERegistryException("Invalid data type for " + Quoted(name));
    return value->Data.substr(0, value->Data.find('\0'));
}

std::int32_t TRegistry::ReadInteger(const std::string &name) const {
    const TRegValue *value = nullptr;
    TRegistryText text(RootName(root_));
    if (open_) {
        Load(root_, text);
        const TRegKey *key = text.FindKey(currentPath_);
        value = key ? TRegistryText::FindValue(*key, name) : nullptr;
    }
    if (!value)
        throw ERegistryException("Failed to get data for " + Quoted(name));
    if (value->Type != REG_DWORD || value->Data.size() != 4)
        throw ERegistryException("Invalid data type for " + Quoted(name));
    std::uint32_t v = 0;
    for (int i = 3; i >= 0; --i)
        v = (v << 8) | static_cast<unsigned char>(value->Data[static_cast<std::size_t>(i)]);
    return static_cast<std::int32_t>(v);
}

} // namespace cport

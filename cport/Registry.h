#pragma once

#include "framework/Exception.h"

#include <cstdint>
#include <string>

namespace cport {

using HKEY = std::uint32_t;
inline constexpr HKEY HKEY_CURRENT_USER = 0x80000001u;
inline constexpr HKEY HKEY_LOCAL_MACHINE = 0x80000002u;

// Raised by registry reads and writes ("Failed to set data for '%s'", ...).
class ERegistryException : public fw::Exception {
  public:
    using fw::Exception::Exception;
};

// A registry of our own making: the keys below HKEY_CURRENT_USER and
// HKEY_LOCAL_MACHINE live in one REGEDIT4 text file per root in the user's
// configuration folder. Every operation looks at the file as it is on disk,
// and every change replaces the file whole, so a crash never leaves half a
// file and values written before a failure stay.
class TRegistry {
  public:
    TRegistry(); // root HKEY_CURRENT_USER, no key open
    ~TRegistry();
    TRegistry(const TRegistry &) = delete;
    TRegistry &operator=(const TRegistry &) = delete;

    HKEY RootKey() const { return root_; }
    // Changing the root closes the open key.
    void SetRootKey(HKEY root);

    // Opens a key below the root (a leading "\" changes nothing), creating
    // missing keys when canCreate is set. Reports success; on failure no key
    // is open.
    bool OpenKey(const std::string &path, bool canCreate);
    void CloseKey();
    bool HasCurrentKey() const { return open_; }
    // The open key's path below the root.
    const std::string &CurrentPath() const { return currentPath_; }
    bool KeyExists(const std::string &path) const;
    bool ValueExists(const std::string &name) const;

    // A REG_SZ value of the text and its terminating zero; a 4-byte
    // REG_DWORD. A refused write (no key open, a store that cannot be
    // written) raises "Failed to set data for '%s'".
    void WriteString(const std::string &name, const std::string &value);
    void WriteInteger(const std::string &name, std::int32_t value);

    // The text of a REG_SZ or REG_EXPAND_SZ value up to its first zero; ""
    // when absent. Another type raises "Invalid data type for '%s'".
    std::string ReadString(const std::string &name) const;
    // A REG_DWORD value; raises "Failed to get data for '%s'" when absent
    // and "Invalid data type for '%s'" when of another type.
    std::int32_t ReadInteger(const std::string &name) const;

    // The file that keeps a root's keys ("" for a root this store has not).
    static std::string StoreFileName(HKEY root);
    static std::string RootName(HKEY root);

  private:
    void WriteValue(const std::string &name, std::uint32_t type, const std::string &data);

    HKEY root_ = HKEY_CURRENT_USER;
    bool open_ = false;
    std::string currentPath_;
};

} // namespace cport

#pragma once

#include "framework/Exception.h"

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

namespace cport {

// Raised when a settings file cannot be written ("Unable to write to %s").
class EIniFileException : public fw::Exception {
  public:
    using fw::Exception::Exception;
};

// A private-profile (INI) settings file. Every read looks at the file as it
// is on disk; every write that changes something replaces the file whole
// (see ReplaceFileAtomically), so entries written before a failure stay.
// A name without a directory lives in the user's configuration folder.
class TIniFile {
  public:
    // Values arrive through a buffer of this size, terminator included.
    static constexpr std::size_t kReadBufferSize = 2048;

    explicit TIniFile(const std::string &fileName);

    // The full path of the file.
    const std::string &FileName() const { return fileName_; }

    // The key's value; Default when the file, section or key is absent. A
    // key present with an empty value reads as empty. At most 2047
    // characters arrive.
    std::string ReadString(const std::string &section, const std::string &key, const std::string &defaultValue) const;
    // The value read as integer text; Default when it is no valid integer.
    std::int32_t ReadInteger(const std::string &section, const std::string &key, std::int32_t defaultValue) const;
    // Every key of a section and its value, in file order.
    std::vector<std::pair<std::string, std::string>> ReadSectionValues(const std::string &section) const;

    // Creates the file and section as needed, updates the key where it
    // stands or appends it. Raises EIniFileException when the file cannot be
    // written or the text cannot be stored as one line.
    void WriteString(const std::string &section, const std::string &key, const std::string &value);
    void WriteInteger(const std::string &section, const std::string &key, std::int32_t value);

  private:
    [[noreturn]] void FailWrite() const;
    std::string givenName_; // as the caller named it, for messages
    std::string fileName_;
    std::string configDirectory_; // set when the file lives in the configuration folder
};

} // namespace cport

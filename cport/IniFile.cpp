#include "IniFile.h"

#include "IniText.h"
#include "ValueTexts.h"
#include "posix/ConfigFiles.h"

namespace cport {

namespace {

std::string Truncated(std::string text) {
    if (text.size() > TIniFile::kReadBufferSize - 1)
        text.resize(TIniFile::kReadBufferSize - 1);
    return text;
}

// What a reader sees: an unreadable file reads like an absent one.
TIniText LoadForReading(const std::string &fileName) {
    std::string content;
    ReadWholeFile(fileName, content);
    return TIniText(content);
}

} // namespace

TIniFile::TIniFile(const std::string &fileName)
    : givenName_(fileName), fileName_(PlaceInConfigDirectory(fileName)),
      configDirectory_(fileName.find('/') == std::string::npos ? ConfigDirectory() : "") {}

std::string TIniFile::ReadString(const std::string &section, const std::string &key,
                                 const std::string &defaultValue) const {
    const auto value = LoadForReading(fileName_).Find(section, key);
    return Truncated(value ? *value : defaultValue);
}

std::int32_t TIniFile::ReadInteger(const std::string &section, const std::string &key,
                                   std::int32_t defaultValue) const {
    std::int32_t value = defaultValue;
    return TryTextToInt(ReadString(section, key, ""), value) ? value : defaultValue;
}

std::vector<std::pair<std::string, std::string>> TIniFile::ReadSectionValues(const std::string &section) const {
    auto values = LoadForReading(fileName_).SectionValues(section);
    for (auto &kv : values)
        kv.second = Truncated(std::move(kv.second));
    return values;
}

void TIniFile::FailWrite() const { throw EIniFileException("Unable to write to " + givenName_); }

void TIniFile::WriteString(const std::string &section, const std::string &key, const std::string &value) {
    if (!TIniText::CanStore(section, key, value))
        FailWrite();
    std::string content;
    // A file that exists but cannot be read is never overwritten: its
    // content would be lost.
    if (ReadWholeFile(fileName_, content) == TFileRead::Failed)
        FailWrite();
    TIniText text(content);
    if (!text.Set(section, key, value))
        return;
    // The configuration folder may not exist yet on a fresh account.
    if (!configDirectory_.empty())
        EnsureDirectory(configDirectory_);
    if (ReplaceFileAtomically(fileName_, text.Content()) != 0)
        FailWrite();
}

void TIniFile::WriteInteger(const std::string &section, const std::string &key, std::int32_t value) {
    WriteString(section, key, std::to_string(value));
}

} // namespace cport

#include "PortTable.h"

#include <cctype>

namespace cport {

int ComNumber(const std::string &comName) {
    if (comName.size() < 4 || comName.size() > 5)
        return 0;
    for (int i = 0; i < 3; ++i)
        if (std::toupper(static_cast<unsigned char>(comName[static_cast<std::size_t>(i)])) != "COM"[i])
            return 0;
    int n = 0;
    for (std::size_t i = 3; i < comName.size(); ++i) {
        if (!std::isdigit(static_cast<unsigned char>(comName[i])))
            return 0;
        n = n * 10 + (comName[i] - '0');
    }
    if (comName[3] == '0')
        return 0;
    return (n >= 1 && n <= 16) ? n : 0;
}

namespace {
std::string Canonical(const std::string &comName) {
    const int n = ComNumber(comName);
    return n ? "COM" + std::to_string(n) : comName;
}
} // namespace

TPortTable &TPortTable::Instance() {
    static TPortTable table;
    return table;
}

void TPortTable::SetEntry(const std::string &comName, const std::string &devicePath) {
    entries_[Canonical(comName)] = devicePath;
    fileEntries_.erase(Canonical(comName));
}

void TPortTable::SetFileEntries(const std::map<std::string, std::string> &entries) {
    fileEntries_.clear();
    for (const auto &[name, device] : entries)
        fileEntries_[Canonical(name)] = device;
}

void TPortTable::RemoveEntry(const std::string &comName) {
    entries_.erase(Canonical(comName));
    fileEntries_.erase(Canonical(comName));
}

void TPortTable::Clear() {
    entries_.clear();
    fileEntries_.clear();
}

std::map<std::string, std::string> TPortTable::Entries() const {
    std::map<std::string, std::string> all = entries_;
    for (const auto &[name, device] : fileEntries_)
        all[name] = device;
    return all;
}

bool TPortTable::HasEntry(const std::string &comName) const {
    const std::string name = Canonical(comName);
    return fileEntries_.count(name) != 0 || entries_.count(name) != 0;
}

std::string TPortTable::DefaultPath(const std::string &comName) {
    const int n = ComNumber(comName);
    if (n == 0)
        return {};
    if (n <= 4)
        return "ttyS" + std::to_string(n - 1);
    if (n <= 12)
        return "ttyUSB" + std::to_string(n - 5);
    return "ttyACM" + std::to_string(n - 13);
}

std::string TPortTable::Resolve(const std::string &comName) const {
    const std::string name = Canonical(comName);
    if (auto it = fileEntries_.find(name); it != fileEntries_.end())
        return it->second;
    if (auto it = entries_.find(name); it != entries_.end())
        return it->second;
    const std::string node = DefaultPath(comName);
    return node.empty() ? node : deviceRoot_ + "/" + node;
}

} // namespace cport

#pragma once

#include <string>

namespace cport {

class TRegistry;

// Opens, creating where missing, the key that holds one port's settings.
// Path is a root word, a backslash and a key path
// ("HKEY_LOCAL_MACHINE\Software\Kit"); the port's key is the key path, a
// backslash and name. A root word naming neither HKEY_LOCAL_MACHINE nor
// HKEY_CURRENT_USER leaves the registry's root as it is, and is dropped all
// the same. Without a backslash in Path no key is opened. The outcome is not
// reported: a key that did not open makes the later reads and writes fail.
void OpenSettingsKey(TRegistry &registry, const std::string &path, const std::string &name);

} // namespace cport

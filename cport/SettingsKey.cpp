#include "SettingsKey.h"

#include "Registry.h"
#include "ValueTexts.h"

namespace cport {

void OpenSettingsKey(TRegistry &registry, const std::string &path, const std::string &name) {
    const std::size_t slash = path.find('\\');
    if (slash == std::string::npos)
        return;
    const std::string rootWord = UpperCaseAscii(path.substr(0, slash));
    if (rootWord == "HKEY_LOCAL_MACHINE")
        registry.SetRootKey(HKEY_LOCAL_MACHINE);
    else if (rootWord == "HKEY_CURRENT_USER")
        registry.SetRootKey(HKEY_CURRENT_USER);
    // "HKEY_CURRENT_USER\" alone leaves an empty key path: the port's key
    // then sits directly below the root.
    std::string keyPath = path.substr(slash + 1);
    if (keyPath.empty() || keyPath.back() != '\\')
        keyPath += '\\';
    registry.OpenKey(keyPath + name, true);
}

} // namespace cport

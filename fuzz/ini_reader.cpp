// Feeds arbitrary bytes to the settings-file reader and writer, the registry
// text reader and the value-text conversions, and checks what must always hold.

#include "cport/IniText.h"
#include "cport/RegistryText.h"
#include "cport/ValueTexts.h"

#include <cstdint>
#include <cstdlib>
#include <string>

using namespace cport;

namespace {

void Check(bool ok) {
    if (!ok)
        std::abort();
}

void CheckIni(const std::string &input) {
    const TIniText text(input);
    Check(text.Content() == input); // reading alone never changes a byte
    const auto before = text.SectionValues("Other");

    TIniText changed = text;
    changed.Set("ComPort", "BaudRate", "19200");
    const TIniText reread(changed.Content());
    Check(reread.Find("ComPort", "BaudRate") == std::optional<std::string>("19200"));
    Check(reread.SectionValues("Other") == before);
    for (const auto &[key, value] : text.SectionValues("ComPort"))
        if (!SameTextAscii(key, "BaudRate"))
            Check(reread.Find("ComPort", key) == value);

    // Whatever the file holds, converting its values never fails.
    for (const auto &[key, value] : text.SectionValues("ComPort")) {
        (void)TextToBaudRate(value);
        (void)TextToParity(value);
        (void)TextToFlowControl(value);
        Check(TextToChar(CharToText(TextToChar(value))) == TextToChar(value));
    }
}

void CheckIntegerText(const std::string &input) {
    std::int32_t value = 0;
    if (TryTextToInt(input, value)) {
        std::int32_t again = 1;
        Check(TryTextToInt(std::to_string(value), again) && again == value);
    }
    (void)TextToChar("#" + input);
    (void)TextToBool(input);
}

void CheckRegistryText(const std::string &input) {
    TRegistryText text("HKEY_CURRENT_USER");
    const bool clean = text.Parse(input);
    const std::string written = text.Content();
    TRegistryText again("HKEY_CURRENT_USER");
    Check(again.Parse(written)); // what we write we read back in full
    Check(again.Content() == written);
    (void)clean;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size) {
    const std::string input(reinterpret_cast<const char *>(data), size);
    CheckIni(input);
    CheckIntegerText(input);
    CheckRegistryText(input);
    return 0;
}

#include "Options.h"

#include "loader/LoaderError.h"

#include <cctype>

namespace cli {

unsigned ParseHexNumber(const std::string &text, unsigned max, const std::string &what) {
    std::string digits = text;
    if (digits.size() > 2 && digits[0] == '0' && (digits[1] == 'x' || digits[1] == 'X'))
        digits = digits.substr(2);
    else if (digits.size() > 1 && (digits.back() == 'h' || digits.back() == 'H'))
        digits.pop_back();
    bool ok = !digits.empty() && digits.size() <= 8;
    unsigned long value = 0;
    for (char c : digits) {
        ok = ok && std::isxdigit(static_cast<unsigned char>(c));
        if (ok)
            value =
                value * 16 + static_cast<unsigned long>(std::isdigit(static_cast<unsigned char>(c))
                                                            ? c - '0'
                                                            : std::toupper(static_cast<unsigned char>(c)) - 'A' + 10);
    }
    if (!ok || value > max) {
        char top[16];
        std::snprintf(top, sizeof top, "%X", max);
        throw loader::ELoader(loader::TOutcome::Usage,
                              what + " \"" + text + "\": give a hexadecimal number from 0 to " + top);
    }
    return static_cast<unsigned>(value);
}

loader::TRange ParseRange(const TOptions &options) {
    loader::TRange range;
    if (!options.from.empty())
        range.from = static_cast<std::uint16_t>(ParseHexNumber(options.from, 0x7FFF, "--from"));
    if (!options.to.empty())
        range.to = static_cast<std::uint16_t>(ParseHexNumber(options.to, 0x7FFF, "--to"));
    if (range.from && range.to && *range.to < *range.from)
        throw loader::ELoader(loader::TOutcome::Usage, "--to lies below --from");
    return range;
}

} // namespace cli

#pragma once

#include <cstdint>

namespace cport::posix {

// Sets a rate without a Bnnn constant through the kernel's BOTHER interface
// and reads it back; returns 0 or an errno value (EINVAL when the device
// settled on a rate more than 2 % away from the one asked for).
int SetCustomBaudRate(int fd, std::uint32_t rate);

} // namespace cport::posix

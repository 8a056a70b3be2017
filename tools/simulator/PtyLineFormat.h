#pragma once

#include "LoaderLine.h"

namespace loadersim {

// The line settings the programmer gave its end of a pseudo-terminal (any
// descriptor of the pair shows them); all zero when they cannot be read.
TLineFormat ReadLineFormat(int fd);

} // namespace loadersim

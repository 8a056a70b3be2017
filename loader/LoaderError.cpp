#include "LoaderError.h"

namespace loader {

const char *OutcomeName(TOutcome outcome) {
    switch (outcome) {
    case TOutcome::Done:
        return "done";
    case TOutcome::Usage:
        return "usage";
    case TOutcome::Port:
        return "port";
    case TOutcome::LoaderError:
        return "loader-error";
    case TOutcome::Differs:
        return "differs";
    case TOutcome::Timeout:
        return "timeout";
    case TOutcome::Interrupted:
        return "interrupted";
    }
    return "unknown";
}

} // namespace loader

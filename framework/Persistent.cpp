#include "Persistent.h"

#include "Exception.h"

namespace fw {

void TPersistent::Assign(const TPersistent *source) {
    if (source == nullptr)
        AssignError(nullptr);
    source->AssignTo(*this);
}

void TPersistent::AssignTo(TPersistent &dest) const { dest.AssignError(this); }

void TPersistent::AssignError(const TPersistent *source) const {
    const std::string sourceName = source ? source->ClassName() : "nil";
    throw EConvertError("Cannot assign a " + sourceName + " to a " + ClassName());
}

} // namespace fw

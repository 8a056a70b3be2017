#pragma once

#include <string>

namespace fw {

// An object whose state can be copied from another object of a compatible kind.
class TPersistent {
  public:
    virtual ~TPersistent() = default;

    // Copies the state of source into this object; raises EConvertError when
    // neither side knows how to copy between the two kinds.
    virtual void Assign(const TPersistent *source);
    void Assign(const TPersistent &source) { Assign(&source); }

    virtual std::string ClassName() const { return "TPersistent"; }

  protected:
    TPersistent() = default;
    TPersistent(const TPersistent &) = default;
    TPersistent &operator=(const TPersistent &) = default;

    // Copies this object's state into dest; the base knows no kinds and refuses.
    virtual void AssignTo(TPersistent &dest) const;

    // Raises the "cannot assign" error for a copy from source into this object.
    [[noreturn]] void AssignError(const TPersistent *source) const;
};

} // namespace fw

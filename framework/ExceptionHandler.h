#pragma once

#include <exception>
#include <functional>

namespace fw {

// The application's standard display of an error that no one caught (a
// message box in the application); by default it is written to standard error.
using TExceptionHandler = std::function<void(const std::exception_ptr &error)>;
void SetApplicationExceptionHandler(TExceptionHandler handler);
void HandleException(const std::exception_ptr &error);

} // namespace fw

// The runtime's standard error message on Windows.
#pragma once

#include <string>

namespace tivaro::platform::win32 {

// A message box with the error text, as the system shows a program's fatal error. When
// the program's standard error has been given a destination (a console, a file or a pipe,
// as a test or a developer does), the text is written there instead, so that nothing
// waits for a click.
void ReportFatalError(const std::string& message);

// True when the process has somewhere to write its standard error.
bool HasStandardError();

}  // namespace tivaro::platform::win32

#pragma once
// The program's error report as a user meets it: the box that names what failed and its code,
// then the program's end, with nothing written to the registry.
#include <string>

#include "support/ProductProcess.h"

namespace wine_test {

// Starts the product with these arguments and environment, expects its error report (and no
// main window) naming the step and the code, and recorded as an error in the event log,
// presses OK, and checks that the program ended with exit code 1 and that nothing changed in
// the registry.
void ExpectErrorReportAndNothingDeleted(const std::wstring& arguments, const ProductProcess::Environment& environment,
                                        const std::wstring& step, const std::wstring& code);

}  // namespace wine_test

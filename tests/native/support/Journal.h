#pragma once
// One ordered record of what the stand-ins were asked, shared between them so that tests
// can check the order of events across the registry, the printer source and the window.
#include <string>
#include <vector>

using Journal = std::vector<std::string>;

// The exports' outputs are written beside their destination and moved into
// place when complete (common/staged_file.h); this says what went wrong in
// the exports' own words.
#pragma once

#include <string>

#include "common/staged_file.h"
#include "export/error.h"

namespace slidewright::exports {

// An Output error naming the destination and what to do about it.
Error stagingFailure(const std::string& destination, const StagingError& error);

}  // namespace slidewright::exports

#pragma once

namespace mailvane::cli {

// What `eml2msg --help` prints: every form, every option, examples.
extern const char kUsageText[];

}  // namespace mailvane::cli

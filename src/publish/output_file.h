// Output files that the user names (the HTML page, the e-mail signature) are
// written whole or not at all: the text goes to a temporary file beside the
// target, which then replaces it.
#pragma once

#include <string>
#include <string_view>

#include "platform/file.h"
#include "ui/host.h"

namespace tessary::publish {

// Replaces `path` (relative names are relative to the working directory) by
// `data`. On failure the old file, if any, is left as it was, the write-error
// report is shown and the result is false.
bool WriteOutputFile(platform::FileSystem& fs, const std::string& path, std::string_view data,
                     ui::Host& host);

}  // namespace tessary::publish

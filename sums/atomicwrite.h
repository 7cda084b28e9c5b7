// Writing a whole file so that it is either all there or not changed at all.
#pragma once

#include <string>
#include <string_view>

namespace sums {

// Replaces the file at Path by Content atomically: Content goes to a temporary file in the same
// folder, which is flushed to the disk and then renamed over Path, and the folder is flushed
// too. Path ends up with its old content or with all of Content, never with part of it, even
// when the system stops halfway. An existing file keeps its permissions; a new one gets 0644
// less the umask's bits. Returns 0, or the errno of the step that failed (the temporary file
// is removed then).
int WriteAtomically(const std::string& path, std::string_view content);

}  // namespace sums

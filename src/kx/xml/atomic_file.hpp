#pragma once

#include <functional>
#include <iosfwd>
#include <string>

namespace kx {

/// Replaces FileName by what Write writes, atomically: Write writes into a temporary file
/// created next to FileName (same folder, so the final rename never crosses file systems);
/// once Write returned and the text was flushed and synced to disk, the temporary file is
/// renamed over FileName, keeping the permissions of a file it replaces. When Write throws or
/// anything fails, the temporary file is removed, FileName is left as it was, and the error
/// propagates (EXMLError naming the file and the system's reason for failures of the file
/// system).
void SaveToFileAtomically(const std::string& FileName,
                          const std::function<void(std::ostream& Stream)>& Write);

}  // namespace kx

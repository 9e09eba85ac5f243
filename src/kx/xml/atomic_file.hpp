#pragma once

#include <functional>
#include <iosfwd>
#include <string>

namespace kx {

/// Replaces FileName by what Write writes, atomically and as a careful editor would:
/// - Write writes into a temporary file next to the file (same folder, so the final rename
///   never crosses file systems); once the text is flushed and synced to disk, the temporary
///   is renamed over the file. When Write throws or anything fails, the temporary is removed,
///   the file is left as it was, and the error propagates.
/// - A temporary left behind by a save that was killed is removed by the next save of the
///   same file (SaveTemporaryName); two saves of one file at the same time run one after
///   the other.
/// - A symbolic link is followed: its target is replaced and the link stays.
/// - A file the user may not write (by the effective ids, as opening it would decide) is
///   refused; a replaced file keeps its permissions and, where the user may give it, its
///   owner.
/// Failures of the file system raise EXMLError "Cannot save "FileName": <system's reason>".
void SaveToFileAtomically(const std::string& FileName,
                          const std::function<void(std::ostream& Stream)>& Write);

// The temporary file a save of FileName writes before it renames it: a hidden name in the
// same folder, within the file system's name limit for any name of FileName's length.
std::string SaveTemporaryName(const std::string& FileName);

}  // namespace kx

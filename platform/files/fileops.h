#pragma once

#include <string>

namespace quenby::platform {

// Creates one folder level; missing parents are not created. False when the
// folder cannot be made, also when something of that name exists already.
bool CreateFolder(const std::string& path);

// True when the path names an existing entry that is not a folder (links are
// followed).
bool FileEntryExists(const std::string& path);

// Copies a regular file with its contents, permission bits and last-write
// time. An existing entry under the target name is never replaced, and the
// target name never shows a file that is cut short: the bytes go into a
// temporary file beside the target, which takes the final name only when it
// is complete. With `flushToDisk` the copy and its folder entry are on the
// disk when this returns, so the source may be deleted safely afterwards.
// On any failure the temporary file is removed and false is returned.
bool CopyFileNoReplace(const std::string& source, const std::string& target, bool flushToDisk);

// Deletes a file, but not one whose permission bits grant write permission to
// nobody: that is how a read-only (camera-protected) file on a FAT card
// shows, and it is kept even when the program runs with full rights.
bool DeleteFileUnlessReadOnly(const std::string& path);

// Flushes a folder's entries to the disk.
bool FlushFolder(const std::string& path);

}  // namespace quenby::platform

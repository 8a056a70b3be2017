#pragma once

#include <string>

namespace cport {

// The user's configuration folder: $XDG_CONFIG_HOME when it is an absolute
// path, else ~/.config. Settings files named without a directory live here.
std::string ConfigDirectory();
// A name without a "/" is placed in the configuration folder; any other
// name is used as it stands.
std::string PlaceInConfigDirectory(const std::string &fileName);
// Creates the folder and its missing parents (mode 0700); false on failure.
bool EnsureDirectory(const std::string &path);

enum class TFileRead { Ok, Missing, Failed };
// Reads a whole file. A file that does not exist is Missing; any other
// failure (a folder, no permission) is Failed and leaves content empty.
TFileRead ReadWholeFile(const std::string &path, std::string &content);

// Replaces the file's content so that a crash or a full disk leaves either
// the old or the new file whole: the text goes to a temporary file beside it,
// is flushed to disk, and is renamed over the old one. A symbolic link is
// followed, and the old file's permissions are kept. A file without any
// write permission bit, or one this process may not write, is refused
// (EACCES) and left as it is, root or not. When the folder takes no new
// file, an existing writable file is rewritten in place instead. Returns 0
// or the errno.
int ReplaceFileAtomically(const std::string &path, const std::string &content);

} // namespace cport

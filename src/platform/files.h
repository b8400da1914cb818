// Process services: files that are replaced whole, the current directory.
#pragma once

#include <cstddef>
#include <string>

// Writes bytes to a temporary file in the target's folder, flushes it to disk
// and renames it over the target (a symbolic link is followed to the file it
// names), so a failure never leaves a truncated file where a good one stood.
// Returns true on success; on failure the target is untouched.
bool replace_file(const std::string& path, const void* data, std::size_t size);

// Where the program's own file ("./data/ui/karto04.ui") is: in the current
// directory when it is there (a source folder), else in the installed
// share/plexar/ beside the executable's folder ("../share/plexar/ui/karto04.ui");
// the path as given when neither has it.
std::string data_file(const std::string& relative);

// Process services: files that are replaced whole, the current directory.
#pragma once

#include <cstddef>
#include <string>

// Writes bytes to a temporary file in the target's folder, flushes it to disk
// and renames it over the target (a symbolic link is followed to the file it
// names), so a failure never leaves a truncated file where a good one stood.
// Returns true on success; on failure the target is untouched.
bool replace_file(const std::string& path, const void* data, std::size_t size);

// Replacing a file's content atomically: a failure at any point leaves the
// old file as it was.
#ifndef SP_FILE_REPLACE_H
#define SP_FILE_REPLACE_H

#include <string>

namespace sp_file {

// Reads a regular file whole; false when it is missing or unreadable.
bool read_regular_file(const char* path, std::string* bytes);

// Writes the bytes to a temporary file in the same directory and renames it
// over the path. A symbolic link at the path is kept and its target replaced;
// an existing file keeps its permissions.
bool replace_file(const char* path, const std::string& bytes);

}  // namespace sp_file

#endif

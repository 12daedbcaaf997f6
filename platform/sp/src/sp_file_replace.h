// Replacing a file's content: atomically where the folder allows it, in place
// where only the file is writable. Failures leave errno telling why.
#ifndef SP_FILE_REPLACE_H
#define SP_FILE_REPLACE_H

#include <string>

namespace sp_file {

// Reads a regular file whole; false when it is missing or unreadable.
bool read_regular_file(const char* path, std::string* bytes);

// Writes the bytes to a temporary file in the same directory and renames it
// over the path; a failure then leaves the old file as it was. When the folder
// refuses the temporary file or the rename but the file itself is writable,
// the file is rewritten in place instead (its old content kept in "<file>.bak"
// when that can be written). A symbolic link at the path is kept and its
// target replaced; an existing file keeps its permissions.
bool replace_file(const char* path, const std::string& bytes);

}  // namespace sp_file

#endif

#pragma once

// Whether a path names anything on the file system, file or folder.
bool PathExists(const char* path);

#pragma once

// Whether a path names anything on the file system, file or folder.
bool PathExists(const char* path);

// Whether a path names a folder.
bool IsFolder(const char* path);

#pragma once

#include <cstdio>
#include <string>
#include <vector>

// The entries of the data-server file list, read from the intermediate file:
// a piece ends after a line feed, after 31 bytes, or at the end of the file,
// and the line feed stays part of its piece. A line longer than 31 bytes
// becomes several entries. Read from a text-mode stream, CR LF arrives as LF.
std::vector<std::string> ReadFileListPieces(std::FILE* file);

#pragma once

#include <string>
#include <vector>

// The lines a posted message adds to the message list: the text cut at each
// line feed, the line feeds dropped, and the piece after the last line feed
// kept even when empty. A text without a line feed is one line.
std::vector<std::string> SplitMessageLines(const char* text);

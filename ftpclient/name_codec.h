#pragma once

#include <string>

#include "ftp/client_options.h"

// Names on the wire and names on screen. The program works in the ANSI code
// page (Shift-JIS); with the "sjis" encoding names travel as they are, with
// "utf8" they are converted both ways. A character that the ANSI code page
// cannot show becomes '?' on screen, so the wire name is kept beside it for
// every remote entry.
std::string ToWireName(const std::string& shown, WireEncoding encoding);
std::string ToShownName(const std::string& wire, WireEncoding encoding);

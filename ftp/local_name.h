#pragma once

#include <string>

// Whether a name a server listed may become a file name in a local folder.
// A server chooses its names: "..\\x", "C:x" or "sub/x" would write outside
// the folder, "NUL" or "COM1.txt" names a device, and a name ending in a dot
// or blank is stored under another name than the one shown. Refused: empty,
// "." and "..", any '\\', '/' or ':' (whole Shift-JIS characters: a trail
// byte 0x5C is no separator), a control character, a dot or blank at the
// end, a lead byte with no trail byte after it at the end, CON, PRN, AUX,
// NUL, COM1-COM9 and LPT1-LPT9 in any letter case, with or without an
// extension, and the form of a short (8.3) name such as "VANTRE~1.INI",
// which Windows takes for the long name it stands for.
bool IsSafeLocalName(const std::string& name);

// `name` made into one that IsSafeLocalName accepts and Windows can create,
// for a name Vantrel chooses a file or folder by (a machine's registration
// name): each character that cannot stand in a file name ('\\', '/', ':',
// '*', '?', '"', '<', '>', '|', a control character, a lead byte with no
// trail byte), and each dot or blank at the end, becomes '_'; a device name
// gets '_' before it; the '~' of a short name's form becomes '_'; an empty
// name becomes "_". A safe name without those
// characters comes back unchanged.
std::string MakeSafeLocalName(const std::string& name);

#pragma once

#include <string>
#include <string_view>

// The address, user and password fields of the machine dialog as they are
// saved. A Japanese IME left on types digits, letters and dots full width:
// 「１９２．１６８．１．１」 would be stored as it stands and every open would
// fail. Such characters are taken as the ASCII they stand for.

// `text` (Shift-JIS) with each full-width form of an ASCII character
// (U+FF01-U+FF5E, 「０」「Ａ」「．」…) and the ideographic space turned into
// the ASCII character; everything else unchanged.
std::string FoldFullWidthAscii(std::string_view text);

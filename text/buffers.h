#pragma once

#include "text/fixed_text.h"

// The program's fixed text buffers by what they hold. Each size is part of
// the program's behaviour (what is read is cut to the size less one byte),
// so a buffer is declared by its kind, never by a bare size.

// A full path: the program folder, the settings file, a dropped file, a
// control file, a sibling program, the machine table.
using PathText = FixedText<520>;
// A folder under the program folder that a file name is appended to later
// (the log folder, the help folder).
using FolderText = FixedText<260>;
// A registration name of a machine (at most 31 bytes).
using MachineName = FixedText<32>;
// A settings value or a dialog field: position fraction, colour, slot key.
using FieldText = FixedText<16>;
// One status-bar part, the long copyright line, a [system] value.
using LineText = FixedText<256>;
// The message buffer and each line taken from it.
using MessageText = FixedText<1024>;

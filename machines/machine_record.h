#pragma once

#include "text/buffers.h"

// The selected machine record: the one place where the values of the current
// machine live. Only ReadMachineValue fills it.
struct MachineRecord {
    MachineName name;  // the registration name the values were read under
    FixedText<24> address;
    FixedText<32> user_name;
    FixedText<32> password;
    FixedText<16> initial_folder;
    int fields_read = 0;     // 0..4; 4 means an initial folder is present
    int extension_flag = 0;  // the "extention" value

    // Whether the record names a folder to change into after the login (a
    // non-empty "initpath"); without one, files go to the login folder.
    bool has_initial_folder() const { return fields_read == 4; }
};

extern MachineRecord g_selected_machine;

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
};

extern MachineRecord g_selected_machine;

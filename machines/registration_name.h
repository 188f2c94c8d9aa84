#pragma once

// Registration names are both the value of a slot and the name of an INI
// section, and only names that survive both round trips may be saved or
// deleted; anything else would leave a slot that reaches no section, or
// reach another machine's section.

// The error text that refuses name, or nullptr when the name is usable.
const char* RegistrationNameFault(const char* name);

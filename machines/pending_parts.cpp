// TEMPORARY during construction: removed as each part lands.
#include "machines/machine_dialog.h"
#include "machines/machine_selection.h"
#include "machines/machine_table.h"
#include "info/help_lookup.h"
#include "info/system_info.h"
#include "info/version_info.h"
#include "settings/initial_settings_dialog.h"
#include "transfer/ftp_client_start.h"
#include "transfer/server_file_list.h"
#include "transfer/temp_cleanup.h"
#include "transfer/transfer_run.h"
int OpenMachineDialog(HWND, HINSTANCE) { return 0; }

#pragma once

// Winsock's header must come before windows.h; the FTP session needs it.
#include <winsock2.h>
#include <windows.h>

#include <cstdint>
#include <string>

#include "ftp/session.h"
#include "machines/machine_record.h"

// The selected machine's data server as Vantrel itself talks to it, apart
// from the client: the backup before the client runs and the delivery check
// after it. Both must stand where the control file puts the file.

enum class MachineLogin {
    kReady,     // logged in, in the initial folder when the machine has one, binary
    kNoFolder,  // the server refused (5xx) to change to the initial folder; closed
    kFailed,    // no connection or no login, or the connection was lost
};

// The step of LogInToMachine that failed.
enum class MachineStep {
    kConnect,  // the connection, the greeting, or OPTS UTF8 ON
    kLogin,
    kFolder,   // the initial folder
    kBinary,   // the connection was lost at TYPE I
};

// Opens `session` to the machine with the clients' waits (they inherit
// Vantrel's environment), sending OPTS UTF8 ON after the greeting where the
// system's client does (names then go out in UTF-8 when the server takes
// it, as the client's will), logs in, and changes to the initial folder
// only when the control file does (fields-read count 4). `why` receives the
// failure for the user, `failed_step` (when given) the step.
MachineLogin LogInToMachine(FtpSession& session, const MachineRecord& machine, std::string& why,
                            MachineStep* failed_step = nullptr);

// What the server says of a name in the current folder.
struct RemoteLookup {
    enum Presence { kPresent, kAbsent, kUnknown };
    Presence presence = kUnknown;
    bool sized = false;  // `size` comes from SIZE or from the listing
    std::uint64_t size = 0;
    int size_code = 0;  // the reply to SIZE when it gave no size
};

// Asks SIZE; when that gives no size (no SIZE, or 550, which also means
// "no such file"), the folder's listing. kUnknown when neither could be
// had. False when the connection was lost on the way.
bool LookUpRemoteName(FtpSession& session, const std::string& name, RemoteLookup& lookup);

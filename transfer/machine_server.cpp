#include "transfer/machine_server.h"

#include "ftp/listing.h"
#include "ftp/system_client.h"
#include "ftp/timeouts.h"
#include "text/parse.h"

namespace {

// What the folder's listing says of `name`: false when it could not be
// had (ReadFolder, which also asks NLST after a failed LIST). A listed file
// has its size, except a link; names from NLST say only whether the name is
// there. A name listed in another ASCII case only ("o1234" for "O1234")
// says nothing by itself: a Windows server takes the one for the other, and
// STOR would replace it; the read then decides. But such a server would
// have sized the name, so with SIZE's 550 (`size_refused`) the server tells
// names apart and ours is not there.
bool FindInListing(FtpSession& session, const std::string& name, bool size_refused,
                   RemoteLookup::Presence& presence, bool& sized, std::uint64_t& size)
{
    sized = false;
    FolderListing folder;
    if (!ReadFolder(session, folder, WhenListFails::kAskNames)) return false;
    bool other_case = false;
    for (const FolderEntry& entry : folder.entries) {
        if (entry.is_directory) continue;
        if (entry.name == name) {
            presence = RemoteLookup::kPresent;
            sized = entry.size_known;
            size = sized ? entry.size : 0;
            return true;
        }
        other_case = other_case || EqualsIgnoreAsciiCase(entry.name, name);
    }
    presence = other_case && !size_refused ? RemoteLookup::kUnknown : RemoteLookup::kAbsent;
    return true;
}

}  // namespace

MachineLogin LogInToMachine(FtpSession& session, const MachineRecord& machine, std::string& why,
                            MachineStep* failed_step)
{
    MachineStep ignored;
    MachineStep& step = failed_step != nullptr ? *failed_step : ignored;
    session.set_timeouts(TimeoutsFromEnvironment());
    // The client's choice, so that a name is asked for in the bytes the
    // client stored it under.
    session.set_offer_utf8(ClientOffersUtf8(SystemFtpClientVersion()));
    step = MachineStep::kConnect;
    if (!session.Open(machine.address.c_str())) {
        why = session.ErrorText();
        return MachineLogin::kFailed;
    }
    step = MachineStep::kLogin;
    // The one copy of the password made here, of its exact length (no
    // reallocation leaves another behind), is cleared after use; the
    // session clears the PASS line it builds from it.
    std::string password = machine.password.c_str();
    bool logged_in = session.Login(machine.user_name.c_str(), password);
    SecureZeroMemory(password.data(), password.size());
    if (!logged_in) {
        // A server that answered OPTS UTF8 ON with 530 and hung up fails at
        // USER: the connection failed, not the login.
        bool hung_up = session.lost_after_utf8_offer();
        if (hung_up) step = MachineStep::kConnect;
        why = (hung_up ? "" : "ログインできません: ") + session.ErrorText();
        return MachineLogin::kFailed;
    }
    step = MachineStep::kFolder;
    if (machine.has_initial_folder() && !session.ChangeDirectory(machine.initial_folder.c_str())) {
        why = session.ErrorText();
        // A lost connection or a passing refusal (4xx) says nothing of the folder.
        if (session.error() != FtpError::kRefused || session.last_code() / 100 != 5) return MachineLogin::kFailed;
        session.Quit();
        return MachineLogin::kNoFolder;
    }
    step = MachineStep::kBinary;
    // Files are read in binary; and servers answer SIZE in ASCII mode with
    // 550 or a converted size.
    if (!session.SetBinary(true) && !session.IsOpen()) {
        why = session.ErrorText();
        return MachineLogin::kFailed;
    }
    return MachineLogin::kReady;
}

bool LookUpRemoteName(FtpSession& session, const std::string& name, RemoteLookup& lookup)
{
    lookup = RemoteLookup();
    if (session.Size(name, lookup.size)) {
        lookup.sized = true;
        lookup.presence = RemoteLookup::kPresent;
        return true;
    }
    if (!session.IsOpen()) return false;
    lookup.size_code = session.last_code();
    if (FindInListing(session, name, lookup.size_code == 550, lookup.presence, lookup.sized, lookup.size)) {
        return true;
    }
    return session.IsOpen();
}

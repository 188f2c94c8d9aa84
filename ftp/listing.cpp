#include "ftp/listing.h"

#include <string>

#include "ftp/session.h"

namespace {

// The refusals of NLST in an empty folder ("No files found"): 450, file
// not available, and 550, no such file.
constexpr int kFileUnavailable = 450;
constexpr int kNoSuchFile = 550;

}  // namespace

bool ReadFolder(FtpSession& session, FolderListing& out, WhenListFails when_list_fails)
{
    out = FolderListing();
    std::string listing;
    bool listed = session.LongList(std::string(), listing);
    if (listed && ParseLongListing(listing, out.entries) != ListingForm::kUnknown) return true;
    if (!session.IsOpen() || (!listed && when_list_fails == WhenListFails::kFail)) return false;
    if (!session.NameList(std::string(), listing)) {
        return !listed && session.IsOpen() && session.error() == FtpError::kRefused &&
               (session.last_code() == kFileUnavailable || session.last_code() == kNoSuchFile);
    }
    out.names_only = true;
    for (std::string& name : SplitNameList(listing)) {
        FolderEntry entry;
        entry.name = std::move(name);
        out.entries.push_back(std::move(entry));
    }
    return true;
}

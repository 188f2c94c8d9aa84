#pragma once

#include <vector>

#include "ftp/reply.h"

class FtpSession;

// A folder's entries as its server lists them.
struct FolderListing {
    std::vector<FolderEntry> entries;
    bool names_only = false;  // the names of NLST: the LIST could not be read
};

// What ReadFolder does when the LIST itself fails.
enum class WhenListFails {
    kFail,
    // NLST instead (unless the connection is gone); and its 450 or 550 ("No
    // files found", as servers refuse the listings of an empty folder)
    // then means an empty folder.
    kAskNames,
};

// The current folder by LIST. A LIST without a line in the Unix or DOS form
// has its names from NLST; one without any line (or "total 0" alone) is
// an empty folder. False when the folder could not be had: see
// session.error(), and session.IsOpen() for whether the connection was lost.
bool ReadFolder(FtpSession& session, FolderListing& out, WhenListFails when_list_fails = WhenListFails::kFail);

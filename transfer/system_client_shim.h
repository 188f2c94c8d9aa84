#pragma once

// Stand-in, until the client's branch is merged, for ftp/system_client.h and
// FtpSession::set_offer_utf8: the system's client is taken as one that
// sends no OPTS UTF8 ON. Removed at that merge.

#include "ftp/session.h"

struct ClientVersion {
    unsigned long major = 0;
    unsigned long minor = 0;
};

inline ClientVersion SystemFtpClientVersion() { return ClientVersion(); }
inline bool ClientOffersUtf8(const ClientVersion&) { return false; }
inline void OfferUtf8(FtpSession&, bool) {}

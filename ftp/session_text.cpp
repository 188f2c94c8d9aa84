// The texts of FtpSession's failures, for the user.
#include "ftp/session.h"

#include <algorithm>
#include <cstdarg>
#include <cstdio>

#include "text/sjis.h"

namespace {

std::string Printf(const char* format, ...)
{
    char buffer[512];
    va_list args;
    va_start(args, format);
    int n = std::vsnprintf(buffer, sizeof buffer, format, args);
    va_end(args);
    if (n < 0) return std::string();
    CutToWholeChars(buffer, std::min<std::size_t>(static_cast<std::size_t>(n), sizeof buffer - 1));
    return buffer;
}

}  // namespace

std::string FtpSession::ErrorText() const
{
    switch (error_) {
    case FtpError::kNone:
        return std::string();
    case FtpError::kNotConnected:
        return "接続されていません。";
    case FtpError::kNoWinsock:
        return Printf("Windows のネットワーク機能 (Winsock) を初期化できません (エラー %d)。", system_error_);
    case FtpError::kUnknownHost:
        return Printf("ホスト %s が見つかりません。", host_.c_str());
    case FtpError::kResolveTimedOut:
        return Printf("ホスト %s の名前解決が %lu 秒以内に終わりませんでした。", host_.c_str(), timeouts_.connect_ms / 1000);
    case FtpError::kConnectFailed:
        return Printf("%s に接続できません (エラー %d)。", host_.c_str(), system_error_);
    case FtpError::kConnectTimedOut:
        return Printf("%s への接続が %lu 秒以内にできませんでした。", host_.c_str(), timeouts_.connect_ms / 1000);
    case FtpError::kReplyTimedOut:
        return Printf("サーバーが %lu 秒以内に応答しませんでした。", reply_wait_ms_ / 1000);
    case FtpError::kConnectionLost:
        if (lost_after_utf8_offer()) {
            return "サーバーが OPTS UTF8 ON (ログイン前に送る UTF-8 の申し出) を受けて接続を切りました。";
        }
        // A server that closes with 421 says why ("421 Timeout.").
        if (last_code_ == 421 && !reply_.lines().empty()) return "サーバーが接続を閉じました: " + reply_.lines().back();
        return "サーバーとの接続が切れました。";
    case FtpError::kProtocol:
        return "サーバーの応答が FTP の形式ではありません。";
    case FtpError::kReplyTooLong:
        return Printf("サーバーの応答が長すぎます (%u 行、%u KiB まで)。", static_cast<unsigned>(ReplyAssembler::kMaxLines),
                      static_cast<unsigned>(ReplyAssembler::kMaxBytes / 1024));
    case FtpError::kRefused:
        return "サーバーの拒否: " + (reply_.lines().empty() ? std::string() : reply_.lines().back());
    case FtpError::kDataConnection:
        return Printf("データ接続ができません (エラー %d)。", system_error_);
    case FtpError::kDataLost:
        return system_error_ != 0 ? Printf("データ転送中に接続が切れました (エラー %d)。", system_error_)
                                  : std::string("データ転送中に接続が切れました。");
    case FtpError::kDataTimedOut:
        return Printf("データ転送が %lu 秒間止まったため中止しました。", timeouts_.data_idle_ms / 1000);
    case FtpError::kListingTooSlow:
        return Printf("一覧の受信が遅すぎるため中止しました (%lu 秒と、%u KiB ごとにさらに %lu 秒まで)。",
                      timeouts_.reply_ms / 1000, static_cast<unsigned>(kListingStepBytes / 1024), timeouts_.reply_ms / 1000);
    case FtpError::kLocalFile:
        return Printf("ローカルファイルを読み書きできません (エラー %d)。", system_error_);
    case FtpError::kBadName:
        if (name_not_converted_) return "名前を Shift-JIS と UTF-8 の間で変換できません。";
        return "名前に改行が含まれています。";
    case FtpError::kCancelled:
        return "中止しました。";
    case FtpError::kTooSlow:
        return Printf("受信が遅すぎるため中止しました (%lu 秒と、%u KiB ごとにさらに %lu 秒まで)。", timeouts_.reply_ms / 1000,
                      static_cast<unsigned>(kListingStepBytes / 1024), timeouts_.reply_ms / 1000);
    case FtpError::kStopped:
        return "受信を途中でやめました。";
    case FtpError::kSizeMismatch:
        return "受け取った大きさ (" + std::to_string(received_size_) + " バイト) がサーバーの示した大きさ (" +
               std::to_string(expected_size_) + " バイト) と違うため、ファイルを置き換えませんでした。";
    }
    return std::string();
}

#include "app/code_page_check.h"

#include <windows.h>

#include <cwchar>

bool CheckAnsiCodePage(unsigned code_page)
{
    if (code_page == 932) return true;
    // In Japanese and in English: a system without Japanese fonts shows the
    // Japanese as boxes.
    wchar_t text[1024];
    std::swprintf(text, sizeof text / sizeof text[0],
                  L"Vantrel は日本語の文字コード（コードページ 932、Shift-JIS）で動作します。"
                  L"このコンピューターの Unicode 対応ではないプログラムの言語はコードページ %u のため、"
                  L"文字やパスが正しく読み書きできません。Vantrel を終了します。\n\n"
                  L"設定 → 時刻と言語 → 言語と地域 → 管理用の言語の設定 → システム ロケールの変更 で"
                  L"「日本語 (日本)」を選び、「ベータ: ワールドワイド言語サポートで Unicode UTF-8 を使用」を"
                  L"オフにして、Windows を再起動してください。\n\n"
                  L"Vantrel needs the Japanese code page (932, Shift-JIS) for programs that do not use Unicode; "
                  L"this computer uses code page %u, so texts and paths would be garbled. Vantrel ends now.\n\n"
                  L"Settings > Time & Language > Language & region > Administrative language settings > "
                  L"Change system locale: choose \"Japanese (Japan)\", clear \"Beta: Use Unicode UTF-8 for "
                  L"worldwide language support\", and restart Windows.",
                  code_page, code_page);
    MessageBoxW(nullptr, text, L"Vantrel", MB_OK | MB_ICONERROR);
    return false;
}

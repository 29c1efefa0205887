// Event texts: exact code page 932 bytes, decoded by the platform's own
// converter, for every code of the table and for the fallback.
#include <doctest.h>

#include <windows.h>

#include <climits>
#include <cstring>
#include <iterator>
#include <string>

#include "ombrix.h"

namespace {

struct Row {
    int code;
    size_t bytes;
    const wchar_t* text;
};

const Row kRows[] = {
    {1, 60, L"特定のストリームからのすべてのデータをレンダリングし終えた。"},
    {2, 30, L"ユーザーが再生を強制終了した。"},
    {3, 30, L"エラーのため処理が中止された。"},
    {5, 39, L"ビデオ レンダラが再描画を要求している。"},
    {6, 34, L"エラーのためストリームが停止した。"},
    {7, 66, L"ストリーム中にエラーが発生した。ストリームは引き続き再生中である。"},
    {8, 42, L"グラフを実行する非同期コマンドが失敗した。"},
    {9, 29, L"ビデオ パレットが変更された。"},
    {10, 38, L"ネイティブ ビデオ サイズが変更された。"},
    {11, 52, L"品質コントロールのため、グラフがサンプルを削除した。"},
    {12, 49, L"フィルタ グラフが破棄前にシャットダウンしている。"},
    {13, 26, L"基準クロックが変更された。"},
    {14, 22, L"ポーズ要求が完了した。"},
    {16, 58, L"グラフがファイルを開いている、またはファイルを開き終えた。"},
    {17, 80, L"グラフがデータをバッファリングしている、またはデータのバッファリングを停止した。"},
    {18, 66, L"ビデオ レンダラがフルスクリーン モードから切り替わろうとしている。"},
    {19, 55, L"ビデオ ウィンドウがアクティブまたは非アクティブである。"},
    {20, 38, L"フィルタがグラフの再開を要求している。"},
    {21, 49, L"ビデオ レンダラが破棄またはグラフから削除された。"},
    {22, 33, L"ディスプレイ モードが変更された。"},
    {23, 42, L"フィルタは十分なデータを受け取っていない。"},
    {24, 56, L"フィルタがアプリケーションにテキスト文字列を渡している。"},
    {25, 49, L"フィルタにビデオ レンダラのウィンドウを通知する。"},
    {26, 42, L"ストリーム制御停止コマンドが有効になった。"},
    {27, 42, L"ストリーム制御開始コマンドが有効になった。"},
    {28, 30, L"セグメントの終わりに到達した。"},
    {29, 28, L"新しいセグメントが開始した。"},
    {30, 26, L"ソースの長さが変更された。"},
    {31, 79, L"プラグ アンド プレイ デバイスが取り外された、または再び使用できるようになった。"},
    {36, 62, L"コマ送りを実行しているフィルタが、指定数のコマ送りを完了した。"},
    {48, 22, L"サポートされていない。"},
    {49, 22, L"サポートされていない。"},
    {50, 29, L"フィルタ グラフが変更された。"},
    {80, 29, L"フィルタ グラフが変更された。"},
    {81, 39, L"クロック プロバイダの接続が解除された。"},
    {83, 61, L"VMR がレンダリング メカニズムを選択し終えたときに送信される。"},
    {84, 110, L"VMR-7 のアロケータ プレゼンタが、表示するサーフェイスの DirectDraw Flip メソッドを呼び出したときに送信される。"},
    {85, 130, L"アップストリーム デコーダから動的フォーマット変更要求を受け入れることができなかった場合に、VMR-7 および VMR-9 によって送信される。"},
    {87, 71, L"エンコーディング イベントを通知するためにエンコーダによって送信される。"},
    {512, 48, L"入力ピンでオーディオ デバイス エラーが発生した。"},
    {513, 48, L"出力ピンでオーディオ デバイス エラーが発生した。"},
    {593, 145, L"アプリケーションが ASF Writer を使用して、Windows Media Video ファイルにインデックスを付ける場合に、Windows Media Format SDK によって送信される。"},
    {594, 180, L"アプリケーションが ASF Reader フィルタを使用して、DRM (digital rights management) によって保護されている ASF ファイルを再生する場合に、Windows Media Format SDK によって送信される。"},
    {768, 99, L"グラフを作成し終えたときにビデオ コントロールによって送信される。アプリケーションには転送されない。"},
    {769, 99, L"グラフを破棄し終えたときにビデオ コントロールによって送信される。アプリケーションには転送されない。"},
};

const wchar_t kFallback[] = L"OMBRIXでは内部定義されていないエラーコードです。";

std::wstring decode932(const char* text)
{
    int size = MultiByteToWideChar(932, MB_ERR_INVALID_CHARS, text, -1, nullptr, 0);
    REQUIRE(size > 0);
    std::wstring out(size - 1, L'\0');
    MultiByteToWideChar(932, MB_ERR_INVALID_CHARS, text, -1, out.data(), size);
    return out;
}

} // namespace

TEST_CASE("every code of the table has its text, byte for byte")
{
    REQUIRE(std::size(kRows) == 45);
    for (const Row& row : kRows) {
        CAPTURE(row.code);
        const char* text = omb_GetMediaEvStr(row.code);
        REQUIRE(text != nullptr);
        CHECK(std::strlen(text) == row.bytes);
        CHECK(decode932(text) == row.text);
        // Every text ends in the Japanese full stop, 0x81 0x42.
        size_t length = std::strlen(text);
        REQUIRE(length >= 2);
        CHECK(static_cast<unsigned char>(text[length - 2]) == 0x81);
        CHECK(static_cast<unsigned char>(text[length - 1]) == 0x42);
        CHECK(omb_GetMediaEvStr(row.code) == text); // same pointer every time
    }
}

TEST_CASE("double-byte characters whose second byte is a backslash survive")
{
    // "ソ" is 0x83 0x5C, the same byte as a backslash after a lead byte.
    const char* source = omb_GetMediaEvStr(30);
    CHECK(static_cast<unsigned char>(source[0]) == 0x83);
    CHECK(static_cast<unsigned char>(source[1]) == 0x5C);
    CHECK(decode932(source) == L"ソースの長さが変更された。");
}

TEST_CASE("codes outside the table get the fallback text")
{
    const char* fallback = omb_GetMediaEvStr(4);
    CHECK(std::strlen(fallback) == 48);
    CHECK(decode932(fallback) == kFallback);
    for (int code : {0, -1, 15, 32, 35, 37, 47, 51, 79, 82, 86, 88, 511, 514, 592, 595, 767, 770, 0x8000,
                     INT_MIN, INT_MAX})
        CHECK(omb_GetMediaEvStr(code) == fallback);
}

TEST_CASE("codes that share a text share one string")
{
    CHECK(omb_GetMediaEvStr(48) == omb_GetMediaEvStr(49));
    CHECK(omb_GetMediaEvStr(50) == omb_GetMediaEvStr(80));
    CHECK(decode932(omb_GetMediaEvStr(48)) == L"サポートされていない。");
}

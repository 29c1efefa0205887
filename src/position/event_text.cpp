// Japanese texts for graph event codes, as constant code page 932 strings.
// This file is compiled with a code page 932 execution character set, so the
// literals below, readable here, are stored as Shift_JIS bytes; nothing is
// converted at run time.
#include "ombrix.h"

namespace {

const char kNotSupported[] = "サポートされていない。";
const char kGraphChanged[] = "フィルタ グラフが変更された。";
const char kUnknownEvent[] = "OMBRIXでは内部定義されていないエラーコードです。";

// Codes 48 and 49 share one text, and so do 50 and 80.

// Codes 1 to 87, indexed by code; codes without a text stay null.
struct DenseTable {
    const char* text[88] = {};
    constexpr DenseTable()
        : text{}
    {
        text[1] = "特定のストリームからのすべてのデータをレンダリングし終えた。"; // EC_COMPLETE
        text[2] = "ユーザーが再生を強制終了した。"; // EC_USERABORT
        text[3] = "エラーのため処理が中止された。"; // EC_ERRORABORT
        text[5] = "ビデオ レンダラが再描画を要求している。"; // EC_REPAINT
        text[6] = "エラーのためストリームが停止した。"; // EC_STREAM_ERROR_STOPPED
        text[7] = "ストリーム中にエラーが発生した。ストリームは引き続き再生中である。"; // EC_STREAM_ERROR_STILLPLAYING
        text[8] = "グラフを実行する非同期コマンドが失敗した。"; // EC_ERROR_STILLPLAYING
        text[9] = "ビデオ パレットが変更された。"; // EC_PALETTE_CHANGED
        text[10] = "ネイティブ ビデオ サイズが変更された。"; // EC_VIDEO_SIZE_CHANGED
        text[11] = "品質コントロールのため、グラフがサンプルを削除した。"; // EC_QUALITY_CHANGE
        text[12] = "フィルタ グラフが破棄前にシャットダウンしている。"; // EC_SHUTTING_DOWN
        text[13] = "基準クロックが変更された。"; // EC_CLOCK_CHANGED
        text[14] = "ポーズ要求が完了した。"; // EC_PAUSED
        text[16] = "グラフがファイルを開いている、またはファイルを開き終えた。"; // EC_OPENING_FILE
        text[17] = "グラフがデータをバッファリングしている、またはデータのバッファリングを停止した。"; // EC_BUFFERING_DATA
        text[18] = "ビデオ レンダラがフルスクリーン モードから切り替わろうとしている。"; // EC_FULLSCREEN_LOST
        text[19] = "ビデオ ウィンドウがアクティブまたは非アクティブである。"; // EC_ACTIVATE
        text[20] = "フィルタがグラフの再開を要求している。"; // EC_NEED_RESTART
        text[21] = "ビデオ レンダラが破棄またはグラフから削除された。"; // EC_WINDOW_DESTROYED
        text[22] = "ディスプレイ モードが変更された。"; // EC_DISPLAY_CHANGED
        text[23] = "フィルタは十分なデータを受け取っていない。"; // EC_STARVATION
        text[24] = "フィルタがアプリケーションにテキスト文字列を渡している。"; // EC_OLE_EVENT
        text[25] = "フィルタにビデオ レンダラのウィンドウを通知する。"; // EC_NOTIFY_WINDOW
        text[26] = "ストリーム制御停止コマンドが有効になった。"; // EC_STREAM_CONTROL_STOPPED
        text[27] = "ストリーム制御開始コマンドが有効になった。"; // EC_STREAM_CONTROL_STARTED
        text[28] = "セグメントの終わりに到達した。"; // EC_END_OF_SEGMENT
        text[29] = "新しいセグメントが開始した。"; // EC_SEGMENT_STARTED
        text[30] = "ソースの長さが変更された。"; // EC_LENGTH_CHANGED
        text[31] = "プラグ アンド プレイ デバイスが取り外された、または再び使用できるようになった。"; // EC_DEVICE_LOST
        text[36] = "コマ送りを実行しているフィルタが、指定数のコマ送りを完了した。"; // EC_STEP_COMPLETE
        text[48] = kNotSupported; // EC_TIMECODE_AVAILABLE
        text[49] = kNotSupported; // EC_EXTDEVICE_MODE_CHANGE
        text[50] = kGraphChanged; // EC_STATE_CHANGE
        text[80] = kGraphChanged; // EC_GRAPH_CHANGED
        text[81] = "クロック プロバイダの接続が解除された。"; // EC_CLOCK_UNSET
        text[83] = "VMR がレンダリング メカニズムを選択し終えたときに送信される。"; // EC_VMR_RENDERDEVICE_SET
        text[84] = "VMR-7 のアロケータ プレゼンタが、表示するサーフェイスの DirectDraw Flip メソッドを呼び出したときに送信される。"; // EC_VMR_SURFACE_FLIPPED
        text[85] = "アップストリーム デコーダから動的フォーマット変更要求を受け入れることができなかった場合に、VMR-7 および VMR-9 によって送信される。"; // EC_VMR_RECONNECTION_FAILED
        text[87] = "エンコーディング イベントを通知するためにエンコーダによって送信される。"; // EC_CODECAPI_EVENT
    }
};
constexpr DenseTable kDense;

struct SparseEntry {
    int code;
    const char* text;
};
constexpr SparseEntry kSparse[] = {
    {0x200, "入力ピンでオーディオ デバイス エラーが発生した。"}, // EC_SNDDEV_IN_ERROR
    {0x201, "出力ピンでオーディオ デバイス エラーが発生した。"}, // EC_SNDDEV_OUT_ERROR
    {0x251, "アプリケーションが ASF Writer を使用して、Windows Media Video ファイルにインデックスを付ける場合に、Windows Media Format SDK によって送信される。"}, // EC_WMT_INDEX_EVENT
    {0x252, "アプリケーションが ASF Reader フィルタを使用して、DRM (digital rights management) によって保護されている ASF ファイルを再生する場合に、Windows Media Format SDK によって送信される。"}, // EC_WMT_EVENT
    {0x300, "グラフを作成し終えたときにビデオ コントロールによって送信される。アプリケーションには転送されない。"}, // EC_BUILT
    {0x301, "グラフを破棄し終えたときにビデオ コントロールによって送信される。アプリケーションには転送されない。"}, // EC_UNBUILT
};

} // namespace

extern "C" const char* OMBRIX_CALL omb_GetMediaEvStr(int code) noexcept
{
    if (code >= 1 && code <= 87 && kDense.text[code])
        return kDense.text[code];
    for (const SparseEntry& entry : kSparse)
        if (entry.code == code)
            return entry.text;
    return kUnknownEvent;
}

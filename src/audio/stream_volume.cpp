// Volume and balance of the open media through the graph's IBasicAudio. The
// host's values are in the platform's hundredths of a decibel and pass
// through unchanged in both directions; the platform refuses what is out of
// its range.
#include "ombrix.h"

#include "platform/com.h"
#include "platform/ids.h"
#include "player/player.h"

using namespace ombrix;

extern "C" int OMBRIX_CALL omb_SetVolume(int balance, int volume) noexcept
{
    Player& p = player();
    if (!p.isOpen())
        return OMB_E_NOT_OPEN;
    ComPtr<IBasicAudio> audio;
    if (int code = queryGraph(p, ids::IID_IBasicAudio, audio, OMB_E_NO_AUDIO))
        return code;
    // Balance first, and neither result is looked at: a refused balance must
    // not keep the volume from being applied.
    audio->put_Balance(balance);
    audio->put_Volume(volume);
    return OMB_OK;
}

extern "C" int OMBRIX_CALL omb_GetVolume(int which) noexcept
{
    Player& p = player();
    if (!p.isOpen())
        return OMB_E_NOT_OPEN;
    if (which != 0 && which != 1)
        return OMB_E_BAD_SELECTOR;
    ComPtr<IBasicAudio> audio;
    if (int code = queryGraph(p, ids::IID_IBasicAudio, audio, OMB_E_NO_AUDIO))
        return code;
    // The code stays when the read stores no value.
    LONG result = OMB_E_NO_AUDIO;
    // The selectors follow omb_SetVolume's argument positions.
    if (which == 0)
        audio->get_Balance(&result);
    else if (which == 1)
        audio->get_Volume(&result);
    return result;
}

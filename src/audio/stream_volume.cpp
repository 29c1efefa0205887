// Volume and balance of the open media through the graph's IBasicAudio. The
// host's values are in the platform's hundredths of a decibel and pass
// through unchanged in both directions; the platform refuses what is out of
// its range.
#include "ombrix.h"

#include "platform/com.h"
#include "platform/ids.h"
#include "player/player.h"

using namespace ombrix;

namespace {

// The graph's audio control; empty when the graph offers none.
ComPtr<IBasicAudio> basicAudio(Player& p)
{
    ComPtr<IBasicAudio> audio;
    if (FAILED(platform::query(p.graph.Get(), ids::IID_IBasicAudio, audio)))
        audio.Reset();
    return audio;
}

} // namespace

extern "C" int OMBRIX_CALL omb_SetVolume(int balance, int volume) noexcept
{
    Player& p = player();
    if (!p.isOpen())
        return -1;
    ComPtr<IBasicAudio> audio = basicAudio(p);
    if (!audio)
        return -2;
    // Balance first, and neither result is looked at: a refused balance must
    // not keep the volume from being applied.
    audio->put_Balance(balance);
    audio->put_Volume(volume);
    return 0;
}

extern "C" int OMBRIX_CALL omb_GetVolume(int which) noexcept
{
    Player& p = player();
    if (!p.isOpen())
        return -1;
    // -2 stays when nothing is read: an unknown selector, no audio control,
    // or a read that stores no value.
    LONG result = -2;
    if (which != 0 && which != 1)
        return result;
    ComPtr<IBasicAudio> audio = basicAudio(p);
    if (!audio)
        return result;
    // The selectors follow omb_SetVolume's argument positions.
    if (which == 0)
        audio->get_Balance(&result);
    else if (which == 1)
        audio->get_Volume(&result);
    return result;
}

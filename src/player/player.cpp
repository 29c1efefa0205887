#include "player/player.h"

#include <new>

#include "platform/media_type.h"

namespace ombrix {

Player& player()
{
    alignas(Player) static unsigned char storage[sizeof(Player)];
    static Player* instance = new (storage) Player();
    return *instance;
}

void releaseGrabber(Player& p)
{
    p.sampleGrabber.Reset();
    p.grabberFilter.Reset();
    platform::freeMediaTypeFormat(p.grabberMediaType);
}

} // namespace ombrix

#include "player/player.h"

#include <new>

#include "platform/ids.h"
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
    p.grabberTypeCurrent = false;
}

BYTE* FrameBuffer::reserve(std::uint64_t size)
{
    if (size <= capacity_ && data_)
        return data_;
    if (size == 0 || size > 0x7FFFFFFF)
        return nullptr;
    // The old contents are not needed: a new block, not a reallocation.
    BYTE* grown = static_cast<BYTE*>(HeapAlloc(GetProcessHeap(), 0, static_cast<SIZE_T>(size)));
    if (!grown)
        return nullptr;
    release();
    data_ = grown;
    capacity_ = size;
    return data_;
}

void FrameBuffer::release()
{
    if (data_)
        HeapFree(GetProcessHeap(), 0, data_);
    data_ = nullptr;
    capacity_ = 0;
}

void obtainHeldPosition(Player& p)
{
    platform::obtain(p.graph.Get(), ids::IID_IMediaPosition, p.heldPosition);
}

void releaseGraphCaches(Player& p)
{
    p.heldPosition.Reset();
    p.frameBuffer.release();
    p.grabberTypeCurrent = false;
}

} // namespace ombrix

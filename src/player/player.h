// The one process-wide record of player state.
#pragma once
#include <windows.h>
#include <dshow.h>
#include <qedit.h>
#include <evr.h>
#include <d3d9.h>
#include <vmr9.h>

#include <cstdint>

#include "platform/com.h"

namespace ombrix {

// One heap block for video frames, kept while a graph is open so that
// repeated grabs of the same size allocate nothing. It grows when a frame
// needs more and is never zero-filled: every byte that is read from it was
// written by the platform first.
class FrameBuffer {
public:
    FrameBuffer() = default;
    ~FrameBuffer() { release(); }
    FrameBuffer(const FrameBuffer&) = delete;
    FrameBuffer& operator=(const FrameBuffer&) = delete;

    // A block of at least size bytes, or null when it cannot be had (the
    // block held before is then kept).
    BYTE* reserve(std::uint64_t size);
    void release();
    BYTE* data() const { return data_; }
    std::uint64_t capacity() const { return capacity_; }

private:
    BYTE* data_ = nullptr;
    std::uint64_t capacity_ = 0;
};

// Whether a graph is open, and whether omb_Play started it.
enum PlayState : int {
    PlayState_Closed = 0,
    PlayState_Open = 1,
    PlayState_Started = 2,
};

// Every interface field owns one reference while it is non-null, except the
// call-scoped slots, which an export fills at its start and empties before it
// returns, and activeRenderer, which only borrows.
struct Player {
    HINSTANCE moduleHandle = nullptr;
    ComPtr<IMFVideoDisplayControl> displayControl;   // call-scoped
    AM_MEDIA_TYPE grabberMediaType{};
    ComPtr<IBaseFilter> sourceFilter;
    ComPtr<IBaseFilter> propertyFilter;              // call-scoped
    ComPtr<IMediaEventEx> mediaEvent;
    ComPtr<IVideoWindow> videoWindow;                // call-scoped
    ComPtr<ICaptureGraphBuilder2> captureBuilder;
    ComPtr<IVideoFrameStep> frameStep;               // call-scoped
    ComPtr<IMediaSeeking> mediaSeeking;              // call-scoped
    ComPtr<IMediaControl> mediaControl;
    ComPtr<IGraphBuilder> graph;
    HWND hostWindow = nullptr;
    HWND threadWindow = nullptr;
    int playState = PlayState_Closed;
    int openMode = 0;
    int forwardEvents = 0;
    int useGrabber = 0;
    ComPtr<IBaseFilter> videoRenderer;
    ComPtr<IBaseFilter> vmr9Filter;
    ComPtr<IBaseFilter> vmr7Filter;
    ComPtr<IBaseFilter> evrFilter;
    ComPtr<IBaseFilter> audioRenderer;
    ComPtr<IBaseFilter> nullRenderer;
    IBaseFilter* activeRenderer = nullptr;           // call-scoped, borrowed
    ComPtr<IBaseFilter> grabberFilter;
    ComPtr<ISampleGrabber> sampleGrabber;
    int threadStarted = 0;

    // Held for the open graph so that cheap exports make one platform call;
    // released by omb_Close and a failed omb_Open (releaseGraphCaches).
    ComPtr<IMediaPosition> heldPosition;
    FrameBuffer frameBuffer;
    // grabberMediaType describes the grabber's current connection; cleared
    // when a buffered frame no longer matches it.
    bool grabberTypeCurrent = false;

    // Guards the interface fields that the worker thread reads (graph,
    // mediaControl, mediaEvent) against their release on the host's thread.
    // Held only to copy or swap pointers, never across a platform call.
    SRWLOCK fieldLock = SRWLOCK_INIT;

    bool isOpen() const { return playState >= PlayState_Open; }
};

// The process's Player. It is never destroyed: the library releases nothing
// at unload, when COM may already be gone.
Player& player();

// Empties a call-scoped slot when the export that filled it returns, on
// every path.
template <class T>
class CallScoped {
public:
    explicit CallScoped(ComPtr<T>& slot) : slot_(slot) {}
    ~CallScoped() { slot_.Reset(); }
    CallScoped(const CallScoped&) = delete;
    CallScoped& operator=(const CallScoped&) = delete;
    T* operator->() const { return slot_.Get(); }
    T* get() const { return slot_.Get(); }
    explicit operator bool() const { return slot_ != nullptr; }

private:
    ComPtr<T>& slot_;
};

// Holds Player::fieldLock for one scope, exclusively (host's thread, when it
// publishes or detaches fields) or shared (worker thread, when it copies them).
class FieldLock {
public:
    enum Mode { Exclusive, Shared };
    explicit FieldLock(Player& p, Mode mode = Exclusive) : lock_(p.fieldLock), mode_(mode)
    {
        if (mode_ == Exclusive)
            AcquireSRWLockExclusive(&lock_);
        else
            AcquireSRWLockShared(&lock_);
    }
    ~FieldLock()
    {
        if (mode_ == Exclusive)
            ReleaseSRWLockExclusive(&lock_);
        else
            ReleaseSRWLockShared(&lock_);
    }
    FieldLock(const FieldLock&) = delete;
    FieldLock& operator=(const FieldLock&) = delete;

private:
    SRWLOCK& lock_;
    Mode mode_;
};

// Releases the Sample Grabber, its interface and the format block of its
// media type.
void releaseGrabber(Player& p);

// Asks the graph for IMediaPosition into Player::heldPosition.
void obtainHeldPosition(Player& p);

// The graph's IMediaPosition, obtained at the first use and held until the
// graph is released; null when the graph has none.
inline IMediaPosition* heldPosition(Player& p)
{
    if (!p.heldPosition)
        obtainHeldPosition(p);
    return p.heldPosition.Get();
}

// Releases what is held for the open graph only to make calls cheap: the
// held interfaces and the frame buffer.
void releaseGraphCaches(Player& p);

} // namespace ombrix

// A host's bitmap laid over the video by the mixing renderers (VMR-7 in
// mode 2, VMR-9 in mode 3), and the colour packing hosts use for colour
// arguments.
#include <cstdint>
#include <cstring>

#include "ombrix.h"
#include "platform/com.h"
#include "platform/ids.h"
#include "player/arguments.h"
#include "player/player.h"

namespace ombrix {
namespace {

constexpr DWORD kFromDC = 0x2;   // VMRBITMAP_HDC, VMR9AlphaBitmap_hDC
constexpr DWORD kColorKey = 0x8; // VMRBITMAP_SRCCOLORKEY, VMR9AlphaBitmap_SrcColorKey

// The host's arguments. The float edges and the alpha are kept as their bit
// patterns and copied into the record as such: a float register could turn
// a signalling NaN into a quiet one.
struct MixArguments {
    HDC dc;
    int srcLeft, srcTop, srcRight, srcBottom;
    uint32_t alpha;
    uint32_t dest[4]; // left, top, right, bottom
    int useColorKey;
    int keyRed, keyGreen, keyBlue;
};

COLORREF packColor(int red, int green, int blue)
{
    return static_cast<COLORREF>((red & 0xFF) | ((green & 0xFF) << 8) | ((blue & 0xFF) << 16));
}

// Both records begin with the same seven members; only VMR-9's has a filter
// mode, and it stays 0.
template <class Record>
void fill(Record& record, const MixArguments& a)
{
    std::memset(&record, 0, sizeof record);
    record.dwFlags = a.useColorKey == 1 ? (kFromDC | kColorKey) : kFromDC;
    record.hdc = a.dc;
    record.pDDS = nullptr;
    SetRect(&record.rSrc, a.srcLeft, a.srcTop, a.srcRight, a.srcBottom);
    std::memcpy(&record.rDest.left, &a.dest[0], sizeof(float));
    std::memcpy(&record.rDest.top, &a.dest[1], sizeof(float));
    std::memcpy(&record.rDest.right, &a.dest[2], sizeof(float));
    std::memcpy(&record.rDest.bottom, &a.dest[3], sizeof(float));
    std::memcpy(&record.fAlpha, &a.alpha, sizeof(float));
    record.clrSrcKey = packColor(a.keyRed, a.keyGreen, a.keyBlue);
}

int mapResult(HRESULT hr)
{
    switch (hr) {
    case E_INVALIDARG: return OMB_E_INVALIDARG;
    case E_POINTER: return OMB_E_POINTER;
    case E_OUTOFMEMORY: return OMB_E_NO_MEMORY;
    case E_FAIL: return OMB_E_FAIL;
    default: return static_cast<int>(hr);
    }
}

// The renderer's result, mapped; OMB_E_NO_MIXER_BITMAP when it offers no mixer bitmap.
template <class Mixer, class Record>
int mix(IBaseFilter* renderer, REFIID iid, const MixArguments& a)
{
    ComPtr<Mixer> mixer;
    if (!platform::obtain(renderer, iid, mixer))
        return OMB_E_NO_MIXER_BITMAP;
    Record record;
    fill(record, a);
    return mapResult(mixer->SetAlphaBitmap(&record));
}

} // namespace
} // namespace ombrix

using namespace ombrix;

namespace {

int mixImage(const MixArguments& args)
{
    Player& p = player();
    if (!p.isOpen())
        return OMB_E_NOT_OPEN;
    // Only the two mixing modes hand the DC to a renderer.
    if (p.openMode != OpenMode_Vmr7 && p.openMode != OpenMode_Vmr9)
        return OMB_E_NOT_MIXING_MODE;
    // Null is the renderer's to refuse; anything else must be a DC.
    if (args.dc && !arguments::deviceContext(reinterpret_cast<omb_handle>(args.dc)))
        return OMB_E_REFUSED;
    if (p.openMode == OpenMode_Vmr7)
        return mix<IVMRMixerBitmap, VMRALPHABITMAP>(p.vmr7Filter.Get(), ids::IID_IVMRMixerBitmap, args);
    return mix<IVMRMixerBitmap9, VMR9AlphaBitmap>(p.vmr9Filter.Get(), ids::IID_IVMRMixerBitmap9, args);
}

#if !defined(__i386__)
uint32_t bitsOf(float value)
{
    uint32_t bits;
    std::memcpy(&bits, &value, sizeof bits);
    return bits;
}
#endif

} // namespace

extern "C" {

#if defined(__i386__)
// On the 32-bit stack every float argument is one 32-bit slot, the same as
// an integer's. omb_VMRMixImage jumps straight here, so the slots are read
// as integers and never pass through the x87 unit, which quiets NaNs.
int OMBRIX_CALL ombrix_VMRMixImageSlots(omb_handle dc, int srcLeft, int srcTop, int srcRight, int srcBottom,
                                        uint32_t alpha, uint32_t destLeft, uint32_t destTop, uint32_t destRight,
                                        uint32_t destBottom, int useColorKey, int keyRed, int keyGreen, int keyBlue) noexcept
{
    return mixImage({reinterpret_cast<HDC>(dc), srcLeft, srcTop, srcRight, srcBottom, alpha,
                     {destLeft, destTop, destRight, destBottom}, useColorKey, keyRed, keyGreen, keyBlue});
}
asm(".text\n"
    ".globl _omb_VMRMixImage\n"
    "_omb_VMRMixImage:\n"
    "    jmp _ombrix_VMRMixImageSlots\n");
#else
// The 64-bit convention passes the floats in SSE registers, whose moves
// keep every bit.
int OMBRIX_CALL omb_VMRMixImage(omb_handle dc, int srcLeft, int srcTop, int srcRight, int srcBottom, float alpha,
                                float destLeft, float destTop, float destRight, float destBottom, int useColorKey,
                                int keyRed, int keyGreen, int keyBlue) noexcept
{
    return mixImage({reinterpret_cast<HDC>(dc), srcLeft, srcTop, srcRight, srcBottom, bitsOf(alpha),
                     {bitsOf(destLeft), bitsOf(destTop), bitsOf(destRight), bitsOf(destBottom)}, useColorKey,
                     keyRed, keyGreen, keyBlue});
}
#endif

int OMBRIX_CALL SetColorRef(int red, int green, int blue) noexcept
{
    return static_cast<int>(packColor(red, green, blue));
}

} // extern "C"

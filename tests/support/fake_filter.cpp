#include "fake_filter.h"

#include <cstring>

#include "platform/ids.h"
#include "platform/media_type.h"
#include "world.h"

namespace fakes {

// ---- FakePin ---------------------------------------------------------------

FakePin::FakePin(World& w, std::string n) : FakeObject(w, std::move(n))
{
    offer(IID_IPin, static_cast<IPin*>(this));
}

HRESULT FakePin::ConnectedTo(IPin** peer)
{
    record("ConnectedTo");
    *peer = nullptr;
    if (!connected)
        return VFW_E_NOT_CONNECTED;
    addRef();
    *peer = this;
    return S_OK;
}

FakePinEnumerator::FakePinEnumerator(World& w, std::string n, FakePin& pin) : FakeObject(w, std::move(n)), pin_(pin)
{
    offer(IID_IEnumPins, static_cast<IEnumPins*>(this));
}

HRESULT FakePinEnumerator::Next(ULONG count, IPin** pins, ULONG* fetched)
{
    record("Next", count);
    ULONG given = 0;
    if (count > 0 && !given_) {
        given_ = true;
        pin_.addRef();
        pins[given++] = &pin_;
    }
    if (fetched)
        *fetched = given;
    return given == count ? S_OK : S_FALSE;
}

// ---- FakeDisplayControl ----------------------------------------------------

FakeDisplayControl::FakeDisplayControl(World& w) : FakeObject(w, "display")
{
    offer(ombrix::ids::IID_IMFVideoDisplayControl, static_cast<IMFVideoDisplayControl*>(this));
}

HRESULT FakeDisplayControl::SetVideoWindow(HWND window)
{
    return respond("SetVideoWindow", static_cast<long long>(reinterpret_cast<intptr_t>(window)));
}

HRESULT FakeDisplayControl::SetVideoPosition(const MFVideoNormalizedRect* source, const LPRECT destination)
{
    std::ostringstream text;
    text << "{" << source->left << ", " << source->top << ", " << source->right << ", " << source->bottom
         << "}, {" << destination->left << ", " << destination->top << ", " << destination->right << ", "
         << destination->bottom << "}";
    world.log.push_back(name + ".SetVideoPosition(" + text.str() + ")");
    return outcome("SetVideoPosition");
}

// ---- FakeFilter ------------------------------------------------------------

FakeFilter::FakeFilter(World& w, std::string n, REFCLSID id) : FakeObject(w, std::move(n)), clsid(id)
{
    namespace ids = ombrix::ids;
    offer(ids::IID_IBaseFilter, static_cast<IBaseFilter*>(this));
    if (world.propertyPages.count(name))
        offer(ids::IID_ISpecifyPropertyPages, static_cast<ISpecifyPropertyPages*>(this));
    switch (classOf(id)) {
    case FakeClass::SampleGrabber:
        offer(ids::IID_ISampleGrabber, static_cast<ISampleGrabber*>(this));
        break;
    case FakeClass::DSoundRender:
        offer(ids::IID_IAMClockSlave, static_cast<IAMClockSlave*>(this));
        break;
    case FakeClass::VideoRenderer:
        offer(ids::IID_IQualProp, static_cast<IQualProp*>(this));
        break;
    case FakeClass::VideoMixingRenderer:
        offer(ids::IID_IVMRFilterConfig, static_cast<IVMRFilterConfig*>(this));
        offer(ids::IID_IVMRMixerBitmap, static_cast<IVMRMixerBitmap*>(this));
        offer(ids::IID_IQualProp, static_cast<IQualProp*>(this));
        break;
    case FakeClass::VideoMixingRenderer9:
        offer(ids::IID_IVMRFilterConfig9, static_cast<IVMRFilterConfig9*>(this));
        offer(ids::IID_IVMRMixerBitmap9, static_cast<IVMRMixerBitmap9*>(this));
        offer(ids::IID_IQualProp, static_cast<IQualProp*>(this));
        break;
    case FakeClass::EnhancedVideoRenderer:
        offer(IID_IMFGetService, static_cast<IMFGetService*>(this));
        offer(ids::IID_IQualProp, static_cast<IQualProp*>(this));
        break;
    default: // the Null Renderer and the source offer IBaseFilter alone
        break;
    }
}

HRESULT FakeFilter::SetBufferSamples(BOOL buffer)
{
    record("SetBufferSamples", buffer);
    bufferSamples = buffer != FALSE;
    return outcome("SetBufferSamples");
}

HRESULT FakeFilter::GetCurrentBuffer(LONG* size, LONG* buffer)
{
    record("GetCurrentBuffer", *size);
    const std::vector<BYTE>& frame = world.grabberFrame;
    HRESULT hr = outcome("GetCurrentBuffer", !bufferSamples ? E_INVALIDARG
                                             : !connected  ? VFW_E_NOT_CONNECTED
                                             : frame.empty() ? VFW_E_WRONG_STATE
                                                             : S_OK);
    if (FAILED(hr))
        return hr;
    LONG delivered = static_cast<LONG>(quirk("GetCurrentBuffer.short") ? frame.size() / 2 : frame.size());
    if (!buffer) {
        *size = delivered;
        return S_OK;
    }
    if (*size < delivered)
        return E_OUTOFMEMORY;
    std::memcpy(buffer, frame.data(), delivered);
    *size = delivered;
    return hr;
}

HRESULT FakeFilter::FindPin(LPCWSTR id, IPin** pin)
{
    record("FindPin", id);
    *pin = nullptr;
    HRESULT hr = outcome("FindPin", id && outputPinName == id ? S_OK : VFW_E_NOT_FOUND);
    if (hr != S_OK)
        return hr;
    FakePin& made = world.make<FakePin>(name + ".pin");
    made.addRef();
    *pin = &made;
    return S_OK;
}

HRESULT FakeFilter::EnumPins(IEnumPins** pins)
{
    record("EnumPins");
    FakePin& pin = world.make<FakePin>(name + ".pin");
    pin.connected = !quirk("EnumPins.unconnected");
    *pins = &world.make<FakePinEnumerator>(name + ".pins", pin);
    (*pins)->AddRef();
    return S_OK;
}

HRESULT FakeFilter::GetClassID(CLSID* out)
{
    *out = clsid;
    return S_OK;
}

HRESULT FakeFilter::QueryFilterInfo(FILTER_INFO* info)
{
    record("QueryFilterInfo");
    std::memset(info, 0, sizeof *info);
    wcsncpy(info->achName, graphName.c_str(), MAX_FILTER_NAME - 1);
    info->pGraph = joinedGraph;
    if (joinedGraph)
        joinedGraph->AddRef();
    return outcome("QueryFilterInfo");
}

HRESULT FakeFilter::JoinFilterGraph(IFilterGraph* graph, LPCWSTR n)
{
    joinedGraph = graph;
    graphName = n ? n : L"";
    return S_OK;
}

HRESULT FakeFilter::SetMediaType(const AM_MEDIA_TYPE* type)
{
    record("SetMediaType", &type->majortype, &type->subtype, &type->formattype, type->lSampleSize,
           type->cbFormat);
    acceptedType = *type;
    acceptedType.pbFormat = nullptr;
    return outcome("SetMediaType");
}

HRESULT FakeFilter::GetConnectedMediaType(AM_MEDIA_TYPE* type)
{
    record("GetConnectedMediaType");
    HRESULT hr = outcome("GetConnectedMediaType", connected ? S_OK : VFW_E_NOT_CONNECTED);
    if (hr != S_OK)
        return hr;
    ombrix::platform::MediaType made;
    made.majortype = ombrix::ids::MEDIATYPE_Video;
    made.subtype = ombrix::ids::MEDIASUBTYPE_RGB24;
    made.formattype = ombrix::ids::FORMAT_VideoInfo;
    made.bFixedSizeSamples = TRUE;
    made.lSampleSize = world.grabberSampleSize;
    if (!world.grabberFormat.empty()) {
        made.setFormat(ombrix::ids::FORMAT_VideoInfo, world.grabberFormat.data(),
                       static_cast<ULONG>(world.grabberFormat.size()));
    } else if (!quirk("GetConnectedMediaType.noformat")) {
        VIDEOINFOHEADER info{};
        info.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
        info.bmiHeader.biWidth = world.grabberWidth;
        info.bmiHeader.biHeight = world.grabberHeight;
        info.bmiHeader.biPlanes = 1;
        info.bmiHeader.biBitCount = 24;
        info.bmiHeader.biSizeImage = world.grabberWidth * world.grabberHeight * 3;
        made.setFormat(ombrix::ids::FORMAT_VideoInfo, &info, sizeof info);
    }
    // The caller owns the block; the world follows it until it is freed.
    *type = made.detach();
    if (type->pbFormat)
        world.noteFormatBlock(type->pbFormat);
    return S_OK;
}

// ---- FakeFilter: property pages -------------------------------------------

HRESULT FakeFilter::GetPages(CAUUID* pages)
{
    record("GetPages");
    HRESULT hr = outcome("GetPages");
    if (FAILED(hr)) {
        // Quirk <filter>_GetPages_scribble: a failing filter that still writes an
        // array (which stays the filter's: the caller must not free it).
        if (quirk("GetPages.scribble")) {
            void* block = CoTaskMemAlloc(sizeof(CLSID));
            world.notePageArray(block);
            pages->cElems = 1;
            pages->pElems = static_cast<GUID*>(block);
        }
        return hr;
    }
    const std::vector<CLSID>& classes = world.propertyPages[name];
    pages->cElems = static_cast<ULONG>(classes.size());
    pages->pElems = nullptr;
    if (!classes.empty()) {
        pages->pElems = static_cast<GUID*>(CoTaskMemAlloc(classes.size() * sizeof(CLSID)));
        std::memcpy(pages->pElems, classes.data(), classes.size() * sizeof(CLSID));
        world.notePageArray(pages->pElems);
    }
    return hr;
}

} // namespace fakes

#include "world.h"

#include <cstdio>
#include <stdexcept>

#include "fake_audio.h"
#include "fake_builder.h"
#include "fake_filter.h"
#include "fake_graph.h"
#include "platform/com.h"
#include "platform/handles.h"
#include "x87.h"

namespace fakes {
namespace {

World* currentWorld = nullptr;

} // namespace

// Follows the task allocator so that a test can see whether the format
// blocks a fake handed out were freed.
// Registered once for the process; it reports to whichever world is current.
struct World::Spy : IMallocSpy {
    LONG refs = 1;
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** out) override
    {
        if (IsEqualGUID(iid, IID_IUnknown) || IsEqualGUID(iid, IID_IMallocSpy)) {
            *out = this;
            AddRef();
            return S_OK;
        }
        *out = nullptr;
        return E_NOINTERFACE;
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return ++refs; }
    ULONG STDMETHODCALLTYPE Release() override { return --refs; }
    SIZE_T STDMETHODCALLTYPE PreAlloc(SIZE_T size) override { return size; }
    void* STDMETHODCALLTYPE PostAlloc(void* actual) override { return actual; }
    void* STDMETHODCALLTYPE PreFree(void* request, BOOL) override
    {
        if (currentWorld) {
            currentWorld->formatBlocks_.erase(request);
            currentWorld->pageArrays_.erase(request);
        }
        return request;
    }
    void STDMETHODCALLTYPE PostFree(BOOL) override {}
    SIZE_T STDMETHODCALLTYPE PreRealloc(void* request, SIZE_T size, void** newRequest, BOOL) override
    {
        *newRequest = request;
        return size;
    }
    void* STDMETHODCALLTYPE PostRealloc(void* actual, BOOL) override { return actual; }
    void* STDMETHODCALLTYPE PreGetSize(void* request, BOOL) override { return request; }
    SIZE_T STDMETHODCALLTYPE PostGetSize(SIZE_T size, BOOL) override { return size; }
    void* STDMETHODCALLTYPE PreDidAlloc(void* request, BOOL) override { return request; }
    int STDMETHODCALLTYPE PostDidAlloc(void*, BOOL, int actual) override { return actual; }
    void STDMETHODCALLTYPE PreHeapMinimize() override {}
    void STDMETHODCALLTYPE PostHeapMinimize() override {}
};

World::World()
{
    InitializeCriticalSection(&objectsLock_);
    if (currentWorld)
        throw std::logic_error("one fake world at a time");
    currentWorld = this;
    previousCreate_ = reinterpret_cast<void*>(ombrix::platform::createInstanceFn);
    ombrix::platform::createInstanceFn = &World::create;
    previousIsWindow_ = reinterpret_cast<void*>(ombrix::platform::isWindowFn);
    previousObjectType_ = reinterpret_cast<void*>(ombrix::platform::getObjectTypeFn);
    ombrix::platform::isWindowFn = &World::isWindow;
    ombrix::platform::getObjectTypeFn = &World::objectType;
    static Spy* spy = nullptr;
    if (!spy) {
        spy = new Spy();
        CoRegisterMallocSpy(spy);
    }
}

World::~World()
{
    // Arrays a test left with the fakes (a scribbling GetPages) go back here.
    std::set<void*> left;
    left.swap(pageArrays_);
    for (void* block : left)
        CoTaskMemFree(block);
    ombrix::platform::createInstanceFn =
        reinterpret_cast<ombrix::platform::CreateInstanceFn>(previousCreate_);
    ombrix::platform::isWindowFn = reinterpret_cast<ombrix::platform::IsWindowFn>(previousIsWindow_);
    ombrix::platform::getObjectTypeFn = reinterpret_cast<ombrix::platform::GetObjectTypeFn>(previousObjectType_);
    currentWorld = nullptr;
    objects_.clear();
    DeleteCriticalSection(&objectsLock_);
}

BOOL WINAPI World::isWindow(HWND window) { return current().realHandles ? IsWindow(window) : TRUE; }

DWORD WINAPI World::objectType(HGDIOBJ object) { return current().realHandles ? GetObjectType(object) : OBJ_DC; }

World& World::current()
{
    if (!currentWorld)
        throw std::logic_error("no fake world");
    return *currentWorld;
}

HRESULT WINAPI World::create(REFCLSID clsid, LPUNKNOWN outer, DWORD context, REFIID iid, LPVOID* out)
{
    World& w = current();
    const FakeClass kind = classOf(clsid);
    *out = nullptr;
    for (const CLSID& real : w.realClasses)
        if (IsEqualGUID(real, clsid)) {
            w.log.push_back("create " + guidName(clsid) + " ctx=" + std::to_string(context) + " " + guidName(iid) +
                            " (real)");
            return reinterpret_cast<ombrix::platform::CreateInstanceFn>(w.previousCreate_)(clsid, outer, context,
                                                                                           iid, out);
        }
    if (kind == FakeClass::None) {
        w.log.push_back("create " + guidName(clsid) + " (no fake)");
        return REGDB_E_CLASSNOTREG;
    }
    const std::string name = shortName(kind);
    w.log.push_back("create " + name + " ctx=" + std::to_string(context) + " " + guidName(iid) +
                    (outer ? " outer" : ""));
    HRESULT hr = w.outcome("create." + name, S_OK);
    if (hr != S_OK)
        return hr;

    FakeObject* made;
    switch (kind) {
    case FakeClass::FilterGraph: made = &w.make<FakeGraph>(); break;
    case FakeClass::CaptureGraphBuilder2: made = &w.make<FakeCaptureBuilder>(); break;
    case FakeClass::SystemClock: made = &w.make<FakeClock>(); break;
    case FakeClass::MMDeviceEnumerator: made = &w.make<FakeDeviceEnumerator>(); break;
    default: made = &w.make<FakeFilter>(name, clsid); break;
    }
    return made->queryInterface(iid, out);
}

HRESULT World::outcome(const std::string& key, HRESULT normal)
{
    Call call;
    if (!keyNamed(key, call))
        return normal;
    failureLooked_[static_cast<size_t>(call)] = true;
    x87Looked_[static_cast<size_t>(call)] = true;
    auto word = x87Words.find(call);
    if (word != x87Words.end())
        testing::setX87ControlWord(word->second);
    auto it = failures.find(call);
    return it == failures.end() ? normal : it->second;
}

bool World::silenced(const std::string& key)
{
    Call call;
    if (!keyNamed(key, call))
        return false;
    silenceLooked_[static_cast<size_t>(call)] = true;
    return writesNothing.count(call) != 0;
}

bool World::quirkOn(const std::string& key)
{
    Quirk quirk;
    if (!keyNamed(key, quirk))
        return false;
    quirkLooked_[static_cast<size_t>(quirk)] = true;
    return quirks.count(quirk) != 0;
}

std::vector<std::string> World::unconsulted() const
{
    std::vector<std::string> out;
    for (auto& [call, hr] : failures)
        if (!failureLooked_[static_cast<size_t>(call)])
            out.push_back(std::string("failure ") + keyText(call));
    for (Call call : writesNothing)
        if (!silenceLooked_[static_cast<size_t>(call)])
            out.push_back(std::string("writesNothing ") + keyText(call));
    for (Quirk quirk : quirks)
        if (!quirkLooked_[static_cast<size_t>(quirk)])
            out.push_back(std::string("quirk ") + keyText(quirk));
    for (auto& [call, word] : x87Words)
        if (!x87Looked_[static_cast<size_t>(call)])
            out.push_back(std::string("x87Words ") + keyText(call));
    return out;
}

FakeObject* World::find(const std::string& n) const
{
    FakeObject* found = nullptr;
    EnterCriticalSection(&objectsLock_);
    for (auto it = objects_.rbegin(); it != objects_.rend() && !found; ++it)
        if ((*it)->name == n)
            found = it->get();
    LeaveCriticalSection(&objectsLock_);
    return found;
}

FakeGraph* World::graph() const { return dynamic_cast<FakeGraph*>(find("graph")); }

FakeFilter* World::filter(const std::string& n) const { return dynamic_cast<FakeFilter*>(find(n)); }

std::string World::nameOf(const void* pointer) const
{
    if (!pointer)
        return "null";
    EnterCriticalSection(&objectsLock_);
    for (auto& o : objects_)
        if (o->owns(pointer)) {
            std::string found = o->name;
            LeaveCriticalSection(&objectsLock_);
            return found;
        }
    LeaveCriticalSection(&objectsLock_);
    char text[32];
    std::snprintf(text, sizeof text, "%p", pointer);
    return text;
}

std::vector<std::string> World::outstanding() const
{
    std::vector<std::string> out;
    for (auto& o : objects_)
        if (o->refs != 0)
            out.push_back(o->name + "=" + std::to_string(o->refs));
    return out;
}

std::vector<std::string> World::calls(const std::string& prefix) const
{
    std::vector<std::string> out;
    for (const std::string& line : log)
        if (line.compare(0, prefix.size(), prefix) == 0)
            out.push_back(line);
    return out;
}

size_t World::liveFormatBlocks() const { return formatBlocks_.size(); }

} // namespace fakes

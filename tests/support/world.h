// One test's fakes. While a World exists, every object the library creates
// comes from it; its log holds every call in order.
#pragma once
#include <atomic>
#include <cstdint>
#include <map>
#include <memory>
#include <set>
#include <string>
#include <vector>

#include "fake_object.h"

namespace fakes {

class FakeGraph;
class FakeFilter;

class World {
public:
    World();
    ~World();
    World(const World&) = delete;
    World& operator=(const World&) = delete;

    static World& current();

    CallLog log;
    // Calls that give this result instead of their normal one.
    std::map<Call, HRESULT> failures;
    // Getters that answer S_OK and write nothing, as some renderers do.
    std::set<Call> writesNothing;
    // Behaviour switches, e.g. Quirk::graph_AddSourceFilter_null.
    std::set<Quirk> quirks;
    // Calls that leave this x87 control word on the calling thread, as a
    // Direct3D 9 device made without FPU preservation leaves 24-bit precision
    // behind while a VMR-9 connects.
    std::map<Call, std::uint16_t> x87Words;
    // The keys above that no fake looked up while this world lived ("failure
    // graph.Run"): a test that sets one tests nothing.
    std::vector<std::string> unconsulted() const;
    // The interfaces a fake does not offer.
    std::map<Fake, std::vector<IID>> lacking;
    // Filter name -> the property-page classes it names (and so offers
    // ISpecifyPropertyPages); set before the filter is made.
    std::map<std::string, std::vector<CLSID>> propertyPages;
    // Classes created by the real CoCreateInstance instead of a fake (a test
    // registers them with CoRegisterClassObject).
    std::vector<CLSID> realClasses;
    // Log every Release as "release name remaining".
    bool traceReleases = false;
    // Window and DC handles: the fakes' tests pass made-up values, which are
    // all taken as valid; with realHandles the platform's own checks answer.
    bool realHandles = false;
    // The type the Sample Grabber reports once connected.
    LONG grabberWidth = 64, grabberHeight = 48;
    LONG grabberSampleSize = 64 * 48 * 3;
    // When not empty, the whole format block the Sample Grabber reports
    // instead of a VIDEOINFOHEADER made from the sizes above.
    std::vector<BYTE> grabberFormat;
    // The frame the Sample Grabber buffered (empty: none yet).
    std::vector<BYTE> grabberFrame;

    template <class T, class... Args>
    T& make(Args&&... args)
    {
        auto made = std::make_unique<T>(*this, std::forward<Args>(args)...);
        T& object = *made;
        EnterCriticalSection(&objectsLock_);
        objects_.push_back(std::move(made));
        LeaveCriticalSection(&objectsLock_);
        return object;
    }
    // Guards state that the worker thread and the test's thread share
    // (a graph's event queue).
    CRITICAL_SECTION& objectsLock() const { return objectsLock_; }
    FakeObject* find(const std::string& name) const; // the most recent object of that name
    FakeGraph* graph() const;
    FakeFilter* filter(const std::string& name) const;
    std::string nameOf(const void* pointer) const;

    // "name=refs" for every object whose references are not all given back.
    std::vector<std::string> outstanding() const;
    // Calls in the log that start with prefix.
    std::vector<std::string> calls(const std::string& prefix = "") const;
    void clearLog() { log.clear(); }

    // Format blocks the fakes allocated that nobody freed yet.
    size_t liveFormatBlocks() const;
    void noteFormatBlock(void* block) { formatBlocks_.insert(block); }
    // Page arrays GetPages handed out that nobody freed yet.
    size_t livePageArrays() const { return pageArrays_.size(); }
    void notePageArray(void* block) { pageArrays_.insert(block); }

    // For the fakes, by the key's text ("graph.Run"): the result a call
    // gives, whether a getter writes nothing, whether a switch is on.
    HRESULT outcome(const std::string& key, HRESULT normal);
    bool silenced(const std::string& key);
    bool quirkOn(const std::string& key);

private:
    static HRESULT WINAPI create(REFCLSID clsid, LPUNKNOWN outer, DWORD context, REFIID iid, LPVOID* out);
    static BOOL WINAPI isWindow(HWND window);
    static DWORD WINAPI objectType(HGDIOBJ object);

    std::vector<std::unique_ptr<FakeObject>> objects_;
    mutable CRITICAL_SECTION objectsLock_;
    std::set<void*> formatBlocks_;
    std::set<void*> pageArrays_;
    std::atomic<bool> failureLooked_[static_cast<size_t>(Call::Count)] = {};
    std::atomic<bool> silenceLooked_[static_cast<size_t>(Call::Count)] = {};
    std::atomic<bool> quirkLooked_[static_cast<size_t>(Quirk::Count)] = {};
    std::atomic<bool> x87Looked_[static_cast<size_t>(Call::Count)] = {};
    struct Spy;
    void* previousCreate_;
    void* previousIsWindow_;
    void* previousObjectType_;
};

} // namespace fakes

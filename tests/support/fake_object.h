// The base of every fake: reference counting, the call log, injected
// failures and interfaces a test takes away.
#pragma once
#include <functional>
#include <sstream>
#include <string>
#include <vector>

#include "fake_keys.h"
#include "fake_stubs.h"
#include "platform/class_ids.h"

namespace fakes {

class World;

// The calls the fakes saw, in order, with the thread that made each. The
// worker thread and the test's thread both add to it, under its lock. A test
// may stop another thread at the start of a call (pauseAt) and let it go on
// once the test has done its part there.
class CallLog {
public:
    struct Entry {
        std::string text;
        DWORD thread;
        const void* object; // the fake that made the call, if any
    };

    CallLog();
    ~CallLog();
    CallLog(const CallLog&) = delete;
    CallLog& operator=(const CallLog&) = delete;

    void push_back(std::string line, const void* object = nullptr);
    void clear();
    bool empty() const;
    size_t size() const;
    std::vector<std::string> lines() const;
    std::vector<Entry> entries() const;
    // Plain access for the test's thread while no other thread calls a fake.
    const std::string& operator[](size_t i) const { return lines_[i]; }
    const std::string& back() const { return lines_.back(); }
    std::vector<std::string>::const_iterator begin() const { return lines_.begin(); }
    std::vector<std::string>::const_iterator end() const { return lines_.end(); }
    bool operator==(const std::vector<std::string>& other) const { return lines() == other; }

    // The thread that made the log (the test's): calls from it never pause.
    const DWORD hostThread;
    // The next call from another thread whose text starts with prefix, the
    // occurrence-th such, is logged and then waits until resume() holds
    // (checked every millisecond, at most waitLimit ms). paused is signalled
    // when it starts waiting.
    void pauseAt(const std::string& prefix, int occurrence, std::function<bool()> resume);
    bool waitForPause(DWORD milliseconds) const;
    bool pauseTimedOut() const { return timedOut_; }
    DWORD waitLimit = 3000;

private:
    mutable CRITICAL_SECTION lock_;
    std::vector<std::string> lines_;
    std::vector<DWORD> threads_;
    std::vector<const void*> objects_;
    std::string pausePrefix_;
    int pauseCountdown_ = 0;
    std::function<bool()> resume_;
    HANDLE paused_;
    bool timedOut_ = false;
};

std::string narrow(const wchar_t* text);
// The name of an identifier the library uses ("FilterGraph", "IBaseFilter"),
// else its registry form.
std::string guidName(REFGUID guid);

// The classes the fakes stand in for (platform/class_ids.h), and the short
// name each fake of that class goes by in the log and in keys ("graph").
enum class FakeClass {
#define FAKE_CLASS_ENUM(name, ...) name,
    OMBRIX_CLASS_IDS(FAKE_CLASS_ENUM)
#undef FAKE_CLASS_ENUM
    None
};
FakeClass classOf(REFCLSID clsid);
const char* shortName(FakeClass kind);

class FakeObject {
public:
    FakeObject(World& world, std::string name);
    virtual ~FakeObject() = default;

    const std::string name;
    LONG refs = 0;
    DWORD lastReleaseThread = 0; // the thread that gave back the last reference

    ULONG addRef() { return static_cast<ULONG>(InterlockedIncrement(&refs)); }
    ULONG release();
    HRESULT queryInterface(REFIID iid, void** out);
    bool owns(const void* pointer) const;
    // Runs when the last reference goes (a graph gives back its filters).
    virtual void finalRelease() {}

protected:
    // The result a method gives: the injected failure, if any, else `normal`.
    HRESULT outcome(const char* method, HRESULT normal = S_OK) const;
    template <class... Args>
    void record(const char* method, const Args&... args);
    // A call with nothing to hand back: records it and gives its outcome.
    template <class... Args>
    HRESULT respond(const char* method, const Args&... args)
    {
        record(method, args...);
        return outcome(method);
    }
    HRESULT unexpected(const char* method);
    // Whether the switch "<name>.<what>" is on (World::quirks).
    bool quirk(const char* what) const;
    // A getter: records the call (for reply(method, out, value)) and, when
    // the outcome is a success and the test did not tell the getter to
    // write nothing (World::writesNothing), writes the value.
    template <class Write>
    HRESULT reply(const char* method, Write write)
    {
        const bool silent = writesNothing(method);
        HRESULT hr = outcome(method);
        if (SUCCEEDED(hr) && !silent)
            write();
        return hr;
    }
    template <class T, class U>
    HRESULT reply(const char* method, T* out, const U& value)
    {
        record(method);
        return reply(method, [&] { *out = value; });
    }

    // Offered interfaces; QueryInterface hands out a pointer from here unless
    // the world says this object lacks the interface.
    void offer(REFIID iid, void* face);

    World& world;

private:
    bool writesNothing(const char* method) const;
    void log(std::string line);
    std::vector<std::pair<IID, void*>> faces_;
};

#define FAKE_IUNKNOWN                                                                              \
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** out) override                      \
    {                                                                                              \
        return queryInterface(iid, out);                                                           \
    }                                                                                              \
    ULONG STDMETHODCALLTYPE AddRef() override { return addRef(); }                                 \
    ULONG STDMETHODCALLTYPE Release() override { return release(); }                               \
    HRESULT stubbed(const char* method) override { return unexpected(method); }

#define FAKE_IDISPATCH                                                                             \
    HRESULT STDMETHODCALLTYPE GetTypeInfoCount(UINT*) override { return E_NOTIMPL; }               \
    HRESULT STDMETHODCALLTYPE GetTypeInfo(UINT, LCID, ITypeInfo**) override { return E_NOTIMPL; }  \
    HRESULT STDMETHODCALLTYPE GetIDsOfNames(REFIID, LPOLESTR*, UINT, LCID, DISPID*) override       \
    {                                                                                              \
        return E_NOTIMPL;                                                                          \
    }                                                                                              \
    HRESULT STDMETHODCALLTYPE Invoke(DISPID, REFIID, LCID, WORD, DISPPARAMS*, VARIANT*,            \
                                     EXCEPINFO*, UINT*) override                                   \
    {                                                                                              \
        return E_NOTIMPL;                                                                          \
    }

// Argument formatting for the log.
inline std::string describe(const World&, long value) { return std::to_string(value); }
inline std::string describe(const World&, int value) { return std::to_string(value); }
inline std::string describe(const World&, unsigned long value) { return std::to_string(value); }
inline std::string describe(const World&, unsigned value) { return std::to_string(value); }
inline std::string describe(const World&, long long value) { return std::to_string(value); }
inline std::string describe(const World&, unsigned long long value) { return std::to_string(value); }
inline std::string describe(const World&, double value)
{
    std::ostringstream out;
    out << value;
    return out.str();
}
inline std::string describe(const World&, const std::string& text) { return text; }
inline std::string describe(const World&, const wchar_t* text)
{
    return text ? "\"" + narrow(text) + "\"" : "null";
}
inline std::string describe(const World&, const GUID* guid) { return guid ? guidName(*guid) : "null"; }
// The fake's name for a pointer one of them handed out.
std::string describe(const World& world, const void* pointer);

template <class... Args>
void FakeObject::record(const char* method, const Args&... args)
{
    std::string line = name + "." + method + "(";
    bool first = true;
    ((line += (first ? "" : ", ") + describe(world, args), first = false), ...);
    log(line + ")");
}

} // namespace fakes

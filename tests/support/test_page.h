// A minimal property page of the tests' own, registered in the test's
// apartment with CoRegisterClassObject, so that a property frame has one page
// it can create (and so a frame that a watcher can close).
#pragma once
#include <windows.h>
#include <ocidl.h>

namespace testing {

// {6F1B6C55-2A71-4B0E-9C1D-0B5E7A0C4E21}
constexpr CLSID kTestPageClsid = {0x6F1B6C55, 0x2A71, 0x4B0E, {0x9C, 0x1D, 0x0B, 0x5E, 0x7A, 0x0C, 0x4E, 0x21}};

// What the pages of one registration saw.
struct TestPageLog {
    int created = 0;
    int activated = 0;
    ULONG objectCount = 0;       // the last non-empty SetObjects
    IUnknown* object = nullptr;  // its first object (identity only)
    int live = 0;                // pages not yet destroyed
};

// Registers the page class for the lifetime of the object.
class TestPageClass {
public:
    TestPageClass();
    ~TestPageClass();
    TestPageClass(const TestPageClass&) = delete;
    TestPageClass& operator=(const TestPageClass&) = delete;

    TestPageLog log;
    bool registered() const { return cookie_ != 0; }

private:
    IClassFactory* factory_;
    DWORD cookie_ = 0;
};

} // namespace testing

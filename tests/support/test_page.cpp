#include "test_page.h"

#include <cstring>

namespace testing {
namespace {

class Page final : public IPropertyPage {
public:
    explicit Page(TestPageLog& log) : log_(log)
    {
        ++log_.created;
        ++log_.live;
    }

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** out) override
    {
        if (IsEqualGUID(iid, IID_IUnknown) || IsEqualGUID(iid, IID_IPropertyPage)) {
            *out = static_cast<IPropertyPage*>(this);
            AddRef();
            return S_OK;
        }
        *out = nullptr;
        return E_NOINTERFACE;
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return ++refs_; }
    ULONG STDMETHODCALLTYPE Release() override
    {
        ULONG left = --refs_;
        if (left == 0) {
            setObjects(0, nullptr);
            if (site_)
                site_->Release();
            --log_.live;
            delete this;
        }
        return left;
    }

    HRESULT STDMETHODCALLTYPE SetPageSite(IPropertyPageSite* site) override
    {
        if (site)
            site->AddRef();
        if (site_)
            site_->Release();
        site_ = site;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE Activate(HWND parent, LPCRECT rect, BOOL) override
    {
        ++log_.activated;
        window_ = CreateWindowExW(0, L"STATIC", L"test page", WS_CHILD | WS_VISIBLE, rect->left, rect->top,
                                  rect->right - rect->left, rect->bottom - rect->top, parent, nullptr, nullptr,
                                  nullptr);
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE Deactivate() override
    {
        if (window_)
            DestroyWindow(window_);
        window_ = nullptr;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE GetPageInfo(PROPPAGEINFO* info) override
    {
        static const wchar_t title[] = L"Test page";
        std::memset(info, 0, sizeof *info);
        info->cb = sizeof *info;
        info->pszTitle = static_cast<LPOLESTR>(CoTaskMemAlloc(sizeof title));
        std::memcpy(info->pszTitle, title, sizeof title);
        info->size = {200, 100};
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE SetObjects(ULONG count, IUnknown** objects) override
    {
        setObjects(count, objects);
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE Show(UINT show) override
    {
        if (window_)
            ShowWindow(window_, show);
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE Move(LPCRECT rect) override
    {
        if (window_)
            MoveWindow(window_, rect->left, rect->top, rect->right - rect->left, rect->bottom - rect->top, TRUE);
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE IsPageDirty() override { return S_FALSE; }
    HRESULT STDMETHODCALLTYPE Apply() override { return S_OK; }
    HRESULT STDMETHODCALLTYPE Help(LPCOLESTR) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE TranslateAccelerator(MSG*) override { return S_FALSE; }

private:
    // The page holds a reference to its object while it shows it.
    void setObjects(ULONG count, IUnknown** objects)
    {
        if (object_)
            object_->Release();
        object_ = nullptr;
        if (count > 0 && objects && objects[0]) {
            object_ = objects[0];
            object_->AddRef();
            log_.objectCount = count;
            log_.object = objects[0];
        }
    }

    TestPageLog& log_;
    ULONG refs_ = 1;
    IPropertyPageSite* site_ = nullptr;
    IUnknown* object_ = nullptr;
    HWND window_ = nullptr;
};

class Factory final : public IClassFactory {
public:
    explicit Factory(TestPageLog& log) : log_(log) {}
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** out) override
    {
        if (IsEqualGUID(iid, IID_IUnknown) || IsEqualGUID(iid, IID_IClassFactory)) {
            *out = static_cast<IClassFactory*>(this);
            AddRef();
            return S_OK;
        }
        *out = nullptr;
        return E_NOINTERFACE;
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return ++refs_; }
    ULONG STDMETHODCALLTYPE Release() override
    {
        ULONG left = --refs_;
        if (left == 0)
            delete this;
        return left;
    }
    HRESULT STDMETHODCALLTYPE CreateInstance(IUnknown* outer, REFIID iid, void** out) override
    {
        *out = nullptr;
        if (outer)
            return CLASS_E_NOAGGREGATION;
        Page* page = new Page(log_);
        HRESULT hr = page->QueryInterface(iid, out);
        page->Release();
        return hr;
    }
    HRESULT STDMETHODCALLTYPE LockServer(BOOL) override { return S_OK; }

private:
    TestPageLog& log_;
    ULONG refs_ = 1;
};

} // namespace

TestPageClass::TestPageClass() : factory_(new Factory(log))
{
    if (FAILED(CoRegisterClassObject(kTestPageClsid, factory_, CLSCTX_INPROC_SERVER, REGCLS_MULTIPLEUSE,
                                     &cookie_)))
        cookie_ = 0;
}

TestPageClass::~TestPageClass()
{
    if (cookie_)
        CoRevokeClassObject(cookie_);
    factory_->Release();
}

} // namespace testing

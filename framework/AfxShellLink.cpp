// Shell links through COM: kept apart from AfxShell.cpp, so that a program that only asks for
// the Start menu's folder links none of this.
#include "AfxShell.h"

#include "AfxCodePageWin32.h"

#include <objidl.h>
#include <shlobj.h>
#include <shobjidl.h>

#include <string>

namespace {

// The interfaces' identifiers, defined here rather than taken from the UUID library, whose one
// object holds every identifier of the system.
const CLSID kClsidShellLink = {0x00021401, 0, 0, {0xC0, 0, 0, 0, 0, 0, 0, 0x46}};
const IID kIidShellLinkA = {0x000214EE, 0, 0, {0xC0, 0, 0, 0, 0, 0, 0, 0x46}};
const IID kIidPersistFile = {0x0000010B, 0, 0, {0xC0, 0, 0, 0, 0, 0, 0, 0x46}};

// pszPath in UTF-16, as IPersistFile takes a path; false when it is no text of the code page or
// does not fit MAX_PATH.
bool Wide(const char* pszPath, std::wstring& wide)
{
    return AfxAnsiToWide(pszPath, wide) && wide.size() < MAX_PATH;
}

// COM on this thread for as long as it lives, when it was not already (then nothing is undone).
class CComScope {
public:
    CComScope() : m_hr(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED)) {}
    ~CComScope()
    {
        if (SUCCEEDED(m_hr)) CoUninitialize();
    }
    CComScope(const CComScope&) = delete;
    CComScope& operator=(const CComScope&) = delete;
    // S_FALSE (already initialised) and RPC_E_CHANGED_MODE (another model) both leave COM usable.
    bool Usable() const { return SUCCEEDED(m_hr) || m_hr == RPC_E_CHANGED_MODE; }
    HRESULT Result() const { return m_hr; }

private:
    HRESULT m_hr;
};

// Releases the interface it holds when it goes.
template <class I>
class CComPtr {
public:
    CComPtr() = default;
    CComPtr(const CComPtr&) = delete;
    CComPtr& operator=(const CComPtr&) = delete;
    ~CComPtr()
    {
        if (m_p) m_p->Release();
    }
    I* operator->() const { return m_p; }
    I* Get() const { return m_p; }
    void** Receive() { return reinterpret_cast<void**>(&m_p); }

private:
    I* m_p = nullptr;
};

}  // namespace

HRESULT AfxCreateShellLink(const char* pszLink, const char* pszTarget, const char* pszWorkingDir)
{
    CComScope com;
    if (!com.Usable()) return com.Result();
    CComPtr<IShellLinkA> link;
    HRESULT hr = CoCreateInstance(kClsidShellLink, nullptr, CLSCTX_INPROC_SERVER, kIidShellLinkA, link.Receive());
    if (FAILED(hr)) return hr;
    if (FAILED(hr = link->SetPath(pszTarget)) || FAILED(hr = link->SetWorkingDirectory(pszWorkingDir))) return hr;
    CComPtr<IPersistFile> file;
    if (FAILED(hr = link->QueryInterface(kIidPersistFile, file.Receive()))) return hr;
    std::wstring wide;
    if (!Wide(pszLink, wide)) return E_INVALIDARG;
    return file->Save(wide.c_str(), TRUE);
}

HRESULT AfxReadShellLink(const char* pszLink, CString& strTarget)
{
    CComScope com;
    if (!com.Usable()) return com.Result();
    CComPtr<IShellLinkA> link;
    HRESULT hr = CoCreateInstance(kClsidShellLink, nullptr, CLSCTX_INPROC_SERVER, kIidShellLinkA, link.Receive());
    if (FAILED(hr)) return hr;
    CComPtr<IPersistFile> file;
    if (FAILED(hr = link->QueryInterface(kIidPersistFile, file.Receive()))) return hr;
    std::wstring wide;
    if (!Wide(pszLink, wide)) return E_INVALIDARG;
    if (FAILED(hr = file->Load(wide.c_str(), STGM_READ))) return hr;
    // MAX_PATH characters, each up to three bytes in UTF-8.
    char szTarget[MAX_PATH * 3 + 1] = {};
    // The raw path as stored, without asking the shell to find a target that has moved.
    if (FAILED(hr = link->GetPath(szTarget, sizeof szTarget, nullptr, SLGP_RAWPATH))) return hr;
    strTarget = szTarget;
    return S_OK;
}


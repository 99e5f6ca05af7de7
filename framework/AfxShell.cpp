#include "AfxShell.h"

#include "AfxHandle.h"

#include <objidl.h>
#include <shlobj.h>
#include <shobjidl.h>

#include <string>
#include <vector>

namespace {

std::wstring Wide(const char* psz)
{
    int n = MultiByteToWideChar(CP_ACP, 0, psz, -1, nullptr, 0);
    if (n <= 0) return std::wstring();
    std::wstring w(size_t(n), L'\0');
    MultiByteToWideChar(CP_ACP, 0, psz, -1, &w[0], n);
    w.resize(size_t(n - 1));
    return w;
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

bool AfxGetCommonProgramsFolder(CString& strPath)
{
    char szPath[MAX_PATH] = {};
    if (FAILED(SHGetFolderPathA(nullptr, CSIDL_COMMON_PROGRAMS, nullptr, SHGFP_TYPE_CURRENT, szPath)) || !szPath[0])
        return false;
    strPath = szPath;
    while (strPath.GetLength() > 3 && strPath[strPath.GetLength() - 1] == '\\') strPath = strPath.Left(strPath.GetLength() - 1);
    return true;
}

HRESULT AfxCreateShellLink(const char* pszLink, const char* pszTarget, const char* pszWorkingDir)
{
    CComScope com;
    if (!com.Usable()) return com.Result();
    CComPtr<IShellLinkA> link;
    HRESULT hr = CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkA, link.Receive());
    if (FAILED(hr)) return hr;
    if (FAILED(hr = link->SetPath(pszTarget)) || FAILED(hr = link->SetWorkingDirectory(pszWorkingDir))) return hr;
    CComPtr<IPersistFile> file;
    if (FAILED(hr = link->QueryInterface(IID_IPersistFile, file.Receive()))) return hr;
    std::wstring wide = Wide(pszLink);
    if (wide.empty()) return E_INVALIDARG;
    return file->Save(wide.c_str(), TRUE);
}

HRESULT AfxReadShellLink(const char* pszLink, CString& strTarget)
{
    CComScope com;
    if (!com.Usable()) return com.Result();
    CComPtr<IShellLinkA> link;
    HRESULT hr = CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkA, link.Receive());
    if (FAILED(hr)) return hr;
    CComPtr<IPersistFile> file;
    if (FAILED(hr = link->QueryInterface(IID_IPersistFile, file.Receive()))) return hr;
    std::wstring wide = Wide(pszLink);
    if (FAILED(hr = file->Load(wide.c_str(), STGM_READ))) return hr;
    char szTarget[MAX_PATH] = {};
    // The raw path as stored, without asking the shell to find a target that has moved.
    if (FAILED(hr = link->GetPath(szTarget, MAX_PATH, nullptr, SLGP_RAWPATH))) return hr;
    strTarget = szTarget;
    return S_OK;
}

void AfxNotifyAssociationsChanged() { SHChangeNotify(SHCNE_ASSOCCHANGED, SHCNF_IDLIST, nullptr, nullptr); }

bool AfxRegQueryString(HKEY hRoot, const char* pszSubKey, const char* pszName, CString& strValue, DWORD nMaxLength)
{
    CRegKey key;
    if (RegOpenKeyExA(hRoot, pszSubKey, 0, KEY_QUERY_VALUE, key.Receive()) != ERROR_SUCCESS) return false;
    DWORD dwType = 0, cb = 0;
    if (RegQueryValueExA(key.Get(), pszName, nullptr, &dwType, nullptr, &cb) != ERROR_SUCCESS || dwType != REG_SZ ||
        cb > nMaxLength)
        return false;
    std::vector<char> data(size_t(cb) + 1, '\0');
    if (RegQueryValueExA(key.Get(), pszName, nullptr, &dwType, reinterpret_cast<BYTE*>(data.data()), &cb) != ERROR_SUCCESS ||
        dwType != REG_SZ)
        return false;
    // A value stored without its closing zero, or with one inside, ends at the first zero.
    strValue = data.data();
    return true;
}

// Owners of kernel objects: a handle, a registry key, a directory search, a loaded module.
//
// Each owns exactly one object and closes it in its destructor; copying is deleted, moving hands the
// object over. Close() is safe to call twice. Release() gives the object up without closing it.
// Receive() closes what is held and returns the address of the empty slot, for the out-parameter
// of the call that opens the next object:
//     CRegKey key;
//     if (RegOpenKeyExA(hRoot, path, 0, KEY_READ, key.Receive()) == ERROR_SUCCESS) ...
// The destructor keeps GetLastError(), so an owner going out of scope on an error path does not
// replace the error that the caller is about to report.
#pragma once

#include "AfxPlatform.h"

#ifdef _WIN32

template <class Traits>
class CKernelOwner {
public:
    typedef typename Traits::Type Type;

    CKernelOwner() = default;
    explicit CKernelOwner(Type h) : m_h(h) {}
    CKernelOwner(const CKernelOwner&) = delete;
    CKernelOwner& operator=(const CKernelOwner&) = delete;
    CKernelOwner(CKernelOwner&& other) noexcept : m_h(other.Release()) {}
    CKernelOwner& operator=(CKernelOwner&& other) noexcept
    {
        if (this != &other) Attach(other.Release());
        return *this;
    }
    ~CKernelOwner()
    {
        DWORD dwError = GetLastError();
        Close();
        SetLastError(dwError);
    }

    Type Get() const { return m_h; }
    bool IsValid() const { return Traits::IsValid(m_h); }
    explicit operator bool() const { return IsValid(); }

    // Closes what is held and takes h.
    void Attach(Type h)
    {
        Close();
        m_h = h;
    }
    // Gives the object up without closing it; the owner is then empty.
    Type Release()
    {
        Type h = m_h;
        m_h = Traits::Empty();
        return h;
    }
    // True when an object was held and closed without error.
    bool Close()
    {
        Type h = Release();
        return Traits::IsValid(h) && Traits::Close(h);
    }
    Type* Receive()
    {
        Close();
        return &m_h;
    }

private:
    Type m_h = Traits::Empty();
};

struct CHandleTraits {
    typedef HANDLE Type;
    static Type Empty() { return nullptr; }
    // Some calls report failure with a null handle, others with INVALID_HANDLE_VALUE.
    static bool IsValid(Type h) { return h != nullptr && h != INVALID_HANDLE_VALUE; }
    static bool Close(Type h) { return CloseHandle(h) != FALSE; }
};

struct CRegKeyTraits {
    typedef HKEY Type;
    static Type Empty() { return nullptr; }
    // The predefined roots (HKEY_CLASSES_ROOT ... 0x80000000 and up) are never closed by an owner.
    static bool IsValid(Type h)
    {
        return h != nullptr && (DWORD(reinterpret_cast<ULONG_PTR>(h)) & 0xF0000000u) != 0x80000000u;
    }
    static bool Close(Type h) { return RegCloseKey(h) == ERROR_SUCCESS; }
};

struct CFindHandleTraits {
    typedef HANDLE Type;
    static Type Empty() { return INVALID_HANDLE_VALUE; }
    static bool IsValid(Type h) { return h != nullptr && h != INVALID_HANDLE_VALUE; }
    static bool Close(Type h) { return FindClose(h) != FALSE; }
};

struct CModuleTraits {
    typedef HMODULE Type;
    static Type Empty() { return nullptr; }
    static bool IsValid(Type h) { return h != nullptr; }
    static bool Close(Type h) { return FreeLibrary(h) != FALSE; }
};

// A kernel handle (file, process, thread, pipe, event ...): CloseHandle.
typedef CKernelOwner<CHandleTraits> CHandle;
// A registry key: RegCloseKey.
typedef CKernelOwner<CRegKeyTraits> CRegKey;
// A directory search of FindFirstFileA: FindClose.
typedef CKernelOwner<CFindHandleTraits> CFindHandle;
// A module of LoadLibrary: FreeLibrary.
typedef CKernelOwner<CModuleTraits> CModule;

#endif

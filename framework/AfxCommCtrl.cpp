#include "AfxCommCtrl.h"

#include "AfxHandle.h"
#include "AfxSystemDll.h"

const char AfxCommonControlsMissing[] =
    "FATAL: unable to load the common controls (COMCTL32.DLL) from the Windows system folder";

namespace {

template <class Proc>
bool Find(HMODULE hModule, const char* pszName, Proc& proc)
{
    proc = reinterpret_cast<Proc>(reinterpret_cast<void (*)()>(GetProcAddress(hModule, pszName)));
    return proc != nullptr;
}

struct Loaded {
    CModule module;
    AfxCommonControls functions = {};
    bool bComplete = false;

    Loaded() : module(AfxLoadSystemLibrary("comctl32.dll"))
    {
        if (!module) return;
        HMODULE h = module.Get();
        AfxCommonControls& f = functions;
        bComplete = Find(h, "InitCommonControlsEx", f.InitCommonControlsEx) &&
                    Find(h, "ImageList_LoadImageA", f.ImageList_LoadImageA) &&
                    Find(h, "ImageList_Create", f.ImageList_Create) && Find(h, "ImageList_Destroy", f.ImageList_Destroy) &&
                    Find(h, "ImageList_Draw", f.ImageList_Draw) &&
                    Find(h, "ImageList_GetImageCount", f.ImageList_GetImageCount);
    }
};

}  // namespace

const AfxCommonControls* AfxGetCommonControls()
{
    // Loaded once, on first use; the DLL is released when the program ends.
    static Loaded s_loaded;
    return s_loaded.bComplete ? &s_loaded.functions : nullptr;
}

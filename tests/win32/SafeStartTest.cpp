// The programs' safe start: a DLL that lies beside the program (a planted one) is loadable by name
// before the start-up routine and never after it; the system's own DLLs still load.
#include "AfxCommCtrl.h"
#include "AfxHandle.h"
#include "AfxSystemDll.h"

#include <gtest/gtest.h>

namespace {

// zrvplant.dll exists only in this program's folder (the build puts it there).
const char kBesideProgram[] = "zrvplant.dll";

bool Loads(const char* pszName)
{
    CModule module(LoadLibraryA(pszName));
    return module.IsValid();
}

}  // namespace

// One test, because the restriction holds for the rest of the process: the first half is the
// control that shows the planted DLL is really found without it.
TEST(SafeStart, DllBesideTheProgramIsNotLoadedAfterTheStart)
{
    ASSERT_TRUE(Loads(kBesideProgram)) << "the control: without the restriction the DLL beside the program loads";
    EXPECT_EQ(nullptr, AfxLoadSystemLibrary(kBesideProgram)) << "not in the system folder: never loaded from elsewhere";

    EXPECT_TRUE(AfxRestrictDllSearch());

    struct Row {
        const char* pszName;
        bool bLoads;
    } rows[] = {
        {kBesideProgram, false},  // the program's own folder is no longer searched
        {"zrvplant", false},      // nor with the extension left to the loader
        {"comctl32.dll", true},   // the system folder still is
        {"version.dll", true},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.pszName);
        EXPECT_EQ(row.bLoads, Loads(row.pszName));
    }
    CModule system(AfxLoadSystemLibrary("comctl32.dll"));
    EXPECT_TRUE(system.IsValid());
    EXPECT_NE(nullptr, AfxGetCommonControls()) << "every function of the common controls is found";
}

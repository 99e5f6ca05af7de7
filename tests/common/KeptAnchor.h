// Keeps an anchor in a product's entry as a run keeps it, for tests that lay out an installation
// by hand: the digests and the folder, through the run's own keeper.
#pragma once

#include "RegistryAnchorStore.h"

#include <string>

inline bool KeepAnchor(const CString& strProduct, const CString& strFolder, const std::string& strDigests,
                       int nRoot = kRootLocalMachine)
{
    CAnchorKeeper keeper;
    bool bMadeKey = false;
    return keeper.Open(strProduct, strFolder, nRoot, &bMadeKey) && keeper.Keep(strDigests);
}

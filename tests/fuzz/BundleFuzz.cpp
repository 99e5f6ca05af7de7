// libFuzzer target: arbitrary bytes as a downloaded bundle, read as the launcher reads its own
// file before it unpacks anything.
//
// Checked here beyond what the sanitizers catch: every read stays inside the file; a refused
// table leaves no entries behind; an accepted one holds only names that may be unpacked (at most one folder level, nothing that
// leaves the folder), and files that lie one after the other inside the file.
#include "BundleFormat.h"

#include <cstdlib>
#include <cstring>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (size > 0xFFFFFFFFu) return 0;
    zrv::BundleRead read = [data, size](uint32_t offset, void* buffer, uint32_t n) {
        if (offset > size || n > size - offset) std::abort();
        std::memcpy(buffer, data + offset, n);
        return true;
    };
    std::vector<zrv::BundleEntry> entries;
    if (zrv::ReadBundleTable(read, uint32_t(size), entries) != zrv::BundleFault::none) {
        if (!entries.empty()) std::abort();
        return 0;
    }
    for (size_t i = 0; i < entries.size(); ++i) {
        const zrv::BundleEntry& e = entries[i];
        if (zrv::CheckBundleName(e.strName) || uint64_t(e.nOffset) + e.nSize > size) std::abort();
        if (i > 0 && entries[i - 1].nOffset + entries[i - 1].nSize != e.nOffset) std::abort();
    }
    return 0;
}

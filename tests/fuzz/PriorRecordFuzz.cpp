// libFuzzer target: arbitrary bytes as Install.prior, which an elevated uninstaller reads, and as
// the earlier log and record that an installation over an earlier one reads.
//
// Checked here beyond what the sanitizers catch: a refusal names a line within the input and a
// reason; an accepted record, written out again, reads back to the same state.
#include "EarlierInstallation.h"
#include "PriorRecord.h"

#include <cstdlib>
#include <string>

namespace {

class MemoryFile : public CFile {
public:
    void Write(const void* lpBuf, UINT nCount) override { m_strData.append(static_cast<const char*>(lpBuf), nCount); }
    std::string m_strData;
};

bool Same(const PriorState& a, const PriorState& b)
{
    if (a.bTargetHeldFiles != b.bTargetHeldFiles || a.directories != b.directories || a.keys.size() != b.keys.size() ||
        a.values.size() != b.values.size())
        return false;
    for (size_t i = 0; i < a.keys.size(); ++i)
        if (a.keys[i].nRoot != b.keys[i].nRoot || a.keys[i].strPath != b.keys[i].strPath) return false;
    for (size_t i = 0; i < a.values.size(); ++i) {
        const PriorValue &x = a.values[i], &y = b.values[i];
        if (x.nRoot != y.nRoot || x.strKey != y.strKey || x.strName != y.strName || x.dwOldType != y.dwOldType ||
            x.oldData != y.oldData || x.dwNewType != y.dwNewType || x.newData != y.newData)
            return false;
    }
    return true;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const char* p = reinterpret_cast<const char*>(data);
    PriorState state;
    PriorDamage damage;
    if (!ParsePriorRecord(p, size, state, damage)) {
        if (damage.nLine < 1 || size_t(damage.nLine) > size + 1 || damage.strReason.empty()) std::abort();
    } else {
        MemoryFile file;
        PriorRecordWriter writer(&file);
        writer.Header();
        if (state.bTargetHeldFiles) writer.TargetHeldFiles();
        for (const std::string& d : state.directories) writer.Directory(d);
        for (const PriorKey& k : state.keys) writer.Key(k.nRoot, k.strPath);
        for (const PriorValue& v : state.values) writer.Value(v);
        PriorState again;
        if (!ParsePriorRecord(file.m_strData.data(), file.m_strData.size(), again, damage) || !Same(state, again))
            std::abort();
    }
    // The same bytes as an earlier installation's log and record, split anywhere.
    const std::string text(p, size);
    const size_t cut = size ? data[0] % (size + 1) : 0;
    EarlierInstallation earlier;
    earlier.Load(text.substr(0, cut), text.substr(cut));
    earlier.ListsDirectory("a");
    earlier.ListsKey(2, "Software");
    earlier.ListsValue(1, "Software", "");
    return 0;
}

// libFuzzer target: arbitrary bytes as a decompressed payload stream, read entry by entry with
// the strict reader that the author's tool uses, under the installer's entry-name rules.
//
// Checked here beyond what the sanitizers catch: every accepted name stays inside the target
// directory (no empty, "." or ".." component, no other separator, drive or control character, and
// under the buffer's limit); its spelling on the authoring host turns back into the same bytes, so
// two stored names never become one file there; the sizes never take more than the total; and
// the reader throws nothing but its own error.
#include "AfxCodePage.h"
#include "EntryName.h"
#include "Payload.h"

#include <cstring>
#include <string>

namespace {

// A read-only CFile over the fuzzer's bytes.
class MemoryFile : public CFile {
public:
    MemoryFile(const uint8_t* data, size_t size) : m_data(data), m_size(size) {}
    UINT Read(void* lpBuf, UINT nCount) override
    {
        size_t n = std::min<size_t>(nCount, m_size - m_pos);
        if (n) std::memcpy(lpBuf, m_data + m_pos, n);
        m_pos += n;
        return UINT(n);
    }

private:
    const uint8_t* m_data;
    size_t m_size;
    size_t m_pos = 0;
};

bool StaysInside(const std::string& stored)
{
    std::string path = stored[0] == '\\' ? stored.substr(1) : stored;
    if (path.empty() || path.size() >= kEntryNameBufferSize) return false;
    size_t start = 0;
    for (;;) {
        size_t end = path.find('\\', start);
        std::string part = path.substr(start, end == std::string::npos ? std::string::npos : end - start);
        if (part.empty() || part == "." || part == "..") return false;
        if (end == std::string::npos) break;
        start = end + 1;
    }
    for (unsigned char ch : path)
        if (ch < 32 || ch == '/' || ch == ':') return false;
    return true;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    MemoryFile source(data, size);
    PayloadReader reader(source);
    char buffer[4096];
    try {
        const uint32_t total = reader.ReadTotal();
        uint64_t sizes = 0;
        PayloadEntry entry;
        while (reader.NextEntry(entry)) {
            if (!StaysInside(entry.name)) __builtin_trap();
            std::string back;
            if (!Utf8ToCp1252(Cp1252ToUtf8(entry.name), back) || back != entry.name)
                __builtin_trap();
            sizes += entry.nSize;
            if (sizes > total) __builtin_trap();
            for (uint32_t left = entry.nSize; left > 0;) {
                uint32_t n = std::min<uint32_t>(left, sizeof buffer);
                reader.ReadData(buffer, n);
                left -= n;
            }
        }
        if (reader.GetRemaining() != 0) __builtin_trap();
    } catch (const PayloadError&) {
    }
    return 0;
}

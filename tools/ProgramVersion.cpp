#include "ProgramVersion.h"

#include "BundleFormat.h"
#include "HostFile.h"
#include "ToolCommon.h"

#include <cstring>
#include <fstream>
#include <vector>

namespace zrvtool {

const char* ArchName(WindowsArch arch)
{
    return arch == WindowsArch::x64 ? "x64" : "x86";
}

WindowsArch ParseArch(const std::string& text)
{
    if (text == "x86") return WindowsArch::x86;
    if (text == "x64") return WindowsArch::x64;
    throw ToolError("--arch '" + text + "': give x86 (32-bit Windows, the default) or x64 (64-bit Windows)");
}

std::string ArchSummary(WindowsArch arch)
{
    return arch == WindowsArch::x64 ? "x64 (64-bit Windows; the registry's 64-bit view)" : "x86 (32-bit Windows)";
}

std::string ProductVersionOf(const unsigned char* pData, size_t nSize)
{
    // In a version resource each string is a block: its length, its value's length and its type
    // (three 16-bit words), the key in UTF-16 with its NUL, padding to 32 bits from the block's
    // start, then the value in UTF-16.
    static const char kKey[] = "ProductVersion";
    const size_t keyBytes = sizeof kKey * 2;  // with the NUL
    unsigned char key[sizeof kKey * 2];
    for (size_t i = 0; i < sizeof kKey; ++i) {
        key[2 * i] = static_cast<unsigned char>(kKey[i]);
        key[2 * i + 1] = 0;
    }
    if (!pData || nSize < keyBytes + 6) return "";
    for (size_t at = 6; at + keyBytes <= nSize; ++at) {
        if (std::memcmp(pData + at, key, keyBytes) != 0) continue;
        size_t block = at - 6;
        size_t value = at + keyBytes;
        while ((value - block) % 4 != 0) ++value;
        std::string text;
        for (; value + 1 < nSize && (pData[value] || pData[value + 1]) && text.size() < 64; value += 2)
            text += pData[value + 1] == 0 && pData[value] >= 0x20 && pData[value] < 0x7F ? char(pData[value]) : '?';
        return text;
    }
    return "";
}

std::optional<WindowsArch> MachineOf(const unsigned char* pData, size_t nSize)
{
    // The machine is the word after "PE\0\0".
    size_t pe = zrv::PeHeaderOffset(pData, nSize);
    if (pe == 0) return std::nullopt;
    switch (unsigned(pData[pe + 4]) | unsigned(pData[pe + 5]) << 8) {
    case 0x014C: return WindowsArch::x86;
    case 0x8664: return WindowsArch::x64;
    default: return std::nullopt;
    }
}

std::optional<WindowsArch> MachineOfFile(const std::string& path)
{
    // The headers sit within the first few kilobytes of any program we make.
    std::ifstream in(zrv::HostPath(path), std::ios::binary);
    std::vector<unsigned char> head(4096);
    in.read(reinterpret_cast<char*>(head.data()), std::streamsize(head.size()));
    return MachineOf(head.data(), size_t(in.gcount()));
}

}  // namespace zrvtool

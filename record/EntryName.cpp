#include "EntryName.h"

#include "AfxCodePage.h"
#include "AfxString.h"

#include <cstdint>
#include <cstring>

namespace {

bool EqualsNoCase(const char* p, size_t n, const char* word) { return AfxEqualNoCase(p, n, word, std::strlen(word)); }

// The component's part before its first dot, without trailing blanks, names a device.
bool IsDeviceName(const char* p, size_t n)
{
    const char* dot = static_cast<const char*>(std::memchr(p, '.', n));
    if (dot) n = size_t(dot - p);
    while (n > 0 && p[n - 1] == ' ') --n;
    static const char* const kDevices[] = {"CON", "PRN", "AUX", "NUL", "CONIN$", "CONOUT$"};
    for (const char* d : kDevices)
        if (EqualsNoCase(p, n, d)) return true;
    if (n == 4 && (EqualsNoCase(p, 3, "COM") || EqualsNoCase(p, 3, "LPT"))) {
        // Windows also takes the superscript digits one to three of the code page as port numbers.
        unsigned char digit = static_cast<unsigned char>(p[3]);
        return (digit >= '1' && digit <= '9') || digit == 0xB9 || digit == 0xB2 || digit == 0xB3;
    }
    return false;
}

const char* CheckComponent(const char* p, size_t n)
{
    if (n == 0) return "empty path component";
    if (p[n - 1] == '.') return "path component ends in a dot";
    if (p[n - 1] == ' ') return "path component ends in a blank";
    if (IsDeviceName(p, n)) return "device name as path component";
    return nullptr;
}

}  // namespace

const char kEntryPathTooLong[] = "longer than 255 bytes";
const char kEntryNameNotUtf8[] = "not UTF-8, which the medium declares its names to be";

const char* CheckEntryPath(const std::string& strPath)
{
    if (strPath.size() >= kEntryNameBufferSize) return kEntryPathTooLong;
    // The buffer's name would end there, short of the path the text holds.
    if (strPath.find('\0') != std::string::npos) return "a zero byte inside the name";
    char buffer[kEntryNameBufferSize] = {};
    std::memcpy(buffer, strPath.data(), strPath.size());
    return CheckEntryName(buffer, sizeof buffer);
}

const char* CheckEntryName(const char* buffer, size_t nSize)
{
    const char* end = static_cast<const char*>(std::memchr(buffer, '\0', nSize));
    if (!end) return "no end within 256 bytes";
    const char* p = buffer;
    if (*p == '\\') ++p;  // a directory entry
    if (p == end) return "empty name";
    for (const char* q = p; q < end; ++q) {
        unsigned char ch = static_cast<unsigned char>(*q);
        if (ch == '/') return "forward slash";
        if (ch == ':') return "drive or colon";
        if (ch < 32) return "control character";
        if (std::strchr("<>\"|?*", ch)) return "character not allowed in file names";
    }
    const char* start = p;
    for (const char* q = p;; ++q) {
        if (q == end || *q == '\\') {
            if (const char* why = CheckComponent(start, size_t(q - start))) return why;
            if (q == end) break;
            start = q + 1;
        }
    }
    return nullptr;
}

namespace {

void AppendEscaped(std::string& out, unsigned char b)
{
    static const char kHex[] = "0123456789abcdef";
    out += "\\x";
    out += kHex[b >> 4];
    out += kHex[b & 15];
}

}  // namespace

std::string EscapeControls(const std::string& text, bool bUtf8)
{
    std::string out;
    const unsigned char* p = reinterpret_cast<const unsigned char*>(text.data());
    const size_t n = text.size();
    for (size_t i = 0; i < n;) {
        const unsigned char b = p[i];
        size_t len = 1;
        bool escape = b < 32 || b == 127;
        if (!bUtf8) {
            escape = escape || b == 0x81 || b == 0x8D || b == 0x8F || b == 0x90 || b == 0x9D;
        } else if (b >= 0x80) {
            size_t next = i;
            uint32_t cp = 0;
            len = AfxNextCodePoint(text, next, cp) ? next - i : 0;
            // C1 controls are U+0080 to U+009F: C2 80 to C2 9F.
            escape = len == 0 || (len == 2 && b == 0xC2 && p[i + 1] < 0xA0);
            if (escape) len = len == 0 ? 1 : len;
        }
        if (!escape) {
            out.append(text, i, len);
        } else {
            for (size_t k = 0; k < len; ++k) AppendEscaped(out, p[i + k]);
        }
        i += len;
    }
    return out;
}

#include "EntryName.h"

#include <cstring>

namespace {

char Upper(char ch) { return (ch >= 'a' && ch <= 'z') ? char(ch - 'a' + 'A') : ch; }

bool EqualsNoCase(const char* p, size_t n, const char* word)
{
    if (std::strlen(word) != n) return false;
    for (size_t i = 0; i < n; ++i)
        if (Upper(p[i]) != word[i]) return false;
    return true;
}

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

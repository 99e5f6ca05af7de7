#include "ScriptText.h"

#include <algorithm>
#include <cstdio>

namespace zrvtool {

std::vector<TextLine> SplitLines(const std::string& text)
{
    std::vector<TextLine> lines;
    size_t start = 0;
    while (start < text.size()) {
        size_t lf = text.find('\n', start);
        TextLine line;
        line.nOffset = start;
        if (lf == std::string::npos) {
            line.strText = text.substr(start);
            lines.push_back(line);
            break;
        }
        line.bLf = true;
        line.bCrLf = lf > start && text[lf - 1] == '\r';
        line.strText = text.substr(start, lf - start - (line.bCrLf ? 1 : 0));
        lines.push_back(line);
        start = lf + 1;
    }
    return lines;
}

int LineNumberAt(const std::vector<TextLine>& lines, size_t offset)
{
    auto after = std::upper_bound(lines.begin(), lines.end(), offset,
                                  [](size_t off, const TextLine& line) { return off < line.nOffset; });
    return int(after - lines.begin());
}

}  // namespace zrvtool

namespace zrvtool {

std::string DescribeKey(const std::string& strRoot, const std::string& strPath) { return "key " + strRoot + "\\" + strPath; }

std::string DescribeValue(const std::string& strName, unsigned long dwType, const std::vector<unsigned char>& data)
{
    std::string out = "value \"" + strName + "\" ";
    char buf[16];
    if (dwType == 1 && !data.empty() && data.back() == 0)
        return out + "REG_SZ \"" + std::string(data.begin(), data.end() - 1) + "\"";
    if (dwType == 4 && data.size() == 4) {
        unsigned long dw = data[0] | data[1] << 8 | data[2] << 16 | (unsigned long)data[3] << 24;
        std::snprintf(buf, sizeof buf, "0x%08lx", dw);
        return out + "REG_DWORD " + buf;
    }
    out += dwType == 3 ? std::string("REG_BINARY") : "type " + std::to_string(dwType);
    for (size_t i = 0; i < data.size(); ++i) {
        std::snprintf(buf, sizeof buf, "%s%02x", i ? "," : " ", data[i]);
        out += buf;
    }
    return out;
}

}  // namespace zrvtool

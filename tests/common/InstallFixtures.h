// The disk images that the installation worker's tests run over. The host program
// make_install_images writes them (with the real compressor and volume writer); the Windows tests
// recompute from here what each run must produce.
#pragma once

#include "Payload.h"

#include <cstdint>
#include <string>
#include <vector>

namespace fixtures {

// Deterministic content: a pattern that compresses a little but not to nothing.
inline std::string Content(uint32_t nSize, uint32_t nSeed)
{
    std::string s(nSize, '\0');
    uint32_t x = nSeed * 2654435761u + 1;
    for (uint32_t i = 0; i < nSize; ++i) {
        x = x * 1103515245u + 12345u;
        s[i] = (i % 7 == 3) ? char('a' + i % 26) : char(x >> 24);
    }
    return s;
}

// The tree that make_install_images packs as `zrvtool pack` does, host names in UTF-8.
struct TreeFile {
    const char* hostPath;  // below the tree's root, '/'-separated; a trailing '/' marks a directory
    uint32_t nSize;
    uint32_t nSeed;
};
inline const std::vector<TreeFile>& MainTree()
{
    static const std::vector<TreeFile> tree = {
        {"readme.txt", 31, 1},       {"docs/", 0, 0},       {"docs/manual.txt", 10000, 2},
        {"docs/sub/", 0, 0},         {"docs/sub/data.bin", 70001, 3},
        {"Zeta/", 0, 0},             {"Zeta/none.dat", 0, 0}, {"Zeta/caf\xc3\xa9.txt", 100, 4},
        {"empty.txt", 0, 0},
    };
    return tree;
}

// The entries of the packed main tree in stream order, stored names in the installer's code page:
// directories in path order (bytes compared), then empty files and then the other files, each
// group by extension and then path.
struct StoredEntry {
    std::string name;
    uint32_t nSize;
    uint32_t nSeed;
};
inline std::vector<StoredEntry> MainStream()
{
    return {
        {"\\Zeta", 0, 0},          {"\\docs", 0, 0},           {"\\docs\\sub", 0, 0},
        {"Zeta\\none.dat", 0, 0},  {"empty.txt", 0, 0},        {"docs\\sub\\data.bin", 70001, 3},
        {"Zeta\\caf\xe9.txt", 100, 4}, {"docs\\manual.txt", 10000, 2}, {"readme.txt", 31, 1},
    };
}
const uint32_t kMainVolumeSize = 30000;  // volume file size: the main image spans several volumes

// The stored form of a Setup.ini text: each byte after the first XOR the stored byte before it.
inline std::string Chained(const std::string& text)
{
    std::string stored = text;
    for (size_t k = 1; k < stored.size(); ++k) stored[k] = char(text[k] ^ stored[k - 1]);
    return stored;
}

// A raw payload stream, for the images that no author's tool would write.
struct RawImage {
    std::string name;  // the image's first volume is <name>.001
    std::string stream;
};

inline std::string Stream(uint32_t nTotal, std::initializer_list<StoredEntry> entries)
{
    std::string s;
    PayloadBuilder::AppendTotal(s, nTotal);
    for (const StoredEntry& e : entries) {
        if (e.name[0] == '\\') {
            PayloadBuilder::AppendDirectory(s, e.name);
        } else {
            PayloadBuilder::AppendFileHeader(s, e.name, e.nSize);
            s += Content(e.nSize, e.nSeed);
        }
    }
    return s;
}

const uint32_t kBigSize = 6u * 1024 * 1024;

// The folder of the images directory (made by make_install_images) in which f.txt opens for
// writing but refuses every write.
const char kWriteErrorTarget[] = "write-error";

// Names that would leave the target directory or name a device; each image holds one of them as
// its first entry, with a size of 1 byte for a file.
inline const std::vector<std::string>& HostileNames()
{
    static const std::vector<std::string> names = {
        "..\\escaped.txt",  "\\..",          "\\sub\\..\\..\\escaped", "sub\\..\\..\\escaped.txt",
        "C:\\escaped.txt",  "C:escaped.txt", "\\\\escaped",            "/escaped.txt",
        "sub/escaped.txt",  "nul.txt",       "CON",                    "\\Lpt1",
        "com9.log",         "aux.",          "dots...",                "trail ",
        "a\\\\b.txt",       "ok\\",          "\\",                     "",
        "file:stream",      "what?.txt",     "tab\there",
    };
    return names;
}

// The image name of hostile name number i.
inline std::string HostileImage(size_t i) { return "hostile" + std::to_string(i); }

inline std::vector<RawImage> RawImages()
{
    std::vector<RawImage> images = {
        {"zero", Stream(0, {})},
        // Names in UTF-8, for a medium that says CodePage=65001: a Chinese folder and file, a
        // Polish file; and a name that is not UTF-8 (a Windows-1252 byte).
        {"utf8", Stream(20, {{"\\\xe5\xbc\xa0", 0, 0}, {"\xe5\xbc\xa0\\\xe4\xbc\x9f.txt", 12, 21},
                             {"\xc5\x81\xc3\xb3" "d\xc5\xba.txt", 8, 22}})},
        {"utf8-bad", Stream(5, {{"caf\xe9.txt", 5, 23}})},
        {"missingparent", Stream(3, {{"\\a\\b", 0, 0}, {"x.txt", 3, 5}})},
        // The total claims more than the entries hold: the stream ends where an entry should be.
        {"over", Stream(100, {{"f.txt", 10, 6}})},
        // A file larger than what is left of the total.
        {"under", Stream(5, {{"f.txt", 10, 6}})},
        // The total is used up between two entries: the second is never read.
        {"short", Stream(5, {{"a.txt", 5, 7}, {"b.txt", 3, 8}})},
        {"big", Stream(kBigSize + 1, {{"first.txt", 1, 9}, {"big.bin", kBigSize, 10}})},
        {"target", Stream(12, {{"\\d", 0, 0}, {"d\\f.txt", 12, 11}})},
        // A file whose folder was never listed: its open fails with a bad path.
        {"nofolder", Stream(3, {{"sub\\x.txt", 3, 5}})},
        // The stream ends inside the second entry's name.
        {"inname", Stream(100, {{"f.txt", 10, 6}}) + "g.t"},
        // Entries that would replace the medium's own files when the target is the medium's folder.
        {"medium-ini", Stream(3, {{"Setup.ini", 3, 12}})},
        {"medium-case", Stream(3, {{"a.txt", 1, 12}, {"sETUP.INI", 2, 12}})},
        {"medium-volume", Stream(3, {{"disk.002", 3, 12}})},
        {"medium-self", Stream(3, {{"disk.001", 3, 12}})},
        {"medium-link", Stream(3, {{"alias.txt", 3, 12}})},
        {"medium-escaped", Stream(3, {{"al\x7f" "ias.txt", 3, 12}})},
        {"medium-folder", Stream(3, {{"\\disk.002", 0, 0}, {"x.txt", 3, 12}})},
        {"medium-later", Stream(3, {{"disk.1000", 3, 12}})},
        // Names of the volumes' stem that the reader never opens after disk.001.
        {"medium-near", Stream(9, {{"disk.000", 3, 12}, {"disk.0001", 3, 13}, {"disk.2000", 3, 14}})},
        // Written into kWriteErrorTarget, where its data cannot be written.
        {"writeerror", Stream(3, {{"f.txt", 3, 5}})},
    };
    // The stream ends in the middle of a file's data: the file is left half-written.
    std::string cut;
    PayloadBuilder::AppendTotal(cut, 10);
    PayloadBuilder::AppendFileHeader(cut, "f.txt", 10);
    cut += Content(6, 6);
    images.push_back({"cut", cut});
    const std::vector<std::string>& hostile = HostileNames();
    for (size_t i = 0; i < hostile.size(); ++i) {
        std::string s;
        PayloadBuilder::AppendTotal(s, 1);
        if (!hostile[i].empty() && hostile[i][0] == '\\') {
            PayloadBuilder::AppendDirectory(s, hostile[i]);
            PayloadBuilder::AppendFileHeader(s, "ok.txt", 1);
        } else {
            PayloadBuilder::AppendFileHeader(s, hostile[i], 1);
        }
        s += "X";
        images.push_back({HostileImage(i), s});
    }
    // A name without its zero byte within 256 bytes.
    std::string unterminated;
    PayloadBuilder::AppendTotal(unterminated, 1);
    unterminated += std::string(300, 'A');
    images.push_back({"unterminated", unterminated});
    return images;
}


}  // namespace fixtures

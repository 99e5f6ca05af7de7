#include "PackPlan.h"

#include "AfxCodePage.h"
#include "EmbeddedPrograms.h"
#include "ProgramVersion.h"
#include "EntryName.h"
#include "Payload.h"
#include "ToolCommon.h"

#include <algorithm>
#include <fstream>
#include <map>

namespace fs = std::filesystem;

namespace zrvtool {
namespace {

std::string Quoted(const std::string& name) { return "'" + name + "'"; }

PackItem MakeItem(const fs::path& root, const fs::directory_entry& entry)
{
    PackItem item;
    item.hostPath = entry.path();
    fs::path rel = BelowRoot(root, entry.path());
    item.displayName = rel.generic_u8string();
    fs::file_status st = entry.symlink_status();
    if (fs::is_symlink(st))
        throw ToolError(Quoted(item.displayName) + ": symbolic links cannot be packed; replace it by what it points to");
    if (fs::is_directory(st)) {
        item.bDirectory = true;
    } else if (fs::is_regular_file(st)) {
        item.nSize = entry.file_size();
    } else {
        throw ToolError(Quoted(item.displayName) + ": not a regular file or directory");
    }
    for (const fs::path& part : rel) {
        if (part.u8string().find('\\') != std::string::npos)
            throw ToolError(Quoted(item.displayName) + ": a backslash in a name would split it into directories on Windows");
        item.hostComponents.push_back(part.u8string());
    }
    return item;
}

// True when some component of item is UTF-8 that Windows-1252 cannot write. (A host name that is
// not UTF-8 at all no code page of the installer holds: PlanPack refuses it.)
bool NeedsUtf8(const PackItem& item)
{
    std::string converted;
    for (const std::string& part : item.hostComponents)
        if (IsUtf8(part) && !Utf8ToCp1252(part, converted)) return true;
    return false;
}

// The stored name of item in cp, checked as the installer checks it.
void StoreName(PackItem& item, CodePage cp, bool bForced)
{
    for (const std::string& part : item.hostComponents) {
        std::string converted;
        if (StoredNameOf(part, cp, converted)) {
            item.components.push_back(converted);
            continue;
        }
        if (!IsUtf8(part))
            throw ToolError(Quoted(item.displayName) + ": name cannot be written in the installer's code page (Windows-1252)" +
                            (cp == CodePage::utf8 ? " nor in UTF-8: it is not UTF-8 on this host" : ""));
        throw ToolError(Quoted(item.displayName) + ": name cannot be written in the installer's code page (Windows-1252)" +
                        (bForced ? "; it needs UTF-8 (--code-page utf-8 or auto, CodePage=65001 in Setup.ini)" : ""));
    }
    std::string joined;
    for (const std::string& c : item.components) joined += (joined.empty() ? "" : "\\") + c;
    item.storedName = item.bDirectory ? "\\" + joined : joined;
    if (item.storedName.size() > 255)
        throw ToolError(Quoted(item.displayName) + ": stored name is longer than 255 bytes");
    if (const char* why = CheckEntryPath(item.storedName))
        throw ToolError(Quoted(item.displayName) + ": the installer refuses this name (" + why + ")");
}

int Group(const PackItem& item) { return item.bDirectory ? 0 : item.nSize == 0 ? 1 : 2; }

// A file's extension without letter case: what follows the last dot of its name, unless that dot
// begins the name. Files of one kind side by side give the block sorter longer common contexts.
std::string Extension(const PackItem& item, CodePage cp)
{
    const std::string& name = item.components.back();
    size_t dot = name.rfind('.');
    return dot == std::string::npos || dot == 0 ? std::string() : FoldCase(name.substr(dot + 1), cp);
}

}  // namespace

namespace {

std::vector<PackItem> WalkTree(const fs::path& srcDir)
{
    std::error_code ec;
    if (!fs::is_directory(fs::symlink_status(srcDir, ec)))
        throw ToolError(Quoted(srcDir.string()) + ": not a directory");
    std::vector<PackItem> items;
    fs::recursive_directory_iterator it(srcDir, fs::directory_options::none, ec);
    if (ec) throw ToolError(Quoted(srcDir.string()) + ": " + ec.message());
    for (; it != fs::recursive_directory_iterator(); it.increment(ec)) {
        if (ec) throw ToolError(Quoted(srcDir.string()) + ": " + ec.message());
        items.push_back(MakeItem(srcDir, *it));
    }
    if (ec) throw ToolError(Quoted(srcDir.string()) + ": " + ec.message());
    return items;
}

bool AnyNeedsUtf8(const std::vector<PackItem>& items)
{
    for (const PackItem& item : items)
        if (NeedsUtf8(item)) return true;
    return false;
}

}  // namespace

std::string NameNeedingUtf8(const fs::path& srcDir)
{
    for (const PackItem& item : WalkTree(srcDir))
        if (NeedsUtf8(item)) return item.displayName;
    return "";
}

PackPlan PlanPack(const fs::path& srcDir, CodePageChoice choice)
{
    PackPlan plan;
    plan.items = WalkTree(srcDir);
    plan.bNeedsUtf8 = AnyNeedsUtf8(plan.items);
    plan.codePage = choice == CodePageChoice::utf8 || (choice == CodePageChoice::automatic && plan.bNeedsUtf8)
                        ? CodePage::utf8
                        : CodePage::cp1252;
    for (PackItem& item : plan.items) StoreName(item, plan.codePage, choice == CodePageChoice::cp1252);

    // Directories in path order, so each follows its parent; files by extension, then path.
    for (PackItem& item : plan.items)
        if (!item.bDirectory) item.sortKey = Extension(item, plan.codePage);
    std::sort(plan.items.begin(), plan.items.end(), [](const PackItem& a, const PackItem& b) {
        if (Group(a) != Group(b)) return Group(a) < Group(b);
        if (a.sortKey != b.sortKey) return a.sortKey < b.sortKey;
        return a.components < b.components;
    });

    std::map<std::string, std::string> seen;
    uint64_t total = 0;
    for (const PackItem& item : plan.items) {
        auto [pos, fresh] = seen.emplace(FoldCase(item.storedName.substr(item.bDirectory ? 1 : 0), plan.codePage),
                                         item.displayName);
        if (!fresh)
            throw ToolError(Quoted(item.displayName) + " and " + Quoted(pos->second) +
                            ": names that differ only in letter case are the same on Windows");
        total += item.nSize;
        if (total > 0xFFFFFFFFull)
            throw ToolError(Quoted(item.displayName) + ": the payload would exceed 4294967295 bytes, the most one image can hold");
    }
    if (total == 0)
        throw ToolError(Quoted(srcDir.string()) + ": holds no non-empty file; the installer would read no entry of it");
    plan.nTotal = uint32_t(total);
    return plan;
}

void AddRootFile(PackPlan& plan, const std::string& name, const unsigned char* pData, size_t nSize)
{
    for (const PackItem& item : plan.items)
        if (item.components.size() == 1 && FoldCase(item.components[0], plan.codePage) == FoldCase(name, plan.codePage))
            throw ToolError(Quoted(item.displayName) + ": the tree has its own " + name +
                            " at its root; give --no-uninstaller to ship it instead of the one the tool carries");
    if (uint64_t(plan.nTotal) + nSize > 0xFFFFFFFFull)
        throw ToolError(Quoted(name) + ": the payload would exceed 4294967295 bytes, the most one image can hold");
    PackItem item;
    item.displayName = name;
    item.components = {name};
    item.storedName = name;
    item.nSize = nSize;
    item.pData = pData;
    auto firstFile = std::find_if(plan.items.begin(), plan.items.end(), [](const PackItem& i) { return !i.bDirectory; });
    plan.items.insert(firstFile, item);
    plan.nTotal += uint32_t(nSize);
}

std::vector<Option> PackOptions()
{
    return {{"--block-size", "1-255", [](const std::string& v) { ParseBlockSize(v); }},
            {"--volume-size", "SIZE", [](const std::string& v) { ParseSize(v); }},
            {"--threads", "N", [](const std::string& v) { ParseThreads(v); }},
            {"--no-uninstaller", nullptr, nullptr},
            {"--arch", "x86|x64", [](const std::string& v) { ParseArch(v); }},
            CodePageOption()};
}

PackWriterOptions PackOptionsOf(const CommandLine& line)
{
    PackWriterOptions options;
    if (line.Has("--block-size")) options.nBlockSize = ParseBlockSize(line.Value("--block-size"));
    if (line.Has("--volume-size")) options.nVolumeSize = ParseSize(line.Value("--volume-size"));
    if (line.Has("--threads")) options.nThreads = ParseThreads(line.Value("--threads"));
    options.bUninstaller = !line.Has("--no-uninstaller");
    if (line.Has("--arch")) options.arch = ParseArch(line.Value("--arch"));
    options.codePage = CodePageChoiceOf(line);
    return options;
}

void AddCarriedUninstaller(PackPlan& plan, WindowsArch arch)
{
    const EmbeddedProgram& program = EmbeddedUninstaller(arch);
    if (!program.pData)
        throw ToolError(std::string("this zrvtool was built without the ") + ArchName(arch) +
                        " uninstaller it puts into every image; "
                        "give --no-uninstaller or use a zrvtool built with the Windows side");
    AddRootFile(plan, program.pszName, program.pData, program.nSize);
}

void WritePayload(const PackPlan& plan, const std::function<void(const void*, size_t)>& sink)
{
    std::string head;
    PayloadBuilder::AppendTotal(head, plan.nTotal);
    std::vector<char> buffer(1 << 16);
    for (const PackItem& item : plan.items) {
        if (item.bDirectory) {
            PayloadBuilder::AppendDirectory(head, item.storedName);
            continue;
        }
        PayloadBuilder::AppendFileHeader(head, item.storedName, uint32_t(item.nSize));
        sink(head.data(), head.size());
        head.clear();
        if (item.pData) {
            sink(item.pData, size_t(item.nSize));
            continue;
        }
        std::ifstream in(item.hostPath, std::ios::binary);
        if (!in) throw ToolError(Quoted(item.displayName) + ": cannot be read");
        uint64_t left = item.nSize;
        while (left > 0) {
            size_t want = size_t(std::min<uint64_t>(left, buffer.size()));
            in.read(buffer.data(), std::streamsize(want));
            if (size_t(in.gcount()) != want) throw ToolError(Quoted(item.displayName) + ": changed while being packed");
            sink(buffer.data(), want);
            left -= want;
        }
        if (in.peek() != std::char_traits<char>::eof())
            throw ToolError(Quoted(item.displayName) + ": changed while being packed");
    }
    if (!head.empty()) sink(head.data(), head.size());
}

}  // namespace zrvtool

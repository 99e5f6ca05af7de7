// zrvtool pack | list | extract: images that hold an installer's payload stream.
#include "Commands.h"

#include "BundleReading.h"

#include "ArchiveFile.h"
#include "ArchivePrompt.h"
#include "AfxCodePage.h"
#include "EntryName.h"
#include "PackPlan.h"
#include "Payload.h"

#include "HostFile.h"
#include "ToolSystem.h"

#include <cerrno>
#include <cstring>
#include <iostream>
#include <memory>
#include <optional>
#include <sstream>

namespace fs = std::filesystem;

namespace zrvtool {
namespace {

// The reader's prompt: its first text becomes the command's error. A missing volume is not
// looked for again.
class ReaderMessages : public CArchivePrompt {
public:
    void Tell(const CString& strText) override { keep(strText); }
    bool AskRetry(const CString& strText) override
    {
        keep(strText);
        return false;
    }

    // The first text the reader told, on one line, or fallback when it told none.
    std::string Text(const std::string& fallback) const
    {
        if (m_text.empty()) return fallback;
        std::string line;
        for (char ch : m_text) {
            bool blank = ch == '\t' || ch == '\n' || ch == '\r' || ch == ' ';
            if (blank && (line.empty() || line.back() == ' ')) continue;
            line += blank ? ' ' : ch;
        }
        while (!line.empty() && line.back() == ' ') line.pop_back();
        return line;
    }

private:
    void keep(const CString& strText)
    {
        if (m_text.empty()) m_text = strText.GetString();
    }

    std::string m_text;
};

// Reads an image's payload, calling onEntry for each entry; for a file, onData receives its data
// in pieces. Reader and stream errors become ToolError.
template <class OnEntry, class OnData>
uint32_t ReadPayload(const std::string& image, bool secondThread, OnEntry onEntry, OnData onData)
{
    ReaderMessages messages;
    CFileException error;
    auto archive = std::make_unique<CArchiveFile>(&messages);
    archive->SetSecondThread(secondThread);
    try {
        if (!archive->Open(ReaderPath(image).c_str(), CFile::typeBinary, &error))
            throw ToolError(messages.Text("cannot open '" + image + "'"));
        PayloadReader reader(*archive);
        uint32_t total = reader.ReadTotal();
        PayloadEntry entry;
        std::vector<char> buffer(4096);
        while (reader.NextEntry(entry)) {
            onEntry(entry);
            for (uint32_t left = entry.nSize; left > 0;) {
                uint32_t n = left < buffer.size() ? left : uint32_t(buffer.size());
                reader.ReadData(buffer.data(), n);
                onData(buffer.data(), n);
                left -= n;
            }
        }
        return total;
    } catch (CFileException* e) {
        e->Delete();
        throw ToolError(messages.Text("'" + image + "': read error"));
    } catch (const PayloadError& e) {
        throw ToolError("'" + image + "': " + e.what());
    }
}

// The host spelling of a stored name: UTF-8, components joined by slashes.
std::string HostName(const std::string& stored, CodePage cp)
{
    std::string name = HostNameOf(stored[0] == '\\' ? stored.substr(1) : stored, cp);
    for (char& ch : name)
        if (ch == '\\') ch = '/';
    return name;
}

// A host name as a line of output shows it: with nothing a terminal would act on.
std::string Shown(const std::string& stored, CodePage cp) { return EscapeControls(HostName(stored, cp), true); }

// True when a name holds one of the five bytes that Windows-1252 leaves undefined: no text written
// in that code page does.
bool HoldsUndefinedCp1252(const std::vector<std::string>& names)
{
    for (const std::string& name : names)
        if (name.find_first_of("\x81\x8D\x8F\x90\x9D") != std::string::npos) return true;
    return false;
}

// The code page an image's names are read in: an image alone does not say, its Setup.ini does.
// Without --code-page, Windows-1252, as every image made before UTF-8; with --code-page auto, UTF-8
// when the names read so (valid UTF-8 with a multibyte sequence), else Windows-1252. One note on
// stderr when names read as one code page look like the other.
CodePage ReadingCodePage(const CommandLine& line, const std::string& image, const std::vector<std::string>& names)
{
    CodePageChoice choice = CodePageChoiceOf(line);
    bool bLookUtf8 = NamesLookUtf8(names);
    if (choice == CodePageChoice::automatic && line.Has("--code-page"))
        return bLookUtf8 ? CodePage::utf8 : CodePage::cp1252;
    if (choice != CodePageChoice::utf8) {
        if (bLookUtf8)
            std::cerr << image << ": note: the names look like UTF-8 (read here as Windows-1252); an image of a "
                      << "medium whose Setup.ini says CodePage=65001 is read with --code-page utf-8\n";
        else if (HoldsUndefinedCp1252(names))
            std::cerr << image << ": note: some names hold bytes that Windows-1252 leaves undefined (shown escaped): "
                      << "the image may be of another code page\n";
        return CodePage::cp1252;
    }
    for (const std::string& n : names) {
        if (IsUtf8(n)) continue;
        std::cerr << image << ": note: some names are not UTF-8 (shown escaped): the image may be Windows-1252, "
                  << "read without --code-page utf-8\n";
        break;
    }
    return CodePage::utf8;
}

int Pack(const CommandLine& line)
{
    const Args& files = line.positional;
    PackWriterOptions options = PackOptionsOf(line);
    // An interrupt stops the writing at the next block, and the volumes begun are removed.
    InterruptGuard interrupts;
    PackPlan plan = PlanPack(zrv::HostPath(files[0]), options.codePage);
    if (plan.codePage == CodePage::utf8 && options.codePage == CodePageChoice::automatic)
        std::cerr << files[0] << ": note: a name needs a character that Windows-1252 lacks: the image stores its "
                  << "names in UTF-8, for a Setup.ini that says CodePage=65001\n";
    if (options.bUninstaller) AddCarriedUninstaller(plan, options.arch);
    WritePackedImage(plan, files[1], options);
    size_t dirs = 0;
    for (const PackItem& item : plan.items) dirs += item.bDirectory ? 1 : 0;
    std::cout << files[1] << ": " << dirs << " directories, " << plan.items.size() - dirs << " files, "
              << plan.nTotal << " bytes\n";
    ReportInstallerMemory(options.nBlockSize);
    return 0;
}

int List(const CommandLine& line)
{
    const Args& args = line.positional;
    ImageOrBundle image(args[0]);
    std::vector<PayloadEntry> entries;
    std::vector<std::string> names;
    uint32_t total = ReadPayload(
        image.ImagePath(), true,
        [&](const PayloadEntry& e) {
            entries.push_back(e);
            names.push_back(e.name);
        },
        [](const char*, uint32_t) {});
    CodePage cp = ReadingCodePage(line, args[0], names);
    size_t dirs = 0, files = 0;
    for (const PayloadEntry& e : entries) {
        if (e.bDirectory) {
            ++dirs;
            std::cout << "dir             " << Shown(e.name, cp) << "/\n";
        } else {
            ++files;
            char size[16];
            std::snprintf(size, sizeof size, "%10u", unsigned(e.nSize));
            std::cout << "file  " << size << "  " << Shown(e.name, cp) << "\n";
        }
    }
    std::cout << dirs << " directories, " << files << " files, " << total << " bytes\n";
    return 0;
}

// Refuses a path below dir whose existing parts include a symbolic link: what is extracted stays
// inside dir, as the installer's names stay inside its target directory.
void CheckNoLinks(const fs::path& dir, const std::string& rel)
{
    fs::path p = dir;
    for (const fs::path& part : zrv::HostPath(rel)) {
        p /= part;
        std::error_code ec;
        if (fs::is_symlink(fs::symlink_status(p, ec)))
            throw ToolError("'" + p.u8string() + "': is a symbolic link; nothing is extracted through one");
    }
}

// One extracted file: written under a temporary name in its own folder and renamed over its final
// name only when complete, so that no half-written file is ever left under a real name and an
// existing file (or a hard link to one outside DIR) is replaced, never written through.
class ExtractedFile {
public:
    ExtractedFile(const ExtractedFile&) = delete;
    ExtractedFile& operator=(const ExtractedFile&) = delete;
    ExtractedFile() = default;
    ~ExtractedFile() { Abandon(); }

    void Begin(const fs::path& path)
    {
        m_temp.emplace(path, BesidePath::kFile);
        m_file = OpenCreatedFile(m_temp->Path());
        if (!m_file) throw ToolError("'" + path.u8string() + "': " + std::strerror(errno));
    }
    void Write(const char* data, uint32_t n)
    {
        if (n > 0 && std::fwrite(data, 1, n, m_file) != n)
            throw ToolError("'" + m_temp->FinalPath().u8string() + "': " + std::strerror(errno));
    }
    // Returns true when a file was completed.
    bool Finish()
    {
        if (!m_temp) return false;
        FILE* file = m_file;
        m_file = nullptr;
        if (std::fclose(file) != 0) throw ToolError("'" + m_temp->FinalPath().u8string() + "': " + std::strerror(errno));
        try {
            m_temp->Commit();
        } catch (const ToolError&) {
            m_temp.reset();  // complete, but it cannot take its name: removed, not cut short
            throw;
        }
        m_temp.reset();
        return true;
    }
    // Removes the temporary file of a file left unfinished; returns its final name, or "" when
    // no file was in hand.
    std::string Abandon()
    {
        if (m_file) std::fclose(m_file);
        m_file = nullptr;
        if (!m_temp) return "";
        std::string path = m_temp->FinalPath().u8string();
        m_temp.reset();
        return path;
    }

private:
    std::optional<BesidePath> m_temp;
    FILE* m_file = nullptr;
};

int Extract(const CommandLine& line)
{
    const Args& args = line.positional;
    bool secondThread = ReaderSecondThread(line);
    // An interrupt stops the extraction between two pieces of data; the file in hand is removed.
    InterruptGuard interrupts;
    fs::path dir = zrv::HostPath(args[1]);
    std::error_code ec;
    fs::create_directories(dir, ec);
    if (!fs::is_directory(dir)) throw ToolError("'" + dir.u8string() + "': cannot create the directory");
    ExtractedFile file;
    size_t nDone = 0;
    // With --code-page auto the names are read first, so that the code page is known before anything
    // is written; else they are looked at afterwards, for the note.
    std::vector<std::string> names;
    bool bGuess = line.Has("--code-page") && CodePageChoiceOf(line) == CodePageChoice::automatic;
    if (bGuess)
        ReadPayload(args[0], secondThread, [&](const PayloadEntry& e) { names.push_back(e.name); },
                    [](const char*, uint32_t) {});
    CodePage cp = bGuess ? ReadingCodePage(line, args[0], names)
                         : CodePageChoiceOf(line) == CodePageChoice::utf8 ? CodePage::utf8 : CodePage::cp1252;
    try {
        ReadPayload(
            args[0], secondThread,
            [&](const PayloadEntry& e) {
                nDone += file.Finish() ? 1 : 0;
                if (!bGuess) names.push_back(e.name);
                if (cp == CodePage::utf8 && !IsUtf8(e.name))
                    throw ToolError("'" + EscapeControls(e.name, true) + "': the name is not UTF-8; the image is read "
                                    "with --code-page utf-8 only when its Setup.ini says CodePage=65001");
                std::string rel = HostName(e.name, cp);
                CheckNoLinks(dir, rel);
                fs::path path = dir / zrv::HostPath(rel);
                if (e.bDirectory) {
                    std::error_code made;
                    if (!fs::create_directory(path, made) && !fs::is_directory(fs::symlink_status(path, ec)))
                        throw ToolError("'" + path.u8string() + "': cannot create the directory: " +
                                        (made ? made.message() : std::strerror(EEXIST)));
                    return;
                }
                file.Begin(path);
            },
            [&](const char* data, uint32_t n) {
                InterruptGuard::Check();
                file.Write(data, n);
            });
        nDone += file.Finish() ? 1 : 0;
        if (!bGuess) ReadingCodePage(line, args[0], names);
    } catch (const InterruptError&) {
        file.Abandon();
        throw;
    } catch (const ToolError& e) {
        std::string cut = file.Abandon();
        throw ToolError(std::string(e.what()) + " (" + std::to_string(nDone) + (nDone == 1 ? " file" : " files") +
                        " extracted before the error" + (cut.empty() ? "" : "; '" + cut + "', cut short, was removed") +
                        ")");
    }
    return 0;
}

}  // namespace

const std::vector<Command> kPackCommands = {
    {"pack", "SRC_DIR OUT.001", PackOptions(),
     "make an installer image of a directory tree: directories first in\n"
     "path order, then Uninstal.exe (unless --no-uninstaller), then empty\n"
     "files, then the other files, both by extension, then path; names in\n"
     "Windows-1252, or UTF-8 when one needs it (--code-page: fixed)",
     Pack},
    {"list", "IN.001", {CodePageOption()},
     "list the entries of an installer image, or of the image a bundle carries;\n"
     "--code-page: the names' code page (utf-8 when the medium's Setup.ini says\n"
     "CodePage=65001; auto: as the names read; default 1252)",
     List},
    {"extract", "IN.001 DIR", {ReaderThreadsOption(), CodePageOption()},
     "write the entries of an installer image into DIR; --code-page as for list", Extract},
};

}  // namespace zrvtool

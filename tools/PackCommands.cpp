// zrvtool pack | list | extract: images that hold an installer's payload stream.
#include "Commands.h"

#include "BundleReading.h"

#include "ArchiveFile.h"
#include "ArchivePrompt.h"
#include "AfxCodePage.h"
#include "EntryName.h"
#include "PackPlan.h"
#include "Payload.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <iostream>
#include <memory>
#include <optional>

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
        if (!archive->Open(image.c_str(), CFile::typeBinary, &error))
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
std::string HostName(const std::string& stored)
{
    std::string name = Cp1252ToUtf8(stored[0] == '\\' ? stored.substr(1) : stored);
    for (char& ch : name)
        if (ch == '\\') ch = '/';
    return name;
}

// A host name as a line of output shows it: with nothing a terminal would act on.
std::string Shown(const std::string& stored) { return EscapeControls(HostName(stored), true); }

int Pack(const CommandLine& line)
{
    const Args& files = line.positional;
    PackWriterOptions options = PackOptionsOf(line);
    PackPlan plan = PlanPack(files[0]);
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
    size_t dirs = 0, files = 0;
    ImageOrBundle image(args[0]);
    uint32_t total = ReadPayload(
        image.ImagePath(), true,
        [&](const PayloadEntry& e) {
            if (e.bDirectory) {
                ++dirs;
                std::cout << "dir             " << Shown(e.name) << "/\n";
            } else {
                ++files;
                char size[16];
                std::snprintf(size, sizeof size, "%10u", unsigned(e.nSize));
                std::cout << "file  " << size << "  " << Shown(e.name) << "\n";
            }
        },
        [](const char*, uint32_t) {});
    std::cout << dirs << " directories, " << files << " files, " << total << " bytes\n";
    return 0;
}

// Refuses a path below dir whose existing parts include a symbolic link: what is extracted stays
// inside dir, as the installer's names stay inside its target directory.
void CheckNoLinks(const fs::path& dir, const std::string& rel)
{
    fs::path p = dir;
    for (const fs::path& part : fs::path(rel)) {
        p /= part;
        std::error_code ec;
        if (fs::is_symlink(fs::symlink_status(p, ec)))
            throw ToolError("'" + p.string() + "': is a symbolic link; nothing is extracted through one");
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
        m_fd = ::open(m_temp->Path().c_str(), O_WRONLY | O_NOFOLLOW | O_CLOEXEC);
        if (m_fd < 0) throw ToolError("'" + path.string() + "': " + std::strerror(errno));
    }
    void Write(const char* data, uint32_t n)
    {
        while (n > 0) {
            ssize_t w = ::write(m_fd, data, n);
            if (w < 0) throw ToolError("'" + m_temp->FinalPath().string() + "': " + std::strerror(errno));
            data += w;
            n -= uint32_t(w);
        }
    }
    // Returns true when a file was completed.
    bool Finish()
    {
        if (!m_temp) return false;
        int fd = m_fd;
        m_fd = -1;
        if (::close(fd) != 0) throw ToolError("'" + m_temp->FinalPath().string() + "': " + std::strerror(errno));
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
        if (m_fd >= 0) ::close(m_fd);
        m_fd = -1;
        if (!m_temp) return "";
        std::string path = m_temp->FinalPath().string();
        m_temp.reset();
        return path;
    }

private:
    std::optional<BesidePath> m_temp;
    int m_fd = -1;
};

int Extract(const CommandLine& line)
{
    const Args& args = line.positional;
    bool secondThread = ReaderSecondThread(line);
    fs::path dir = args[1];
    std::error_code ec;
    fs::create_directories(dir, ec);
    if (!fs::is_directory(dir)) throw ToolError("'" + dir.string() + "': cannot create the directory");
    ExtractedFile file;
    size_t nDone = 0;
    try {
        ReadPayload(
            args[0], secondThread,
            [&](const PayloadEntry& e) {
                nDone += file.Finish() ? 1 : 0;
                std::string rel = HostName(e.name);
                CheckNoLinks(dir, rel);
                std::string path = (dir / rel).string();
                if (e.bDirectory) {
                    if (::mkdir(path.c_str(), 0777) != 0 && !(errno == EEXIST && fs::is_directory(path)))
                        throw ToolError("'" + path + "': cannot create the directory: " + std::strerror(errno));
                    return;
                }
                file.Begin(dir / rel);
            },
            [&](const char* data, uint32_t n) { file.Write(data, n); });
        nDone += file.Finish() ? 1 : 0;
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
     "files, then the other files, both by extension, then path",
     Pack},
    {"list", "IN.001", {}, "list the entries of an installer image, or of the image a bundle carries", List},
    {"extract", "IN.001 DIR", {ReaderThreadsOption()}, "write the entries of an installer image into DIR", Extract},
};

}  // namespace zrvtool

// A private directory for a fuzz target's files, memory-backed when the system has /dev/shm. It is
// made the current directory (the installer reads Setup.ini from there) by the target's
// LLVMFuzzerInitialize, which this header defines: include it in one file per target.
#pragma once

#include <cstdio>
#include <dirent.h>
#include <cstdlib>
#include <string>
#include <unistd.h>

inline const std::string& FuzzTempDir()
{
    static std::string dir = [] {
        char pattern[] = "/dev/shm/zrv-fuzz-XXXXXX";
        char fallback[] = "/tmp/zrv-fuzz-XXXXXX";
        char* d = access("/dev/shm", W_OK) == 0 ? pattern : fallback;
        if (!mkdtemp(d) || chdir(d) != 0) std::abort();
        return std::string(d);
    }();
    return dir;
}

// Removes the files of the directory and the directory itself at exit.
inline void RemoveFuzzTempDirAtExit()
{
    std::atexit([] {
        if (DIR* d = opendir(FuzzTempDir().c_str())) {
            while (const dirent* e = readdir(d))
                if (e->d_name[0] != '.') std::remove((FuzzTempDir() + "/" + e->d_name).c_str());
            closedir(d);
        }
        if (chdir("/") == 0) rmdir(FuzzTempDir().c_str());
    });
}

inline void WriteFuzzFile(const char* name, const std::string& bytes)
{
    FILE* f = std::fopen(name, "wb");
    if (!f) std::abort();
    if (!bytes.empty() && std::fwrite(bytes.data(), 1, bytes.size(), f) != bytes.size()) std::abort();
    std::fclose(f);
}

// The stored form of a Setup.ini text: each byte after the first XOR the stored byte before it.
inline std::string ChainText(const std::string& text)
{
    std::string stored = text;
    for (size_t k = 1; k < stored.size(); ++k) stored[k] = char(text[k] ^ stored[k - 1]);
    return stored;
}

extern "C" int LLVMFuzzerInitialize(int*, char***)
{
    FuzzTempDir();
    RemoveFuzzTempDirAtExit();
    return 0;
}

// A fresh directory for one test, made the current directory while the object lives.
#pragma once

#include <filesystem>
#include <fstream>
#include <random>
#include <set>
#include <string>

class ScopedTempDir {
public:
    ScopedTempDir()
    {
        std::random_device rd;
        m_path = std::filesystem::temp_directory_path() / ("zrv-test-" + std::to_string(rd()) + std::to_string(rd()));
        std::filesystem::create_directories(m_path);
        m_old = std::filesystem::current_path();
        std::filesystem::current_path(m_path);
    }
    ~ScopedTempDir()
    {
        std::error_code ec;
        std::filesystem::current_path(m_old, ec);
        std::filesystem::permissions(m_path, std::filesystem::perms::all, ec);
        std::filesystem::remove_all(m_path, ec);
    }
    const std::filesystem::path& path() const { return m_path; }

private:
    std::filesystem::path m_path;
    std::filesystem::path m_old;
};

inline void WriteBytes(const std::filesystem::path& path, const std::string& bytes)
{
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), std::streamsize(bytes.size()));
}

inline std::string ReadBytes(const std::filesystem::path& path)
{
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

// Every name below dir, '/'-separated and sorted, hidden ones included, a directory's with a
// trailing '/': what a test compares to tell that nothing else was written.
inline std::string Tree(const std::filesystem::path& dir)
{
    std::set<std::string> names;
    for (auto& e : std::filesystem::recursive_directory_iterator(dir))
        names.insert(e.path().lexically_relative(dir).generic_string() + (e.is_directory() ? "/" : ""));
    std::string all;
    for (const std::string& n : names) all += (all.empty() ? "" : " ") + n;
    return all;
}

// The ZRV-Zip codec against gzip -9, xz -6 and zstd -19 on a corpus of real files found on this
// machine: Windows DLLs that Wine installs (binary part) and the mingw-w64 headers (text part),
// taken whole, in path order, until each part reaches its size. Every program runs as a child
// process on files; times are the child's CPU time (user + system), so that other work on a
// shared machine disturbs them less than the wall clock would; all the programs run single-threaded.
//
// Then our own variants, each against ours in its plain form in the same run: compression with
// two threads against one, the reader with its second thread against one thread (wall-clock
// times, since threads are what they change; rounds interleaved, medians), and the block sizes
// from 1 to 255 (size, CPU times, the installer's memory).
//
// usage: zrv_codec_bench ZRVTOOL [WORKDIR]
#include <sys/resource.h>
#include <sys/wait.h>
#include <fcntl.h>
#include <unistd.h>

#include "ArchiveFormat.h"

#include <algorithm>
#include <cstdio>
#include <ctime>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

namespace fs = std::filesystem;

namespace {

struct Part {
    const char* name;
    std::vector<const char*> roots;
    const char* extension;
    uint64_t target;
    uint64_t size = 0;
    size_t files = 0;
    fs::path path;
};

struct Child {
    double cpuSeconds;
    long maxRssKb;
    double wallSeconds;
};

double Now()
{
    timespec ts;
    clock_gettime(CLOCK_MONOTONIC, &ts);
    return double(ts.tv_sec) + double(ts.tv_nsec) / 1e9;
}

// Runs argv with stdin and stdout redirected (empty name: inherited) and returns its CPU time and
// peak memory. Exits when the program fails.
Child RunChild(const std::vector<std::string>& argv, const std::string& in, const std::string& out)
{
    const double start = Now();
    pid_t pid = fork();
    if (pid == 0) {
        if (!in.empty()) dup2(open(in.c_str(), O_RDONLY), 0);
        if (!out.empty()) dup2(open(out.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644), 1);
        std::vector<char*> args;
        for (const std::string& a : argv) args.push_back(const_cast<char*>(a.c_str()));
        args.push_back(nullptr);
        execvp(args[0], args.data());
        _exit(127);
    }
    int status = 0;
    struct rusage ru;
    wait4(pid, &status, 0, &ru);
    if (!WIFEXITED(status) || WEXITSTATUS(status) != 0) {
        std::fprintf(stderr, "bench: '%s' failed\n", argv[0].c_str());
        std::exit(1);
    }
    double cpu = double(ru.ru_utime.tv_sec + ru.ru_stime.tv_sec) + double(ru.ru_utime.tv_usec + ru.ru_stime.tv_usec) / 1e6;
    return {cpu, ru.ru_maxrss, Now() - start};
}

bool SameFiles(const fs::path& a, const fs::path& b)
{
    if (fs::file_size(a) != fs::file_size(b)) return false;
    std::ifstream x(a, std::ios::binary), y(b, std::ios::binary);
    std::vector<char> p(1 << 20), q(1 << 20);
    while (x && y) {
        x.read(p.data(), std::streamsize(p.size()));
        y.read(q.data(), std::streamsize(q.size()));
        if (x.gcount() != y.gcount() || std::memcmp(p.data(), q.data(), size_t(x.gcount())) != 0) return false;
    }
    return true;
}

void BuildPart(Part& part, const fs::path& work)
{
    std::vector<fs::path> files;
    for (const char* root : part.roots) {
        if (!fs::is_directory(root)) continue;
        for (const auto& e : fs::recursive_directory_iterator(root))
            if (e.is_regular_file() && e.path().extension() == part.extension) files.push_back(e.path());
    }
    std::sort(files.begin(), files.end());
    part.path = work / (std::string(part.name) + ".bin");
    std::ofstream out(part.path, std::ios::binary | std::ios::trunc);
    for (const fs::path& f : files) {
        if (part.size >= part.target) break;
        std::ifstream in(f, std::ios::binary);
        out << in.rdbuf();
        part.size += fs::file_size(f);
        ++part.files;
    }
    if (part.size < part.target) {
        std::fprintf(stderr, "bench: only %llu bytes of %s files found\n", (unsigned long long)part.size, part.extension);
        std::exit(1);
    }
}

// A compressor as a pair of command lines; "{in}" and "{out}" stand for the files. Commands
// without "{out}" write to stdout, and those without "{in}" read stdin.
struct Codec {
    const char* name;
    std::vector<std::string> compress, decompress;
};

struct Result {
    uint64_t packed = 0;
    double compressCpu = 0, decompressCpu = 0;
    long decompressRssKb = 0;
};

Child RunWith(std::vector<std::string> argv, const fs::path& in, const fs::path& out)
{
    bool namesIn = false, namesOut = false;
    for (std::string& a : argv) {
        if (a == "{in}") a = in.string(), namesIn = true;
        else if (a == "{out}") a = out.string(), namesOut = true;
    }
    return RunChild(argv, namesIn ? "" : in.string(), namesOut ? "/dev/null" : out.string());
}

Result Measure(const Codec& c, const Part& part, const fs::path& work)
{
    fs::path packed = work / (std::string(part.name) + "." + c.name + ".001");
    fs::path unpacked = work / (std::string(part.name) + "." + c.name + ".dec");
    Result r;
    r.compressCpu = RunWith(c.compress, part.path, packed).cpuSeconds;
    r.packed = fs::file_size(packed);
    Child d = RunWith(c.decompress, packed, unpacked);
    r.decompressCpu = d.cpuSeconds;
    r.decompressRssKb = d.maxRssKb;
    if (!SameFiles(part.path, unpacked)) {
        std::fprintf(stderr, "bench: %s did not give back the %s part\n", c.name, part.name);
        std::exit(1);
    }
    fs::remove(packed);
    fs::remove(unpacked);
    return r;
}

double MBps(uint64_t bytes, double seconds) { return seconds > 0 ? double(bytes) / 1e6 / seconds : 0; }

void PrintTable(const char* title, uint64_t size, const std::vector<Codec>& codecs, const std::vector<Result>& rs)
{
    std::printf("\n%s: %.1f MB\n", title, double(size) / 1e6);
    std::printf("  %-10s %12s %7s %11s %11s %10s | vs ours: %6s %6s %6s\n", "program", "bytes", "ratio", "comp MB/s",
                "decomp MB/s", "decomp RSS", "size", "comp", "decomp");
    for (size_t i = 0; i < codecs.size(); ++i) {
        const Result& r = rs[i];
        std::printf("  %-10s %12llu %7.4f %11.2f %11.2f %8.1fMB |          %6.3f %6.3f %6.3f\n", codecs[i].name,
                    (unsigned long long)r.packed, double(r.packed) / double(size), MBps(size, r.compressCpu),
                    MBps(size, r.decompressCpu), double(r.decompressRssKb) / 1024, double(rs[0].packed) / double(r.packed),
                    r.compressCpu / rs[0].compressCpu, r.decompressCpu / rs[0].decompressCpu);
    }
}

Result Sum(const Result& a, const Result& b)
{
    return {a.packed + b.packed, a.compressCpu + b.compressCpu, a.decompressCpu + b.decompressCpu,
            std::max(a.decompressRssKb, b.decompressRssKb)};
}

double Median(std::vector<double> v)
{
    std::sort(v.begin(), v.end());
    size_t n = v.size();
    return n % 2 ? v[n / 2] : (v[n / 2 - 1] + v[n / 2]) / 2;
}

// Wall-clock medians of our compressor and decompressor on one thread and on two, over the whole
// corpus (both parts per round), rounds interleaved. Every image must be the same for both.
void CompareThreads(const std::string& zrvtool, const Part* parts, size_t count, const fs::path& work, int rounds)
{
    std::vector<double> comp[2], decomp[2];
    uint64_t size = 0;
    for (size_t k = 0; k < count; ++k) size += parts[k].size;
    for (int r = 0; r < rounds; ++r) {
        double c[2] = {0, 0}, d[2] = {0, 0};
        for (size_t k = 0; k < count; ++k) {
            fs::path image[2], back = work / "threads.dec";
            for (int t = 0; t < 2; ++t) {
                image[t] = work / ("threads" + std::to_string(t + 1) + ".001");
                c[t] += RunChild({zrvtool, "compress", parts[k].path.string(), image[t].string(), "--threads",
                                  std::to_string(t + 1)}, "", "/dev/null").wallSeconds;
            }
            if (!SameFiles(image[0], image[1])) {
                std::fprintf(stderr, "bench: images made with one and two threads differ\n");
                std::exit(1);
            }
            for (int t = 0; t < 2; ++t) {
                d[t] += RunChild({zrvtool, "decompress", image[0].string(), back.string(), "--threads",
                                  std::to_string(t + 1)}, "", "").wallSeconds;
                if (!SameFiles(parts[k].path, back)) {
                    std::fprintf(stderr, "bench: decompression with %d threads gave other bytes\n", t + 1);
                    std::exit(1);
                }
            }
            for (int t = 0; t < 2; ++t) fs::remove(image[t]);
            fs::remove(back);
        }
        for (int t = 0; t < 2; ++t) {
            comp[t].push_back(c[t]);
            decomp[t].push_back(d[t]);
        }
    }
    const double c1 = Median(comp[0]), c2 = Median(comp[1]), d1 = Median(decomp[0]), d2 = Median(decomp[1]);
    std::printf("\nthreads, whole corpus (%.1f MB), wall-clock medians of %d interleaved rounds:\n", double(size) / 1e6,
                rounds);
    std::printf("  compress   --threads 1 %7.2f s, --threads 2 %7.2f s: 2 threads %.3f times as fast  (>= 1.7: %s)\n",
                c1, c2, c1 / c2, c1 / c2 >= 1.7 ? "met" : "NOT met");
    std::printf("  decompress --threads 1 %7.2f s (one thread), default %7.2f s (second thread): %.3f times as fast"
                "  (>= 1.5: %s)\n", d1, d2, d1 / d2, d1 / d2 >= 1.5 ? "met" : "NOT met");
}

// Size, CPU times and the installer's memory for block sizes 1 to 255, against block size 9.
void CompareBlockSizes(const std::string& zrvtool, const Part* parts, size_t count, const fs::path& work)
{
    const int sizes[] = {1, 5, 9, 20, 50, 100, 255};
    uint64_t original = 0;
    for (size_t k = 0; k < count; ++k) original += parts[k].size;
    struct Row {
        int blockSize;
        uint64_t packed = 0;
        double comp = 0, decomp = 0;
    };
    std::vector<Row> rows;
    for (int bs : sizes) {
        std::fprintf(stderr, "bench: block size %d\n", bs);
        Row row{bs};
        for (size_t k = 0; k < count; ++k) {
            fs::path image = work / "blocks.001", back = work / "blocks.dec";
            row.comp += RunChild({zrvtool, "compress", parts[k].path.string(), image.string(), "--block-size",
                                  std::to_string(bs), "--threads", "1"}, "", "/dev/null").cpuSeconds;
            row.packed += fs::file_size(image);
            row.decomp += RunChild({zrvtool, "decompress", image.string(), back.string(), "--threads", "1"}, "", "")
                              .cpuSeconds;
            if (!SameFiles(parts[k].path, back)) {
                std::fprintf(stderr, "bench: block size %d did not give the part back\n", bs);
                std::exit(1);
            }
            fs::remove(image);
            fs::remove(back);
        }
        rows.push_back(row);
    }
    const Row& nine = *std::find_if(rows.begin(), rows.end(), [](const Row& r) { return r.blockSize == 9; });
    std::printf("\nblock sizes, whole corpus (%.1f MB), one thread, CPU times:\n", double(original) / 1e6);
    std::printf("  %-10s %12s %7s %9s %11s %13s %16s\n", "block size", "bytes", "ratio", "vs 9", "comp MB/s",
                "decomp MB/s", "installer memory");
    for (const Row& r : rows)
        std::printf("  %-10d %12llu %7.4f %9.4f %11.2f %13.2f %14llu B\n", r.blockSize, (unsigned long long)r.packed,
                    double(r.packed) / double(original), double(r.packed) / double(nine.packed),
                    MBps(original, r.comp), MBps(original, r.decomp),
                    (unsigned long long)zrv::ReaderMemory(r.blockSize));
    const double largest = double(rows.back().packed) / double(nine.packed);
    std::printf("  block size 255 is %.1f%% smaller than block size 9  (>= 7%%: %s)\n", (1 - largest) * 100,
                1 - largest >= 0.07 ? "met" : "NOT met");
}

}  // namespace

int main(int argc, char** argv)
{
    if (argc < 2) {
        std::fprintf(stderr, "usage: zrv_codec_bench ZRVTOOL [WORKDIR]\n");
        return 2;
    }
    std::string zrvtool = fs::absolute(argv[1]).string();
    fs::path work = argc > 2 ? fs::path(argv[2]) : fs::temp_directory_path() / ("zrv-bench-" + std::to_string(getpid()));
    fs::create_directories(work);
    const int blockSize = 9;

    Part parts[] = {
        {"binary", {"/usr/lib/i386-linux-gnu/wine/i386-windows", "/usr/lib/i386-linux-gnu/wine"}, ".dll", 32u << 20, 0, 0, {}},
        {"text", {"/usr/share/mingw-w64/include", "/usr/i686-w64-mingw32/include"}, ".h", 20u << 20, 0, 0, {}},
    };
    // Only the first root that exists counts, so that no file is taken twice.
    for (Part& p : parts) {
        while (p.roots.size() > 1 && !fs::is_directory(p.roots[0])) p.roots.erase(p.roots.begin());
        p.roots.resize(1);
        BuildPart(p, work);
        std::printf("%s part: %zu %s files under %s in path order, %llu bytes\n", p.name, p.files, p.extension,
                    p.roots[0], (unsigned long long)p.size);
    }

    std::vector<Codec> codecs = {
        {"zrv", {zrvtool, "compress", "{in}", "{out}", "--block-size", std::to_string(blockSize), "--threads", "1"},
         {zrvtool, "decompress", "{in}", "{out}", "--threads", "1"}},
        {"gzip-9", {"gzip", "-9", "-c"}, {"gzip", "-d", "-c"}},
        {"xz-6", {"xz", "-6", "-T1", "-c"}, {"xz", "-d", "-T1", "-c"}},
        {"zstd-19", {"zstd", "-19", "-q", "-c"}, {"zstd", "-d", "-q", "-c"}},
    };
    std::printf("times: CPU time (user + system) of each program; ratio: compressed / original;\n"
                "'vs ours': ours divided by the program's (size; CPU time, so < 1 means ours is faster)\n");

    std::vector<Result> results[2], total;
    for (int k = 0; k < 2; ++k)
        for (const Codec& c : codecs) {
            std::fprintf(stderr, "bench: %s on the %s part\n", c.name, parts[k].name);
            results[k].push_back(Measure(c, parts[k], work));
        }
    for (size_t i = 0; i < codecs.size(); ++i) total.push_back(Sum(results[0][i], results[1][i]));
    PrintTable("binary part", parts[0].size, codecs, results[0]);
    PrintTable("text part", parts[1].size, codecs, results[1]);
    PrintTable("whole corpus (the two parts compressed separately)", parts[0].size + parts[1].size, codecs, total);

    const Result& ours = total[0];
    const long budgetKb = long(zrv::ReaderMemory(blockSize) / 1024);
    std::printf("\ntargets on the whole corpus:\n");
    auto line = [](const char* what, double value, double limit, bool atMost) {
        bool ok = atMost ? value <= limit : value >= limit;
        std::printf("  %-52s %8.3f  (%s %.3f)  %s\n", what, value, atMost ? "<=" : ">=", limit, ok ? "met" : "NOT met");
    };
    line("size / gzip -9 size", double(ours.packed) / double(total[1].packed), 0.80, true);
    line("size / xz -6 size, text part", double(results[1][0].packed) / double(results[1][2].packed), 1.0, true);
    line("compression speed / gzip -9 speed", total[1].compressCpu / ours.compressCpu, 1.0, false);
    line("decompression speed / xz -d speed", total[2].decompressCpu / ours.decompressCpu, 0.2, false);
    // The program's own footprint (code, libraries, heap of the C++ runtime) without any image.
    long baselineKb = RunChild({zrvtool, "--help"}, "", "/dev/null").maxRssKb;
    std::printf("  peak RSS of decompression %ld KB = %ld KB of zrvtool itself (its RSS for --help)\n"
                "  + %ld KB; 6 x N + 512000 = %ld KB  %s\n", ours.decompressRssKb, baselineKb,
                ours.decompressRssKb - baselineKb, budgetKb,
                ours.decompressRssKb - baselineKb <= budgetKb + 256 ? "met" : "NOT met");

    CompareThreads(zrvtool, parts, 2, work, 5);
    CompareBlockSizes(zrvtool, parts, 2, work);
    if (argc <= 2) fs::remove_all(work);
    return 0;
}

// libFuzzer target: arbitrary bytes as a one- or two-volume "ZRV-Zip" image, read to its end
// through CArchiveFile's Open, Read and (sometimes) Close from real files in the private temporary
// directory of FuzzTempDir.h. The reader's prompt answers Cancel, so a missing volume ends the reading.
//
// Input: byte 0 holds flags (bit 0: two volumes; bit 1: give every volume a valid magic and CRC so
// that the fuzzer reaches the decoder quickly; bit 2: Close after reading; bits 3 to 5: the Read
// size), bytes 1 and 2 the size of the first volume file (little-endian) when there are two, and
// the rest the volume files themselves, headers included.
//
// Checked here beyond what the sanitizers catch: no exception but the caller's own object (or one
// the file layer owns) leaves the reader, its cause is generic, Read never claims more bytes than
// were asked for, and the reader with its second thread does exactly what it does on one thread:
// the same bytes from every Read, the same messages, the same end; and every message comes on the
// caller's thread.
#include "ArchiveFile.h"
#include "Crc32.h"

#include "../common/RecordingPrompt.h"

#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "FuzzTempDir.h"

namespace {

// Gives a volume file the right magic and the CRC of its data; its block size stays below 10.
std::vector<uint8_t> Repair(std::vector<uint8_t> v)
{
    if (v.size() < 12) return v;
    std::memcpy(v.data(), "ZRV\0", 4);
    v[4] = uint8_t(v[4] % 10);
    uint32_t crc = zrv::Crc32(v.data() + 12, v.size() - 12);
    for (int i = 0; i < 4; ++i) v[8 + size_t(i)] = uint8_t(crc >> (8 * i));
    return v;
}

// What one reading did, Read by Read: counts and CRCs of the bytes, the messages, the end.
std::string g_trace;

const size_t kReadSizes[8] = {1, 2, 3, 7, 256, 4096, 65536, 1 << 20};
// Enough to pass many blocks; a few bytes of input can describe far more output than is useful,
// and reading it one byte at a time under the sanitizers would take minutes.
const size_t kMaxOutput = size_t(32) << 20;
const int kMaxReads = 1 << 18;

void ReadImage(const std::string& path, size_t readSize, bool close, bool secondThread)
{
    static std::vector<uint8_t> buffer(kReadSizes[7]);
    RecordingPrompt prompt;
    prompt.answer = [](const std::string& text, UINT) {
        g_trace += "|box " + text;
        return IDCANCEL;
    };
    CArchiveFile reader(&prompt);
    reader.SetSecondThread(secondThread);
    CFileException err;
    try {
        if (reader.Open(path.c_str(), CFile::typeBinary, &err)) {
            size_t total = 0;
            for (int reads = 1;; ++reads) {
                UINT n = reader.Read(buffer.data(), UINT(readSize));
                if (n > readSize) __builtin_trap();
                g_trace += "|" + std::to_string(n) + " " + std::to_string(zrv::Crc32(buffer.data(), n));
                total += n;
                if (n < readSize || total > kMaxOutput || reads == kMaxReads) break;
            }
            if (close) reader.Close();
            g_trace += "|done";
        } else {
            g_trace += "|not opened";
        }
    } catch (CFileException* e) {
        if (e != &err) {
            // Only the file layer may throw objects of its own, and those it hands over.
            if (!e->m_bAutoDelete) __builtin_trap();
            g_trace += "|file layer error";
            e->Delete();
        } else if (e->m_cause != CFileException::generic) {
            __builtin_trap();
        } else {
            g_trace += "|read error";
        }
    }
    if (prompt.ForeignThreadCalls() != 0) __builtin_trap();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (size < 3) return 0;
    const uint8_t flags = data[0];
    const bool twoVolumes = flags & 1;
    const bool repair = flags & 2;
    const bool close = flags & 4;
    const size_t readSize = kReadSizes[(flags >> 3) & 7];
    std::vector<uint8_t> image(data + 3, data + size);
    size_t split = twoVolumes ? std::min<size_t>(size_t(data[1] | data[2] << 8), image.size()) : image.size();
    std::vector<uint8_t> first(image.begin(), image.begin() + long(split));
    std::vector<uint8_t> second(image.begin() + long(split), image.end());
    if (repair) {
        first = Repair(first);
        second = Repair(second);
    }
    // Relative names: the temporary directory is the current one.
    const std::string path1 = "img.001", path2 = "img.002";
    WriteFuzzFile(path1.c_str(), std::string(first.begin(), first.end()));
    if (twoVolumes)
        WriteFuzzFile(path2.c_str(), std::string(second.begin(), second.end()));
    else
        std::remove(path2.c_str());

    std::string traces[2];
    for (int threads = 1; threads <= 2; ++threads) {
        g_trace.clear();
        ReadImage(path1, readSize, close, threads == 2);
        traces[threads - 1] = g_trace;
    }
    if (traces[0] != traces[1]) __builtin_trap();
    return 0;
}

// Fuzz target: the store over arbitrary blob bytes, then a script of opens, reads, seeks and
// tells with fuzzer-chosen arguments.
//
// Input: u16 blob length L, L blob bytes, then operations of one opcode byte each:
//   0 open a name (u8 length, that many bytes), 1 read (u16 count, u8 handle), 2 seek
//   (u8 handle, u32 offset, u8 origin), 3 tell (u8 handle), 4 close (u8 handle),
//   5 fs_init again over the same blob.
#include <cstdint>
#include <cstring>
#include <vector>

#include "store/fs.h"
#include "tests/fuzz/fuzz_input.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    fuzz::ByteReader in(data, size);
    size_t blobSize = 0;
    const uint8_t* blobBytes = in.take(in.u16(), blobSize);
    // A copy of exactly the blob's size, so a read past its end is caught.
    std::vector<uint8_t> blob(blobBytes, blobBytes + blobSize);
    fs_init(blob.empty() ? nullptr : blob.data(), uint32_t(blob.size()));

    int handles[8] = {};
    int opened = 0;
    for (int op = 0; op < 64 && !in.empty(); ++op) {
        const uint8_t code = in.u8() % 6;
        if (code == 0) {
            size_t n = 0;
            const uint8_t* p = in.take(in.u8(), n);
            std::vector<char> name(p, p + n);
            name.push_back('\0');
            const int h = fs_open(name.data());
            if (h)
                handles[opened++ % 8] = h;
        } else if (code == 1) {
            const int count = int16_t(in.u16());
            const int h = handles[in.u8() % 8];
            // Exactly count bytes, so a read past what was asked for is caught.
            std::vector<uint8_t> buffer(count > 0 ? size_t(count) : 1);
            const int got = fs_read(buffer.data(), count, h);
            if (got < 0 || got > (count > 0 ? count : 0))
                __builtin_trap();
        } else if (code == 2) {
            const int h = handles[in.u8() % 8];
            const int32_t offset = int32_t(in.u32());
            fs_seek(h, offset, in.u8());
        } else if (code == 3) {
            (void)fs_tell(handles[in.u8() % 8]);
        } else if (code == 4) {
            fs_close(handles[in.u8() % 8]);
        } else {
            fs_init(blob.empty() ? nullptr : blob.data(), uint32_t(blob.size()));
            std::memset(handles, 0, sizeof handles);
        }
    }
    return 0;
}

#pragma once
// Fuzz-input helpers shared by the targets: a reader that hands out the input's bytes front
// to back (zeros once it runs dry, so every input is a valid script), and a one-entry store
// blob built around a file's bytes.

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <vector>

namespace fuzz {

class ByteReader {
public:
    ByteReader(const uint8_t* data, size_t size) : data_(data), size_(size) {}

    bool empty() const { return pos_ >= size_; }
    size_t remaining() const { return size_ - pos_; }

    uint8_t u8() { return pos_ < size_ ? data_[pos_++] : 0; }
    uint16_t u16() { return uint16_t(u8() | u8() << 8); }
    uint32_t u32() { return uint32_t(u16()) | uint32_t(u16()) << 16; }

    // The next `n` bytes (fewer at the end) as a pointer into the input.
    const uint8_t* take(size_t n, size_t& got) {
        got = n < remaining() ? n : remaining();
        const uint8_t* p = data_ + pos_;
        pos_ += got;
        return p;
    }

private:
    const uint8_t* data_;
    size_t size_;
    size_t pos_ = 0;
};

// A store blob of one entry `name` holding `file` (the name is cut to 127 bytes).
inline std::vector<uint8_t> one_entry_blob(const char* name, const uint8_t* file, size_t size) {
    std::vector<uint8_t> blob(128 + 4 + size, 0);
    std::strncpy(reinterpret_cast<char*>(blob.data()), name, 127);
    const uint32_t n = uint32_t(size);
    for (int i = 0; i < 4; ++i)
        blob[128 + i] = uint8_t(n >> (8 * i));
    if (size)
        std::memcpy(blob.data() + 132, file, size);
    return blob;
}

} // namespace fuzz

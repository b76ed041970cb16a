#pragma once
// Builds store blobs in memory for tests: entries laid out exactly as the packer writes them.

#include <cstdint>
#include <cstdio>
#include <string>
#include <utility>
#include <vector>

#include <gtest/gtest.h>

namespace vorru_test {

struct BlobEntry {
    std::string name;
    std::vector<uint8_t> data;
};

// 128-byte 0-filled name, little-endian size, data; entries back to back.
inline std::vector<uint8_t> build_blob(const std::vector<BlobEntry>& entries) {
    std::vector<uint8_t> blob;
    for (const BlobEntry& e : entries) {
        std::vector<uint8_t> name(128, 0);
        for (size_t i = 0; i < e.name.size() && i < 128; ++i)
            name[i] = uint8_t(e.name[i]);
        blob.insert(blob.end(), name.begin(), name.end());
        const uint32_t n = uint32_t(e.data.size());
        for (int shift = 0; shift < 32; shift += 8)
            blob.push_back(uint8_t(n >> shift));
        blob.insert(blob.end(), e.data.begin(), e.data.end());
    }
    return blob;
}

inline std::vector<uint8_t> bytes_of(const std::string& text) {
    return std::vector<uint8_t>(text.begin(), text.end());
}

// Everything `f` prints on stdout.
template <typename F> std::string captured_stdout(F&& f) {
    std::fflush(stdout);
    testing::internal::CaptureStdout();
    std::forward<F>(f)();
    std::fflush(stdout);
    return testing::internal::GetCapturedStdout();
}

} // namespace vorru_test

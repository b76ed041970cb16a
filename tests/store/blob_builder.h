#pragma once
// Builds store blobs in memory for tests, laid out exactly as the packer writes them.

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

// Per entry: 128-byte 0-filled name, little-endian size, data.
inline std::vector<uint8_t> build_blob(const std::vector<BlobEntry>& entries) {
    std::vector<uint8_t> blob;
    for (const BlobEntry& e : entries) {
        const size_t at = blob.size();
        blob.resize(at + 128, 0);
        for (size_t i = 0; i < e.name.size() && i < 128; ++i)
            blob[at + i] = uint8_t(e.name[i]);
        for (int shift = 0; shift < 32; shift += 8)
            blob.push_back(uint8_t(e.data.size() >> shift));
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

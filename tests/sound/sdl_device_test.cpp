// The SDL2 device on the real path: SDL's disk driver writes what the callback hands over, so
// the file must be the offline render; with no usable driver the silent clock takes over.
#include <gtest/gtest.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <iterator>
#include <thread>
#include <unistd.h>

#include "audio/sdl/sdl_device.h"
#include "audio/sound.h"
#include "tests/sound/sound_test_support.h"

namespace {

std::vector<uint8_t> read_file(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

bool wait_for_song_time(Module* song, int ms)
{
    auto limit = std::chrono::steady_clock::now() + std::chrono::milliseconds(4 * ms + 5000);
    while (sound_get_time(song) < ms && std::chrono::steady_clock::now() < limit)
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    return sound_get_time(song) >= ms;
}

// 3 s of the test song is more than one lap of the 2 s ring, so refilled blocks are heard too.
TEST(SdlDevice, DiskDriverWritesExactlyTheOfflineRender)
{
    std::string path = "/tmp/vorru-sound-disk-" + std::to_string(getpid()) + ".raw";
    setenv("SDL_AUDIODRIVER", "disk", 1);
    setenv("SDL_DISKAUDIOFILE", path.c_str(), 1);
    std::vector<uint8_t> team = read_file(VORRU_SOURCE_DIR "/assets/data/vantoli.xm");
    for (auto [bytes, seconds] : {std::pair{test_song_bytes(), 3}, {team, 5}}) {
        if (bytes.empty())
            continue;  // no team song in this checkout
        music_test::serve_bytes(bytes);
        Module* song = music_load("disk.xm", nullptr);
        ASSERT_NE(song, nullptr);
        std::vector<int16_t> expected = offline_pcm(song, 44100 * (seconds + 1), 884);
        ASSERT_TRUE(sound_open(44100));
        ASSERT_FALSE(sdl_device_is_silent());
        ASSERT_TRUE(sound_play(song));
        ASSERT_TRUE(wait_for_song_time(song, seconds * 1000));
        music_free(song);
        sound_close();
        std::vector<uint8_t> file = read_file(path);
        std::remove(path.c_str());
        std::vector<int16_t> written(file.size() / 2);  // little-endian, as SDL wrote it
        std::memcpy(written.data(), file.data(), written.size() * 2);

        // The file may open with whole 1024-frame buffers of silence from before the start.
        auto sound = [](const std::vector<int16_t>& v) {
            return size_t(std::find_if(v.begin(), v.end(), [](int16_t x) { return x; }) - v.begin());
        };
        ASSERT_GE(sound(written), sound(expected));
        size_t lead = sound(written) - sound(expected);
        EXPECT_EQ(lead % 2048, 0u);
        EXPECT_LE(lead, 2u * 2048u);
        ASSERT_GE(written.size(), lead + size_t(44100 * 2 * seconds));
        long n = long(std::min(written.size() - lead, expected.size()));
        auto diff = std::mismatch(expected.begin(), expected.begin() + n, written.begin() + long(lead));
        EXPECT_EQ(diff.first - expected.begin(), n) << "first different sample";
    }
}

TEST(SdlDevice, NoDriverFallsBackToTheSilentClockAndSaysSoOnce)
{
    setenv("SDL_AUDIODRIVER", "no-such-driver", 1);
    Module* song = test_song_load();
    ASSERT_NE(song, nullptr);
    testing::internal::CaptureStderr();
    ASSERT_TRUE(sound_open(44100));
    EXPECT_TRUE(sdl_device_is_silent());
    ASSERT_TRUE(sound_open(44100));
    std::string said = testing::internal::GetCapturedStderr();
    EXPECT_NE(said.find("silent"), std::string::npos) << said;
    EXPECT_EQ(said.find("silent"), said.rfind("silent")) << said;
    ASSERT_TRUE(sound_play(song));
    // 1 s of song at about real-time pace (the whole-ms clock runs at 0.95 x).
    auto start = std::chrono::steady_clock::now();
    ASSERT_TRUE(wait_for_song_time(song, sound_get_time(song) + 1000));
    std::chrono::duration<double, std::milli> ms = std::chrono::steady_clock::now() - start;
    EXPECT_GE(ms.count(), 950);
    EXPECT_LE(ms.count(), 2000);
    music_free(song);
    sound_close();
    EXPECT_FALSE(sdl_device_is_silent());
}

}  // namespace

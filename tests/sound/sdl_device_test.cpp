// The SDL2 device on the real path: SDL's disk driver writes what the callback hands over, so
// the file must be the offline render; and with no usable driver the silent clock takes over.
#include <gtest/gtest.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <thread>
#include <unistd.h>

#include "audio/sdl/sdl_device.h"
#include "audio/sound.h"
#include "tests/sound/sound_test_support.h"

namespace {

std::vector<int16_t> read_pcm(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    std::vector<char> bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    std::vector<int16_t> out(bytes.size() / 2);
    for (size_t i = 0; i < out.size(); ++i)
        out[i] = int16_t(uint8_t(bytes[2 * i]) | uint8_t(bytes[2 * i + 1]) << 8);
    return out;
}

bool wait_for_song_time(Module* song, int ms, int limit_ms)
{
    auto limit = std::chrono::steady_clock::now() + std::chrono::milliseconds(limit_ms);
    while (sound_get_time(song) < ms) {
        if (std::chrono::steady_clock::now() > limit)
            return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    return true;
}

// Plays `bytes` through SDL's disk driver for `seconds` of song and compares the file with the
// offline render of the same frames.
void expect_disk_file_is_the_render(const std::vector<uint8_t>& bytes, int seconds)
{
    std::string path = "/tmp/vorru-sound-disk-" + std::to_string(getpid()) + ".raw";
    setenv("SDL_AUDIODRIVER", "disk", 1);
    setenv("SDL_DISKAUDIOFILE", path.c_str(), 1);
    test_files_register("disk.xm", bytes);
    Module* song = music_load("disk.xm", nullptr);
    ASSERT_NE(song, nullptr);
    std::vector<int16_t> expected = offline_pcm(song, 44100 * (seconds + 1), 884);
    ASSERT_TRUE(sound_open(44100));
    ASSERT_FALSE(sdl_device_is_silent());
    ASSERT_TRUE(sound_play(song));
    ASSERT_TRUE(wait_for_song_time(song, seconds * 1000, seconds * 4000 + 5000));
    music_free(song);
    sound_close();
    std::vector<int16_t> written = read_pcm(path);
    std::remove(path.c_str());

    // The file may open with whole buffers of silence written before playback started.
    size_t lead = 0;
    while (lead < written.size() && written[lead] == 0)
        ++lead;
    size_t first_sound = 0;
    while (first_sound < expected.size() && expected[first_sound] == 0)
        ++first_sound;
    ASSERT_GE(lead, first_sound);
    size_t offset = lead - first_sound;
    std::fprintf(stderr, "disk file: %zu frames of leading silence, %zu frames written\n",
                 offset / 2, written.size() / 2);
    EXPECT_EQ(offset % 2048, 0u) << "leading silence is not whole 1024-frame buffers";
    EXPECT_LE(offset, 2u * 2048u);
    ASSERT_GE(written.size(), offset + size_t(44100) * 2 * size_t(seconds));
    size_t n = std::min(written.size() - offset, expected.size());
    size_t mismatch = n;
    for (size_t i = 0; i < n; ++i)
        if (written[offset + i] != expected[i]) {
            mismatch = i;
            break;
        }
    EXPECT_EQ(mismatch, n) << "first difference at frame " << mismatch / 2;
}

// 3 s: more than one lap of the 2 s ring, so refilled blocks are heard too.
TEST(SdlDevice, DiskDriverWritesExactlyTheOfflineRender)
{
    expect_disk_file_is_the_render(test_song_bytes(), 3);
}

TEST(SdlDevice, DiskDriverPlaysTheTeamSongExactly)
{
    std::ifstream in(VORRU_SOURCE_DIR "/assets/data/vantoli.xm", std::ios::binary);
    if (!in)
        GTEST_SKIP() << "assets/data/vantoli.xm is not there";
    std::vector<uint8_t> bytes((std::istreambuf_iterator<char>(in)),
                               std::istreambuf_iterator<char>());
    expect_disk_file_is_the_render(bytes, 5);
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
    EXPECT_TRUE(sdl_device_is_silent());
    std::string said = testing::internal::GetCapturedStderr();
    EXPECT_NE(said.find("silent"), std::string::npos) << said;
    EXPECT_EQ(said.find("silent"), said.rfind("silent")) << said;

    ASSERT_TRUE(sound_play(song));
    int start = sound_get_time(song);
    // The clock moves without a sound card.
    EXPECT_TRUE(wait_for_song_time(song, start + 200, 5000));
    music_free(song);
    sound_close();
    EXPECT_FALSE(sdl_device_is_silent());
}

}  // namespace

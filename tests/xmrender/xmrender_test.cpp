// xmrender as a program: natural end, --seconds, --order, damaged input, and the same samples
// as the block fill's loop run in blocks of 884 frames.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "audio/render.h"
#include "tests/music/test_modules.h"

using namespace music_test;

namespace {

std::string path(const std::string& name) {
    return std::string(TEST_OUT_DIR) + "/" + name;
}

void save(const std::vector<uint8_t>& bytes, const std::string& file) {
    FILE* f = std::fopen(file.c_str(), "wb");
    ASSERT_NE(f, nullptr);
    ASSERT_EQ(std::fwrite(bytes.data(), 1, bytes.size(), f), bytes.size());
    std::fclose(f);
}

// ctest may run the cases at once: each names its own files.
int run(const std::string& arguments, const std::string& errors) {
    const std::string command = std::string(XMRENDER_PATH) + " " + arguments + " 2>" + path(errors);
    const int status = std::system(command.c_str());
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

// The 16-bit samples of a WAV written by xmrender (after its 44-byte header).
std::vector<int16_t> wav_samples(const std::string& file) {
    std::vector<int16_t> samples;
    FILE* f = std::fopen(file.c_str(), "rb");
    if (!f)
        return samples;
    unsigned char header[44];
    if (std::fread(header, 1, 44, f) == 44) {
        int16_t v;
        while (std::fread(&v, 2, 1, f) == 1)
            samples.push_back(v);
    }
    std::fclose(f);
    return samples;
}

// Two orders of one 4-row pattern at speed 6, 125 BPM: 24 ticks of 882 frames per order.
XmModuleDef song() {
    XmModuleDef def = basic_module(2, 4);
    def.orders = {0, 0};
    def.instruments[0].samples[0] = flat_sample(5000, 12000);
    def.instruments[0].samples[0].loopType = 1;
    def.instruments[0].samples[0].loopLength = 5000;
    def.patterns[0].at(0, 0, 2) = {49, 1, 0, 0, 0};
    def.patterns[0].at(2, 1, 2) = {56, 1, 0x30, 0, 0};
    return def;
}

} // namespace

TEST(XmrenderRun, StopsAtTheSongsNaturalEnd) {
    save(xm_write(song()), path("end.xm"));
    ASSERT_EQ(run(path("end.xm") + " " + path("end.wav"), "end.txt"), 0);
    // Order 1 ends and the song comes back to order 0, row 0: 2 x 24 ticks.
    EXPECT_EQ(wav_samples(path("end.wav")).size(), size_t(2 * 48 * 882));
}

TEST(XmrenderRun, StopsAfterSecondsOrAtAnOrder) {
    save(xm_write(song()), path("stop.xm"));
    ASSERT_EQ(run("--seconds 0.5 " + path("stop.xm") + " " + path("half.wav"), "stop.txt"), 0);
    EXPECT_EQ(wav_samples(path("half.wav")).size(), size_t(2 * 22050));
    ASSERT_EQ(run("--order 1 " + path("stop.xm") + " " + path("order.wav"), "stop.txt"), 0);
    EXPECT_EQ(wav_samples(path("order.wav")).size(), size_t(2 * 24 * 882));
}

TEST(XmrenderRun, SamplesAreTheBlockFillsSamples) {
    const std::vector<uint8_t> bytes = xm_write(song());
    save(bytes, path("same.xm"));
    ASSERT_EQ(run(path("same.xm") + " " + path("same.wav"), "same.txt"), 0);
    const std::vector<int16_t> rendered = wav_samples(path("same.wav"));

    ModulePtr m = start_playback(song());
    ASSERT_TRUE(m);
    std::vector<int16_t> expected;
    std::vector<float> mix(2 * 884);
    std::vector<int16_t> pcm(2 * 884);
    while (expected.size() < rendered.size()) {
        std::fill(mix.begin(), mix.end(), 0.0f);
        render_frames(m.get(), mix.data(), 884);
        mixer_to_pcm16(pcm.data(), mix.data(), 884);
        expected.insert(expected.end(), pcm.begin(), pcm.end());
    }
    expected.resize(rendered.size());
    EXPECT_EQ(rendered, expected);
    EXPECT_GT(*std::max_element(rendered.begin(), rendered.end()), 3000); // the notes were heard
}

// The first line a run wrote to `file`, without its line feed.
std::string first_line(const std::string& file) {
    char line[256] = {};
    FILE* f = std::fopen(file.c_str(), "r");
    if (f && !std::fgets(line, sizeof line, f))
        line[0] = 0;
    if (f)
        std::fclose(f);
    std::string text = line;
    return text.empty() || text.back() != '\n' ? text : text.substr(0, text.size() - 1);
}

TEST(XmrenderRun, RefusalsAndUsageSayWhy) {
    std::vector<uint8_t> bytes = xm_write(song());
    bytes.resize(bytes.size() - 10);
    save(bytes, path("cut.xm"));
    const std::string cut = path("cut.xm"), absent = path("absent.xm"), wav = path("x.wav");
    const std::string usage = "usage: xmrender [--seconds N] [--order N] IN.xm OUT.wav";
    const struct {
        std::string arguments;
        int code;
        std::string out, err; // first lines of standard output and standard error
    } cases[] = {
        {cut + " " + wav, 1, "",
         "xmrender: " + cut +
             ": file ends inside the sample data of instrument 1 (truncated file)"},
        {absent + " " + wav, 1, "",
         "xmrender: " + absent + ": cannot open: No such file or directory"},
        {"--help", 0, usage, ""},
        {"--seconds -1 " + cut + " " + wav, 2, "", usage},
        {"--loud " + cut + " " + wav, 2, "", usage},
        {"-x " + cut + " " + wav, 2, "", usage},
        {cut + " " + wav + " --seconds", 2, "", usage},
        {cut, 2, "", usage},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(run(c.arguments + " >" + path("usage.txt"), "errors.txt"), c.code) << c.arguments;
        EXPECT_EQ(first_line(path("usage.txt")), c.out) << c.arguments;
        EXPECT_EQ(first_line(path("errors.txt")), c.err) << c.arguments;
    }
}

// xmrender as a program: its answer to damaged files and bad arguments (what it renders, the
// effect songs' golden checks).
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

} // namespace

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

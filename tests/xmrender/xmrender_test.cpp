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

} // namespace

TEST(XmrenderRun, RejectsDamagedFilesAndBadArguments) {
    std::vector<uint8_t> bytes = xm_write(song());
    bytes.resize(bytes.size() - 10);
    save(bytes, path("cut.xm"));
    EXPECT_EQ(run(path("cut.xm") + " " + path("cut.wav"), "cut.txt"), 1);
    FILE* f = std::fopen(path("cut.txt").c_str(), "r");
    ASSERT_NE(f, nullptr);
    char line[256] = {};
    ASSERT_NE(std::fgets(line, sizeof line, f), nullptr);
    std::fclose(f);
    EXPECT_NE(std::string(line).find("not a usable XM module"), std::string::npos) << line;
    EXPECT_EQ(run(path("absent.xm") + " " + path("x.wav"), "cut.txt"), 1);
    EXPECT_EQ(run("--seconds -1 " + path("cut.xm") + " " + path("x.wav"), "cut.txt"), 2);
    EXPECT_EQ(run(path("cut.xm"), "cut.txt"), 2);
}

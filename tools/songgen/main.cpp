// songgen: writes the demo's song module. Usage: songgen OUTPUT.xm
// The file must be exactly SONG_FILE_SIZE bytes, the size the demo's file store lists;
// the difference left by the music is made up with silence at the end of the last sample.
#include "tools/songgen/song_instruments.h"
#include "tools/songgen/song_score.h"
#include "tools/xmwriter/xm_writer.h"

#include <cstdio>
#include <cstring>

namespace {

constexpr size_t SONG_FILE_SIZE = 85178;

const char* const USAGE =
    "usage: songgen OUTPUT.xm\n"
    "  writes the demo's song, byte for byte the committed assets/data/vantoli.xm\n";

}  // namespace

int main(int argc, char** argv) {
    if (argc == 2 && (std::strcmp(argv[1], "--help") == 0 || std::strcmp(argv[1], "-h") == 0)) {
        std::fputs(USAGE, stdout);
        return 0;
    }
    if (argc != 2 || argv[1][0] == '-') {
        std::fputs(USAGE, stderr);
        return 2;
    }
    XmModuleDef module;
    module.name = "vantoli";
    song_compose(module);
    module.instruments = song_instruments();
    const size_t music = xm_write(module).size();
    if (music == 0 || music > SONG_FILE_SIZE) {
        std::fprintf(stderr, "songgen: the song needs %zu bytes, the budget is %zu\n", music, SONG_FILE_SIZE);
        return 1;
    }
    XmSampleDef& last = module.instruments.back().samples.back();
    const size_t frameBytes = last.sixteenBit ? 2 : 1;
    if ((SONG_FILE_SIZE - music) % frameBytes != 0) {
        std::fprintf(stderr, "songgen: cannot pad a 16-bit last sample by an odd byte count\n");
        return 1;
    }
    std::fprintf(stderr, "songgen: music %zu bytes, %zu bytes of trailing silence\n", music, SONG_FILE_SIZE - music);
    last.data.resize(last.data.size() + (SONG_FILE_SIZE - music) / frameBytes, 0);
    const std::vector<uint8_t> bytes = xm_write(module);
    if (bytes.size() != SONG_FILE_SIZE) {
        std::fprintf(stderr, "songgen: wrote %zu bytes, expected %zu\n", bytes.size(), SONG_FILE_SIZE);
        return 1;
    }
    if (!xm_save(module, argv[1])) {
        std::fprintf(stderr, "songgen: cannot write %s\n", argv[1]);
        return 1;
    }
    return 0;
}

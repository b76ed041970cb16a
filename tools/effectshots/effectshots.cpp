// effectshots ASSET_DIR OUT_DIR: draws each effect with the program's pictures the way its
// scene calls it, and writes one PNG per effect into OUT_DIR.
#include <cmath>
#include <cstdio>
#include <fstream>
#include <iterator>
#include <memory>
#include <string>
#include <vector>

#include <png.h>

#include "demo/tables.h"
#include "effects/animation.h"
#include "effects/blobs.h"
#include "effects/filters.h"
#include "effects/font.h"
#include "effects/rotozoomer.h"
#include "effects/tunnel.h"
#include "gfx/bitmap.h"
#include "store/fs.h"

namespace {

const char* const CHARSET = "abcdefghijklmnopqrstuwvxyz\xE4\xF6"
                            "1234567890,.()?!-'[]=+;:";

// Store blob of every picture the effects use, read from ASSET_DIR/<name with / for \>.
std::vector<uint8_t> read_store(const std::string& root) {
    std::vector<std::string> names = {"data\\font2.pcx", "data\\owl1.pcx", "data\\owl2.pcx",
                                      "data\\owl3.pcx", "data\\tex1.pcx"};
    for (int n = 1; n <= 24; ++n)
        names.push_back("data\\kelmo\\" + std::to_string(n) + ".pcx");
    std::vector<uint8_t> blob;
    for (const std::string& name : names) {
        std::string path = root + "/" + name;
        for (char& c : path)
            if (c == '\\')
                c = '/';
        std::ifstream in(path, std::ios::binary);
        if (!in) {
            std::fprintf(stderr, "effectshots: cannot read %s\n", path.c_str());
            continue;
        }
        std::vector<uint8_t> data((std::istreambuf_iterator<char>(in)),
                                  std::istreambuf_iterator<char>());
        std::vector<uint8_t> field(128, 0);
        std::copy(name.begin(), name.end(), field.begin());
        blob.insert(blob.end(), field.begin(), field.end());
        for (int s = 0; s < 32; s += 8)
            blob.push_back(uint8_t(data.size() >> s));
        blob.insert(blob.end(), data.begin(), data.end());
    }
    return blob;
}

// Writes rows firstRow .. firstRow+rows-1 of `b` as an 8-bit RGB PNG.
bool write_png(const std::string& path, const Bitmap& b, int firstRow, int rows) {
    FILE* f = std::fopen(path.c_str(), "wb");
    if (!f)
        return false;
    png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
    png_infop info = png_create_info_struct(png);
    if (setjmp(png_jmpbuf(png))) {
        png_destroy_write_struct(&png, &info);
        std::fclose(f);
        return false;
    }
    png_init_io(png, f);
    png_set_IHDR(png, info, b.width, rows, 8, PNG_COLOR_TYPE_RGB, PNG_INTERLACE_NONE,
                 PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
    png_write_info(png, info);
    std::vector<uint8_t> line(size_t(b.width) * 3);
    for (int y = firstRow; y < firstRow + rows; ++y) {
        for (int x = 0; x < b.width; ++x) {
            const uint32_t p = b.pixels[y * b.width + x];
            line[x * 3 + 0] = uint8_t(p >> 16);
            line[x * 3 + 1] = uint8_t(p >> 8);
            line[x * 3 + 2] = uint8_t(p);
        }
        png_write_row(png, line.data());
    }
    png_write_end(png, info);
    png_destroy_write_struct(&png, &info);
    std::fclose(f);
    std::fprintf(stderr, "wrote %s\n", path.c_str());
    return true;
}

bool write_png(const std::string& path, const Bitmap& b) {
    return write_png(path, b, 0, b.height);
}

void dark_bars(uint8_t* phases, Bitmap& dst, bool blobScene) {
    for (int i = 0; i < 128; ++i) {
        const uint8_t b = phases[i];
        const double s = std::sin(b * 0.02454369260617026);
        const int y = blobScene ? int(s * 120 + 140) : int((s + 1) * 120);
        darkenRows(y, 1, 16, dst);
        darkenRows(y + 1, 2, 24, dst);
        darkenRows(y + 3, 1, 16, dst);
        phases[i] = uint8_t(b + 1);
    }
}

} // namespace

int main(int argc, char** argv) {
    if (argc != 3) {
        std::fprintf(stderr, "usage: effectshots ASSET_DIR OUT_DIR\n");
        return 2;
    }
    const std::string out = argv[2];
    std::vector<uint8_t> blob = read_store(argv[1]);
    fs_init(blob.data(), uint32_t(blob.size()));

    rotate_init_tables();
    tables_fill_plasma();
    initWarpTables();
    random_seed(0);
    uint8_t bars[BAR_PHASE_COUNT];
    tables_fill_bar_phases(bars);

    std::unique_ptr<Bitmap> texture(new Bitmap());
    texture->loadPcx("data\\tex1.pcx");
    Font font;
    font.load("data\\font2.pcx", CHARSET);

    // Font: every glyph, the captions' sizes, and the fade steps of a caption.
    {
        Bitmap frame(320, 240);
        frame.fill(0x00203040u);
        font.x = 4;
        font.y = 4;
        font.drawText(frame, "abcdefghijklmnopqrstuvwxyz");
        font.y = 30;
        font.drawText(frame, "\xE4\xF6 1234567890 ,.()?!-'[]=+;:");
        font.y = 60;
        font.x = 160 - 5 * 23;
        font.drawText(frame, "ottaa haasteita vastaan");
        for (int i = 0; i < 5; ++i) {
            font.fadeLevel = i * 60;
            font.x = 10;
            font.y = 95 + i * 28;
            font.drawText(frame, ("fade " + std::to_string(i * 60) + " p\xE4ss\xE4").c_str());
        }
        font.fadeLevel = 0;
        font.x = -20;
        font.y = 95;
        write_png(out + "/font.png", frame);
    }

    // Tunnel with its captions' background at tick 40, and dark bars.
    {
        Bitmap frame(320, 240);
        drawTunnel(40, 40, *texture, frame);
        write_png(out + "/tunnel.png", frame);
        dark_bars(bars, frame, false);
        write_png(out + "/tunnel_bars.png", frame);
    }

    // Radial warp at three phases side by side would change the size; one phase per file.
    for (int phase : {0, 60}) {
        Bitmap frame(320, 240);
        drawRadialWarp(uint8_t(phase), *texture, frame);
        write_png(out + "/radialwarp_" + std::to_string(phase) + ".png", frame);
    }

    // Owl scene: warp, the keyed owl turning about its orbit, blur, bars, scroller.
    {
        std::unique_ptr<Bitmap> owl(new Bitmap());
        owl->loadPcx("data\\owl1.pcx");
        owl->setColorKey(owl->pixels ? owl->pixels[0] & 0x00FFFFFFu : 0);
        RotoZoomer roto;
        roto.init();
        const uint32_t t = 40;
        Bitmap frame(320, 240);
        drawRadialWarp(uint8_t(t % 255), *texture, frame);
        const double a1 = (t & 127) * 0.04908738521234052;
        const double a2 = ((t & 255) * 4) * (3.141592653589793 / 512);
        roto.centreX = int32_t(std::sin(a2) * (owl->width * 1.5 - std::sin(a1) * owl->width) + 160);
        roto.centreY =
            int32_t(std::cos(a2) * (owl->height * 1.5 - std::sin(a1) * owl->height) + 120);
        roto.render(uint16_t((t & 255) * 4), 0.7, *owl, frame);
        write_png(out + "/rotozoomer.png", frame);
        blurBitmap(frame);
        dark_bars(bars, frame, false);
        font.x = 20;
        font.y = 190;
        font.drawText(frame, "huhuu   (( o , 0 ))  whut up");
        write_png(out + "/owl_scene.png", frame);

        Bitmap tiledFrame(320, 240);
        roto.tiled = 1;
        roto.render(100, 0.7, *texture, tiledFrame);
        write_png(out + "/rotozoomer_tiled.png", tiledFrame);
    }

    // Blob cloud: warp into rows 20..259 of a 320x320 buffer, bars, 192 blobs, caption.
    {
        BlobSprites blobs;
        blobs.init(256, 38);
        Vec3 cloud[PARTICLE_COUNT];
        uint8_t a = 0, b = 0, c = 0;
        tables_fill_particles(cloud, a, b, c);
        Bitmap tall(320, 320);
        const uint8_t p = 30;
        drawRadialWarp(p, *texture, tall, 20);
        dark_bars(bars, tall, true);
        for (const Vec3& particle : cloud) {
            Vec3 q;
            rotatePoint(128, p, p, particle, q);
            int32_t z = q.z + 768;
            if (z == 0)
                z = 1;
            const int32_t sx = (q.x * 90) / z + 160;
            const int32_t sy = (q.y * 90) / z + 120;
            if (sx > 10 && sx < 310 && sy > 0 && sy < 240)
                blobs.draw(sx, sy + 20, 255 - (z * 1500) / 7000, tall);
        }
        font.x = 100;
        font.y = 60;
        font.drawText(tall, "lanmpaitaani");
        write_png(out + "/blobs.png", tall, 20, 240);
    }

    // Opening scene's trail: 24 steps of frame, blur, one frame per 8 ticks.
    {
        loadAnimationFrames();
        Bitmap trail(320, 240);
        for (uint32_t t = 0; t < 24; ++t) {
            Bitmap* frame = animationFrames[(t >> 3) % 19];
            frame->fadeLevel = 160;
            frame->drawAt(0, 20, trail);
            blurBitmap(trail);
        }
        write_png(out + "/blur_trail.png", trail);
        Bitmap sheet(320, 180);
        animationFrames[0]->fadeLevel = 0;
        animationFrames[0]->drawAt(0, 0, sheet);
        write_png(out + "/animation_frame1.png", sheet);
    }
    font.unload();
    return 0;
}

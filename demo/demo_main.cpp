// The start-up sequence, the frame loop and the shutdown of the program.
#include "demo/demo_main.h"

#include "audio/sound.h"
#include "demo/demo.h"
#include "demo/frame_clock.h"
#include "display/display.h"
#include "display/display_poll.h"
#include "gfx/bitmap.h"
#include "music/music.h"
#include "store/blob.h"
#include "store/fs.h"

int demo_run() {
    static Demo demo;

    fs_init(vorru_blob, vorru_blob_size);
    demo.backBuffer = new Bitmap(320, 240);
    demo.setupFirstStage();
    music_set_file_callbacks(fs_open, fs_close, fs_read, fs_seek, fs_tell);
    sound_open(44100);
    demo.module = music_load("data\\vantoli.xm", nullptr);
    sound_play(demo.module);
    display_open("vorru", 320, 240);
    demo.tickCounter = 0;
    demo.setupSecondStage();
    startFrameClock(demo.module);
    demo.setupThirdStage();

    FrameLoopState loop;
    for (;;) {
        waitFrameClock(demo.module);
        display_poll_event(&loop.lastPolledMessage);
        demo.drawScene();
        while (pendingTicks > 0) {
            demo.tick();
            pendingTicks--;
        }
        if (demo_should_stop(loop, sound_get_order(demo.module))) break;
    }

    music_free(demo.module);
    demo.module = nullptr;
    sound_close();
    demo.shutdown();
    delete demo.backBuffer;
    demo.backBuffer = nullptr;
    // Give the desktop back (mode, screen saver) rather than leaving it to the process end.
    display_close();
    return 1;
}

// Stepping the in-memory device block by block, waiting for the feeder thread.
#include "tests/sound/memory_steps.h"

#include <chrono>
#include <thread>

#include "audio/memory/memory_device.h"
#include "audio/sound.h"

bool advance_to_block(int block)
{
    const SoundOutput& s = sound_output();
    memory_device_set_position(uint64_t(block) * uint64_t(s.block_frames) * 4);
    int expected = block % s.block_count;
    auto limit = std::chrono::steady_clock::now() + std::chrono::seconds(5);
    while (std::chrono::steady_clock::now() < limit) {
        if (s.reader_index.load() == expected && !s.filling.load())
            return true;
        std::this_thread::sleep_for(std::chrono::microseconds(200));
    }
    return false;
}

#pragma once
// Writes captured frames as PNG files on worker threads, so the encoding (most of a capture's
// time) uses every core while the demo renders the next frames.

#include <cstdint>
#include <string>
#include <vector>

// Starts `workers` threads (at least 1) that write the frames handed to png_queue_push. At most
// `depth` frames wait at once; a push beyond that blocks until a worker takes one. `fast`:
// see png_write_xrgb.
void png_queue_start(int workers, int depth, bool fast);

// Queues `pixels` (width x height, 0x00RRGGBB, packed rows) for writing to `path`; takes them
// over. Main thread.
void png_queue_push(std::string path, std::vector<uint32_t> pixels, int width, int height);

// Waits until every queued frame is written and ends the workers. True when every file was
// written; png_write_xrgb has said on standard error what failed.
bool png_queue_finish();

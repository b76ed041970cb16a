// The PNG workers: a bounded queue of frames under one lock, woken by condition variables.
#include "png_queue.h"

#include <condition_variable>
#include <deque>
#include <mutex>
#include <thread>
#include <utility>

#include "png_write.h"

namespace {

struct Job {
    std::string path;
    std::vector<uint32_t> pixels;
    int width;
    int height;
};

std::mutex lock;
std::condition_variable jobReady;
std::condition_variable slotFree;
std::deque<Job> jobs;
std::vector<std::thread> workers;
size_t maxDepth = 1;
bool closing = false;
bool failed = false;
bool fastPng = false;

void work() {
    for (;;) {
        Job job;
        {
            std::unique_lock<std::mutex> hold(lock);
            jobReady.wait(hold, [] { return closing || !jobs.empty(); });
            if (jobs.empty())
                return;
            job = std::move(jobs.front());
            jobs.pop_front();
        }
        slotFree.notify_one();
        const bool ok = png_write_xrgb(job.path.c_str(), job.pixels.data(), job.width, job.height,
                                       job.width, fastPng);
        if (!ok) {
            std::lock_guard<std::mutex> hold(lock);
            failed = true;
        }
    }
}

} // namespace

void png_queue_start(int count, int depth, bool fast) {
    fastPng = fast;
    maxDepth = depth > 0 ? static_cast<size_t>(depth) : 1;
    closing = false;
    failed = false;
    for (int i = 0; i < (count > 0 ? count : 1); i++)
        workers.emplace_back(work);
}

void png_queue_push(std::string path, std::vector<uint32_t> pixels, int width, int height) {
    {
        std::unique_lock<std::mutex> hold(lock);
        slotFree.wait(hold, [] { return jobs.size() < maxDepth; });
        jobs.push_back(Job{std::move(path), std::move(pixels), width, height});
    }
    jobReady.notify_one();
}

bool png_queue_finish() {
    {
        std::lock_guard<std::mutex> hold(lock);
        closing = true;
    }
    jobReady.notify_all();
    for (std::thread& t : workers)
        t.join();
    workers.clear();
    return !failed;
}

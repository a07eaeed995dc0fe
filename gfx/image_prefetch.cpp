#include "gfx/image_prefetch.h"

#include "gfx/prefetch_times.h"
#include "gfx/soil.h"

#include <algorithm>
#include <condition_variable>
#include <deque>
#include <mutex>
#include <thread>
#include <utility>

namespace {

// Decoding shares the machine with the main thread's uploads, and each worker holds
// one decoded image at a time: a few workers are enough.
constexpr unsigned maxWorkers = 4;

struct Decoded {
    ImageRequest request;
    unsigned char* pixels = nullptr;
    int width = 0;
    int height = 0;
    bool started = false;
    bool done = false;
    bool taken = false;
};

// Workers run detached and stop once nothing is left to start. Their shared state is
// never destroyed, so a worker still decoding when the program exits touches nothing
// that is gone.
struct Queue {
    std::mutex mutex;
    std::condition_variable decodedOne;
    // A deque keeps references to its elements valid while more are queued.
    std::deque<Decoded> images;
    unsigned runningWorkers = 0;
};
Queue& queue = *new Queue;

Decoded* firstUnstarted() {
    auto found = std::find_if(queue.images.begin(), queue.images.end(),
                              [](const Decoded& image) { return !image.started; });
    return found == queue.images.end() ? nullptr : &*found;
}

// Decodes a claimed image with the lock released, then publishes it.
void decode(Decoded& image, std::unique_lock<std::mutex>& lock) {
    image.started = true;
    lock.unlock();
    int width = 0;
    int height = 0;
    unsigned char* pixels = SOIL_load_image(image.request.path.c_str(), &width, &height, nullptr,
                                            image.request.channels);
    lock.lock();
    image.pixels = pixels;
    image.width = width;
    image.height = height;
    image.done = true;
    queue.decodedOne.notify_all();
}

void decodeQueued() {
    std::unique_lock<std::mutex> lock(queue.mutex);
    while (Decoded* image = firstUnstarted()) {
        const double start = prefetchClockMs();
        decode(*image, lock);
        addPrefetchTime(&PrefetchTimes::workerDecodingMs, start);
    }
    --queue.runningWorkers;
}

} // namespace

void prefetchImages(const std::vector<ImageRequest>& requests) {
    std::lock_guard<std::mutex> lock(queue.mutex);
    for (const ImageRequest& request : requests) {
        const bool queued =
            std::any_of(queue.images.begin(), queue.images.end(), [&](const Decoded& image) {
                return !image.taken && image.request.channels == request.channels &&
                       image.request.path == request.path;
            });
        if (!queued) {
            queue.images.push_back(Decoded{request});
        }
    }
    const unsigned cores = std::max(1u, std::thread::hardware_concurrency());
    const unsigned wanted = std::min({maxWorkers, cores, static_cast<unsigned>(requests.size())});
    while (queue.runningWorkers < wanted) {
        ++queue.runningWorkers;
        std::thread(decodeQueued).detach();
    }
}

namespace {

// loadImage without its clock.
unsigned char* takeImage(const char* path, int* width, int* height, int channels) {
    std::unique_lock<std::mutex> lock(queue.mutex);
    auto found = std::find_if(queue.images.begin(), queue.images.end(), [&](const Decoded& image) {
        return !image.taken && image.request.channels == channels && image.request.path == path;
    });
    if (found == queue.images.end()) {
        lock.unlock();
        return SOIL_load_image(path, width, height, nullptr, channels);
    }
    // Not reached by a worker yet: this thread decodes it rather than wait.
    if (!found->started) {
        decode(*found, lock);
    }
    queue.decodedOne.wait(lock, [&] { return found->done; });
    found->taken = true;
    *width = found->width;
    *height = found->height;
    unsigned char* pixels = std::exchange(found->pixels, nullptr);
    // Entries at the front that were taken are finished with; no worker refers to them.
    while (!queue.images.empty() && queue.images.front().taken) {
        queue.images.pop_front();
    }
    return pixels;
}

} // namespace

unsigned char* loadImage(const char* path, int* width, int* height, int channels) {
    const double start = prefetchClockMs();
    unsigned char* pixels = takeImage(path, width, height, channels);
    addPrefetchTime(&PrefetchTimes::imageWaitMs, start);
    return pixels;
}

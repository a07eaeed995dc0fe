#pragma once

#include <string>
#include <vector>

// Image decoding ahead of need: files named here are decoded on worker threads while
// the main thread goes on with its GL work, and the upload that needs one takes it
// from here. Only decoding moves; every GL call stays on the caller's thread, in its
// order.
struct ImageRequest {
    std::string path;
    int channels = 0; // as SOIL_load_image's force_channels
};

// Queues the files for decoding by a few worker threads, in the order given. A file
// already queued with the same channel count and not yet taken is not queued again.
void prefetchImages(const std::vector<ImageRequest>& requests);

// SOIL_load_image for one file: the prefetched result when this file and channel count
// were queued and not yet taken (waiting for its decoding to end, or decoding it here
// when no worker has started it), else decoded now. Free the result with
// SOIL_free_image_data. Queue only what will be loaded: an image never taken stays
// in memory.
unsigned char* loadImage(const char* path, int* width, int* height, int channels);

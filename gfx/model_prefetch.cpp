#include "gfx/model_prefetch.h"

#include "gfx/image_prefetch.h"
#include "gfx/model_import.h"
#include "gfx/prefetch_times.h"
#include "gfx/soil.h"

#include <future>
#include <map>
#include <mutex>

namespace {

std::mutex pendingMutex;
std::map<std::string, std::future<std::unique_ptr<ImportedModel>>> pending;

// The import, then the decoding of its maps on the image workers: everything a load needs
// from the disk is under way before the first upload.
std::unique_ptr<ImportedModel> importAndPrefetchMaps(const std::string& path) {
    auto imported = std::make_unique<ImportedModel>();
    imported->scene = importModelFile(imported->importer, path, imported->problem);
    if (imported->scene != nullptr) {
        std::vector<ImageRequest> requests;
        for (const std::string& file : materialMapFiles(imported->scene, modelDirectory(path))) {
            requests.push_back({file, SOIL_LOAD_RGBA});
        }
        prefetchImages(requests);
    }
    return imported;
}

} // namespace

void prefetchModel(const std::string& path) {
    std::lock_guard<std::mutex> lock(pendingMutex);
    if (pending.count(path) == 0) {
        pending[path] = std::async(std::launch::async, importAndPrefetchMaps, path);
    }
}

std::unique_ptr<ImportedModel> takeModel(const std::string& path) {
    const double start = prefetchClockMs();
    std::future<std::unique_ptr<ImportedModel>> prefetched;
    {
        std::lock_guard<std::mutex> lock(pendingMutex);
        const auto found = pending.find(path);
        if (found != pending.end()) {
            prefetched = std::move(found->second);
            pending.erase(found);
        }
    }
    std::unique_ptr<ImportedModel> model =
        prefetched.valid() ? prefetched.get() : importAndPrefetchMaps(path);
    addPrefetchTime(&PrefetchTimes::modelWaitMs, start);
    return model;
}

std::string modelDirectory(const std::string& path) {
    const size_t separator = path.find_last_of('/');
    return separator == std::string::npos ? std::string(".") : path.substr(0, separator);
}

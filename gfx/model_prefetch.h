#pragma once

#include <assimp/Importer.hpp>
#include <assimp/scene.h>

#include <memory>
#include <string>

// Model files read ahead of need: the import (the file read, parsed and checked, no GL)
// runs on a thread of its own from before the window opens, and the material maps it
// names start decoding as soon as it is done. The model's load takes the result.
struct ImportedModel {
    Assimp::Importer importer;
    // Null when the import failed; problem then says why.
    const aiScene* scene = nullptr;
    std::string problem;
};

// Starts importing the file on a worker thread, unless it is already being imported and
// not yet taken.
void prefetchModel(const std::string& path);

// The import of path: the prefetched one when there is one (waiting for it to finish),
// else imported now.
std::unique_ptr<ImportedModel> takeModel(const std::string& path);

// The folder a model's texture references are resolved against.
std::string modelDirectory(const std::string& path);

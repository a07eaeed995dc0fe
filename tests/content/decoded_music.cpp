#include "decoded_music.h"

#include <gtest/gtest.h>
#include <sndfile.h>

#include <algorithm>

namespace {

DecodedMusic decode() {
    DecodedMusic decoded;
    SF_INFO info{};
    SNDFILE* file = sf_open(musicPath, SFM_READ, &info);
    if (file == nullptr) {
        ADD_FAILURE() << "cannot decode " << musicPath << ": " << sf_strerror(nullptr);
        return decoded;
    }
    decoded.rate = info.samplerate;
    decoded.channels = info.channels;
    decoded.samples.resize(static_cast<std::size_t>(info.frames) * info.channels);
    const sf_count_t read = sf_readf_float(file, decoded.samples.data(), info.frames);
    decoded.samples.resize(static_cast<std::size_t>(std::max<sf_count_t>(read, 0)) * info.channels);
    sf_close(file);
    return decoded;
}

} // namespace

const DecodedMusic& music() {
    static const DecodedMusic decoded = decode();
    return decoded;
}

// The score as the show meets it: the cue sheet the generator composes to, and the places'
// sounds in the generated file, heard from the eye as the path carries it.
#include "decoded_music.h"
#include "effects/particle_pool.h"
#include "music/ambience.h"
#include "music/cue_sheet.h"
#include "tools/show/span.h"

#include <glm/geometric.hpp>
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <fstream>
#include <set>
#include <sstream>
#include <string>
#include <vector>

namespace {

constexpr const char* cueSheetDoc = "docs/cue_sheet.md";
constexpr int channels = 2;

// Fires are judged where one lies within passNear of the eye and those it can hear lie
// oneSidedDb more to one side than the other, sampled every sampleStepSeconds; the
// crackle band lies above the music's notes.
constexpr float passNear = 4.0f;
constexpr double oneSidedDb = 3.0;
constexpr double sampleStepSeconds = 0.5;
// A fire heard on its own carries this share of what the eye hears of all of them.
constexpr double ownShare = 0.6;
constexpr double crackleBandHz = 4000.0;
constexpr double listenSeconds = 0.6;
// How much earlier the eye is heard from further off, and how much further off it must be.
constexpr double earlierSeconds = 6.0;
constexpr float fartherRatio = 1.5f;
// Cues strike a splash across the band; passes near them are not judged.
constexpr double clearOfCuesSeconds = 4.0;
constexpr double sideLeadsDb = 2.0;
constexpr double nearerLouderDb = 3.0;

struct Show {
    ShowPlan plan;
    std::vector<Cue> cues;
    std::string missing;
};

const Show& show() {
    static const Show built = [] {
        Show s;
        s.plan = planShow();
        s.cues = cueSheet(s.plan.path, s.plan.space, s.plan.sound.places, s.missing);
        return s;
    }();
    return built;
}

const PlaceAir* placeNamed(const std::string& name) {
    for (const PlaceAir& place : show().plan.sound.places) {
        if (name == placeName(place.place)) {
            return &place;
        }
    }
    return nullptr;
}

TEST(CueSheet, EachCueIsWhereTheEyeFirstMeetsItsPlace) {
    const Show& s = show();
    EXPECT_EQ(s.missing, "");
    std::set<std::string> named;
    for (std::size_t i = 0; i < s.cues.size(); ++i) {
        const Cue& cue = s.cues[i];
        named.insert(cue.name);
        SCOPED_TRACE(cue.name);
        EXPECT_DOUBLE_EQ(cue.seconds, static_cast<double>(cue.frame) / pathFramesPerSecond);
        if (i > 0) {
            EXPECT_GE(cue.frame, s.cues[i - 1].frame) << "the sheet is in time order";
        }
        if (cue.event == CueEvent::starsComeOut) {
            EXPECT_GT(cue.seconds, starsStartTime);
            EXPECT_LE(static_cast<double>(cue.frame - 1) / pathFramesPerSecond, starsStartTime);
            continue;
        }
        const PlaceAir* place = placeNamed(cue.name);
        ASSERT_NE(place, nullptr);
        ASSERT_GE(cue.frame, 0);
        ASSERT_LT(static_cast<std::size_t>(cue.frame), s.plan.path.size());
        const Camera& at = s.plan.path[cue.frame];
        if (cue.event == CueEvent::enters) {
            EXPECT_TRUE(isInside(*place, at.position));
            if (cue.frame > 0) {
                EXPECT_FALSE(isInside(*place, s.plan.path[cue.frame - 1].position));
            }
        } else {
            for (const Camera& eye : s.plan.path) {
                ASSERT_FALSE(isInside(*place, eye.position)) << "looked into but entered";
            }
            EXPECT_TRUE(looksInto(s.plan.space, *place, at));
            EXPECT_FALSE(looksInto(s.plan.space, *place, s.plan.path[cue.frame - 1]));
        }
    }
    EXPECT_EQ(named.size(), s.plan.sound.places.size() + 1) << "every place and the stars";
    // The walk as the path was laid out: in through the hall, out up the stairs.
    ASSERT_FALSE(s.cues.empty());
    EXPECT_EQ(std::string(s.cues.front().name), "entrance hall");
    EXPECT_EQ(s.cues.front().frame, 0);
    const auto when = [&](const std::string& name) {
        for (const Cue& cue : s.cues) {
            if (name == cue.name) {
                return cue.frame;
            }
        }
        return -1L;
    };
    EXPECT_LT(when("corridor"), when("stairs"));
    EXPECT_LT(when("stairs"), when("open air"));
}

TEST(CueSheet, TheDocsKeepTheSheetTheGeneratorPrints) {
    std::ifstream file(cueSheetDoc);
    ASSERT_TRUE(file) << cueSheetDoc;
    std::stringstream text;
    text << file.rdbuf();
    EXPECT_NE(text.str().find(cueSheetTable(show().cues)), std::string::npos)
        << "refresh " << cueSheetDoc << " from the generator's output:\n"
        << cueSheetTable(show().cues);
}

// Energy above crackleBandHz in each channel, in dB, over listenSeconds around `seconds`.
struct SideLevels {
    double left;
    double right;
};

SideLevels crackleBand(double seconds) {
    const DecodedMusic& audio = music();
    const SvfCoefficients highPass = svfCoefficients(crackleBandHz, 0.7071, audio.rate);
    const auto first = static_cast<std::size_t>((seconds - listenSeconds) * audio.rate);
    const auto last = static_cast<std::size_t>((seconds + listenSeconds) * audio.rate);
    double sums[channels] = {};
    for (int c = 0; c < channels; ++c) {
        Svf filter;
        for (std::size_t i = first; i < last && i < audio.frames(); ++i) {
            const double high = processSvf(filter, highPass, audio.at(i, c)).high;
            sums[c] += high * high;
        }
    }
    return {10.0 * std::log10(sums[0] + 1e-20), 10.0 * std::log10(sums[1] + 1e-20)};
}

// Where the sources the eye can hear lie, seen from the eye at `seconds`: each fire and the
// light well weigh by the inverse square of their distance (candles, far quieter, aside),
// split between the sides as a pan would split it.
struct Balance {
    double left = 0.0;
    double right = 0.0;
    float nearest = 1e9f;
};

Balance firesAround(double seconds) {
    const Camera eye = eyeAt(show().plan.path, seconds);
    const Box& well = show().plan.sound.lightWell;
    std::vector<glm::vec3> sources = {
        {0.5f * (well.min.x + well.max.x), well.min.y, 0.5f * (well.min.z + well.max.z)}};
    for (const Fire& fire : show().plan.sound.fires) {
        if (fire.kind != FireKind::candle) {
            sources.push_back(fire.at);
        }
    }
    Balance balance;
    for (const glm::vec3& at : sources) {
        const float distance = glm::length(at - eye.position);
        const double weight = 1.0 / std::max(1e-3, static_cast<double>(distance * distance));
        const double side = sideOf(eye, at);
        balance.left += weight * 0.5 * (1.0 - side);
        balance.right += weight * 0.5 * (1.0 + side);
        balance.nearest = std::min(balance.nearest, distance);
    }
    return balance;
}

bool clearOfCues(double seconds) {
    return std::none_of(show().cues.begin(), show().cues.end(), [&](const Cue& cue) {
        return std::fabs(cue.seconds - seconds) < clearOfCuesSeconds;
    });
}

TEST(PlacesSound, FiresAreHeardFromTheSideTheyAreOn) {
    ASSERT_EQ(music().channels, channels);
    int left = 0;
    int right = 0;
    const double pathSeconds = static_cast<double>(show().plan.path.size()) / pathFramesPerSecond;
    for (double seconds = listenSeconds; seconds < pathSeconds; seconds += sampleStepSeconds) {
        const Balance fires = firesAround(seconds);
        const double expected = 10.0 * std::log10(fires.left / fires.right);
        if (fires.nearest > passNear || std::fabs(expected) < oneSidedDb || !clearOfCues(seconds)) {
            continue;
        }
        SCOPED_TRACE("at " + std::to_string(seconds) + " s, fires " + std::to_string(expected) +
                     " dB to the left");
        const SideLevels heard = crackleBand(seconds);
        if (expected > 0.0) {
            ++left;
            EXPECT_GT(heard.left - heard.right, sideLeadsDb);
        } else {
            ++right;
            EXPECT_GT(heard.right - heard.left, sideLeadsDb);
        }
    }
    EXPECT_GT(left, 0) << "the path passes no fire on its left";
    EXPECT_GT(right, 0) << "the path passes no fire on its right";
}

TEST(PlacesSound, AFireGrowsLouderAsTheEyeNearsIt) {
    ASSERT_EQ(music().channels, channels);
    const Show& s = show();
    int judged = 0;
    for (const Fire& fire : s.plan.sound.fires) {
        if (fire.kind == FireKind::candle) {
            continue;
        }
        std::size_t nearest = 0;
        for (std::size_t n = 0; n < s.plan.path.size(); ++n) {
            if (glm::length(s.plan.path[n].position - fire.at) <
                glm::length(s.plan.path[nearest].position - fire.at)) {
                nearest = n;
            }
        }
        const double seconds = static_cast<double>(nearest) / pathFramesPerSecond;
        const float distance = glm::length(s.plan.path[nearest].position - fire.at);
        const double earlier = seconds - earlierSeconds;
        // Judged where this fire is the only one near, and clearly further off before.
        const Balance around = firesAround(seconds);
        const double own = 1.0 / (distance * distance);
        if (distance > passNear || earlier < 0.0 || !clearOfCues(seconds) ||
            !clearOfCues(earlier) || own < ownShare * (around.left + around.right) ||
            glm::length(eyeAt(s.plan.path, earlier).position - fire.at) < fartherRatio * distance) {
            continue;
        }
        SCOPED_TRACE("fire passed at " + std::to_string(seconds) + " s");
        ++judged;
        const SideLevels near = crackleBand(seconds);
        const SideLevels far = crackleBand(earlier);
        EXPECT_GT(std::max(near.left, near.right) - std::max(far.left, far.right), nearerLouderDb);
    }
    EXPECT_GT(judged, 0) << "the path passes no fire on its own";
}

TEST(PlacesSound, TheFileOutlastsTheShowAndItsStars) {
    const DecodedMusic& audio = music();
    ASSERT_GT(audio.rate, 0);
    const double seconds = static_cast<double>(audio.frames()) / audio.rate;
    const double showSeconds =
        static_cast<double>(show().plan.path.size()) / pathFramesPerSecond + secondsAfterPath;
    EXPECT_GT(seconds, showSeconds) << "the loop would jump back to the opening in the show";
}

} // namespace

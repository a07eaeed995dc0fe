#include "dungeon_props.h"

#include <algorithm>
#include <cmath>
#include <cstddef>
#include <vector>

namespace {

// Pillars.
constexpr float shaftRadius = 0.3f;
constexpr float capitalRadius = 0.4f;
constexpr float plinthHalf = 0.42f;
constexpr float plinthHeight = 0.3f;
constexpr float abacusHalf = 0.45f;
constexpr float abacusHeight = 0.25f;
constexpr float flareHeight = 0.25f;
constexpr int pillarSegments = 12;
// A broken column's top is chamfered.
constexpr float stumpTipHeight = 0.08f;
constexpr float stumpTipRadius = 0.18f;

// Barrels: the staves' profile (radius, height) and two iron hoops.
constexpr glm::vec2 barrelProfile[] = {{0.0f, 0.0f},   {0.27f, 0.0f},  {0.31f, 0.2f},
                                       {0.33f, 0.42f}, {0.31f, 0.64f}, {0.27f, 0.84f},
                                       {0.0f, 0.84f}};
struct Hoop {
    float height, radius;
};
constexpr Hoop barrelHoops[] = {{0.12f, 0.305f}, {0.7f, 0.315f}};
constexpr float hoopHeight = 0.06f;
constexpr float hoopThickness = 0.02f;
constexpr int barrelSegments = 12;

// Braziers: the bowl's profile (outside down, inside up), its legs and the wood in it.
constexpr glm::vec2 bowlProfile[] = {{0.0f, 0.0f},   {0.16f, 0.0f},  {0.36f, 0.14f}, {0.41f, 0.2f},
                                     {0.39f, 0.22f}, {0.33f, 0.16f}, {0.0f, 0.1f}};
constexpr float bowlHeight = 0.62f;
constexpr int bowlSegments = 12;
constexpr int brazierLegs = 3;
constexpr float legTurn = 0.4f;
constexpr float footSpread = 0.34f;
constexpr float legHalfWidth = 0.02f;
constexpr float legTopRadius = 0.14f;
constexpr float legTopRise = 0.06f;
constexpr int brazierSticks = 3;
constexpr float stickHalfLength = 0.24f;
constexpr float stickHalfWidth = 0.03f;
constexpr float stickTurn = 1.1f;
constexpr float stickBottom = 0.16f;
// A heap of coals fills the bowl up to the sticks; small flames rise from it.
constexpr glm::vec2 coalProfile[] = {{0.35f, 0.16f}, {0.25f, 0.22f}, {0.1f, 0.25f}, {0.0f, 0.26f}};
constexpr glm::vec2 brazierFlameProfile[] = {
    {0.0f, 0.0f}, {0.05f, 0.05f}, {0.03f, 0.14f}, {0.0f, 0.22f}};
struct FlameSpot {
    float radius, angle, scale;
};
constexpr FlameSpot brazierFlames[] = {
    {0.0f, 0.0f, 1.2f}, {0.15f, 0.9f, 0.8f}, {0.14f, 3.0f, 0.9f}, {0.16f, 5.0f, 0.7f}};
constexpr float brazierFlameFoot = 0.22f;
constexpr int flameSegments = 6;

// Wall brackets: back plate, arm, cup and torch.
constexpr glm::vec3 bracketPlateHalf{0.015f, 0.16f, 0.07f};
constexpr glm::vec3 bracketArmHalf{0.13f, 0.02f, 0.02f};
constexpr float bracketArmOut = 0.15f;
constexpr float bracketArmDrop = 0.06f;
constexpr float bracketCupOut = 0.28f;
constexpr float bracketCupDrop = 0.1f;
constexpr glm::vec2 bracketCupProfile[] = {
    {0.0f, 0.0f}, {0.03f, 0.0f}, {0.06f, 0.1f}, {0.05f, 0.1f}, {0.0f, 0.05f}};
constexpr glm::vec2 torchProfile[] = {{0.0f, 0.0f}, {0.03f, 0.0f}, {0.035f, 0.38f}, {0.0f, 0.42f}};
constexpr float torchSeat = 0.05f;
constexpr int cupSegments = 8;
constexpr int torchSegments = 6;
// The torch's head: pitch-soaked wrapping glowing as embers, with a flame on top.
constexpr glm::vec2 torchHeadProfile[] = {
    {0.02f, 0.3f}, {0.048f, 0.33f}, {0.042f, 0.43f}, {0.0f, 0.45f}};
constexpr glm::vec2 torchFlameProfile[] = {
    {0.0f, 0.43f}, {0.045f, 0.48f}, {0.028f, 0.57f}, {0.0f, 0.67f}};

// The table and its benches.
constexpr glm::vec3 tableTopHalf{0.45f, 0.04f, 1.0f};
constexpr float tableHeight = 0.85f;
constexpr float legHalf = 0.05f;
constexpr float legInsetAcross = 0.08f;
constexpr float legInsetAlong = 0.1f;
constexpr glm::vec3 benchTopHalf{0.17f, 0.03f, 0.9f};
constexpr float benchHeight = 0.45f;
constexpr float benchOffset = 0.8f;
constexpr float benchLegAlong = 0.7f;
constexpr glm::vec3 benchLegHalf{0.13f, 0.0f, 0.03f};

// The plank door.
constexpr float doorThickness = 0.12f;
constexpr float bandHeights[] = {0.45f, 1.75f};
constexpr float bandHalfHeight = 0.05f;
constexpr float bandHalfThickness = 0.012f;
constexpr float bandInset = 0.06f;
constexpr glm::vec3 ringOffset{0.45f, 1.05f, 0.0f};
constexpr float ringHalf = 0.04f;
constexpr float ringDepth = 0.05f;

// Urns.
constexpr glm::vec2 urnProfile[] = {{0.0f, 0.0f},  {0.12f, 0.0f},  {0.13f, 0.04f}, {0.19f, 0.16f},
                                    {0.21f, 0.3f}, {0.16f, 0.45f}, {0.09f, 0.52f}, {0.12f, 0.6f},
                                    {0.08f, 0.6f}, {0.06f, 0.54f}, {0.0f, 0.5f}};
constexpr int urnSegments = 12;

// Gate bars: square bars, upright ones at a steady spacing, rails across them.
constexpr float barHalf = 0.025f;
constexpr float barSpacing = 0.2f;
constexpr float gateRails[] = {0.35f, 1.2f, 2.05f, 2.75f};

// The chandelier.
constexpr float chandelierRadius = 0.75f;
constexpr float chandelierRingHalf = 0.05f;
constexpr int chandelierSegments = 16;
constexpr float chainHalf = 0.012f;
constexpr int chains = 3;
constexpr float hookDrop = 0.3f;
constexpr int chandelierCups = 6;
constexpr glm::vec2 candleCupProfile[] = {
    {0.0f, 0.0f}, {0.03f, 0.0f}, {0.06f, 0.07f}, {0.05f, 0.07f}, {0.0f, 0.04f}};
// Candles: wax standing in a cup or a holder, a small flame above the wick.
constexpr glm::vec2 candleProfile[] = {
    {0.0f, 0.0f}, {0.02f, 0.0f}, {0.02f, 0.11f}, {0.014f, 0.12f}, {0.0f, 0.12f}};
constexpr glm::vec2 candleFlameProfile[] = {
    {0.0f, 0.12f}, {0.012f, 0.14f}, {0.007f, 0.17f}, {0.0f, 0.2f}};
constexpr float candleInCup = 0.04f;
constexpr int candleSegments = 6;

// A fire on a hearth: a heap of coals, two logs across it and its flames.
constexpr glm::vec2 hearthCoalProfile[] = {
    {0.34f, 0.0f}, {0.26f, 0.07f}, {0.12f, 0.11f}, {0.0f, 0.12f}};
constexpr float hearthLogHalfLength = 0.3f;
constexpr float hearthLogHalf = 0.05f;
constexpr float hearthLogTurn = 0.5f;
constexpr FlameSpot hearthFlames[] = {{0.0f, 0.0f, 2.0f}, {0.14f, 0.5f, 1.5f}, {0.15f, 2.6f, 1.3f},
                                      {0.2f, 4.2f, 1.1f}, {0.22f, 1.6f, 0.9f}, {0.24f, 5.5f, 1.0f}};
constexpr float hearthFlameFoot = 0.08f;
constexpr int hearthSegments = 12;

// A tankard, a plate and a bowl as laid on a table.
constexpr glm::vec2 tankardProfile[] = {
    {0.0f, 0.0f}, {0.045f, 0.0f}, {0.05f, 0.12f}, {0.04f, 0.12f}, {0.0f, 0.11f}};
constexpr glm::vec2 plateProfile[] = {
    {0.0f, 0.0f}, {0.08f, 0.0f}, {0.12f, 0.02f}, {0.1f, 0.02f}, {0.0f, 0.01f}};
constexpr glm::vec2 bowlOnTableProfile[] = {
    {0.0f, 0.0f}, {0.07f, 0.0f}, {0.13f, 0.08f}, {0.11f, 0.08f}, {0.0f, 0.04f}};
constexpr int tablewareSegments = 8;
// A candlestick: foot, stem and a cup for the candle.
constexpr glm::vec2 candlestickProfile[] = {{0.0f, 0.0f},    {0.07f, 0.0f},  {0.06f, 0.02f},
                                            {0.015f, 0.05f}, {0.015f, 0.2f}, {0.035f, 0.22f},
                                            {0.0f, 0.22f}};
constexpr float candlestickHeight = 0.22f;

// The grate's bars run along z at this spacing, two rails across them.
constexpr float grateBarSpacing = 0.18f;
constexpr float grateRailInset = 0.35f;

// The flames of a fire, each a brazier flame scaled and standing at its spot round `foot`.
template <std::size_t count>
void addFlames(Solids& solids, glm::vec3 foot, const FlameSpot (&spots)[count]) {
    for (const FlameSpot& spot : spots) {
        std::vector<glm::vec2> flame = profileOf(brazierFlameProfile);
        for (glm::vec2& point : flame) {
            point *= spot.scale;
        }
        addLathe(solids.mesh, Material::flame, foot + around(spot.angle) * spot.radius, flame,
                 flameSegments);
    }
}

} // namespace

void addPillar(Solids& solids, glm::vec3 base, float height) {
    addSolidBlock(solids, Material::wall,
                  {base + up(0.5f * plinthHeight), {plinthHalf, 0.5f * plinthHeight, plinthHalf}},
                  allFaces & ~faceNegY);
    addSolidLathe(solids, Material::wall, base,
                  {{shaftRadius, plinthHeight},
                   {shaftRadius, height - abacusHeight - flareHeight},
                   {capitalRadius, height - abacusHeight}},
                  pillarSegments);
    addSolidBlock(
        solids, Material::wall,
        {base + up(height - 0.5f * abacusHeight), {abacusHalf, 0.5f * abacusHeight, abacusHalf}},
        allFaces & ~facePosY);
}

void addStump(Solids& solids, Material stone, glm::vec3 base, float height) {
    addSolidBlock(solids, stone,
                  {base + up(0.5f * plinthHeight), {plinthHalf, 0.5f * plinthHeight, plinthHalf}},
                  allFaces & ~faceNegY);
    addSolidLathe(solids, stone, base,
                  {{shaftRadius, plinthHeight},
                   {shaftRadius, height},
                   {stumpTipRadius, height + stumpTipHeight},
                   {0.0f, height + stumpTipHeight}},
                  pillarSegments);
}

void addBarrel(Solids& solids, glm::vec3 base) {
    addSolidLathe(solids, Material::wood, base, profileOf(barrelProfile), barrelSegments);
    for (const Hoop& hoop : barrelHoops) {
        const float inner = hoop.radius - hoopThickness;
        addLathe(solids.mesh, Material::metal, base,
                 {{inner, hoop.height},
                  {hoop.radius, hoop.height},
                  {hoop.radius, hoop.height + hoopHeight},
                  {inner, hoop.height + hoopHeight}},
                 barrelSegments);
    }
}

void addBrazier(Solids& solids, glm::vec3 base) {
    const glm::vec3 bowl = base + up(bowlHeight);
    addSolidLathe(solids, Material::metal, bowl, profileOf(bowlProfile), bowlSegments);
    for (int leg = 0; leg < brazierLegs; ++leg) {
        const glm::vec3 out = around(twoPi * static_cast<float>(leg) / brazierLegs + legTurn);
        addSolidStrut(solids, Material::metal, base + out * footSpread + up(legHalfWidth),
                      bowl + out * legTopRadius + up(legTopRise), legHalfWidth);
    }
    for (int stick = 0; stick < brazierSticks; ++stick) {
        const glm::vec3 along = around(stickTurn * static_cast<float>(stick) + legTurn);
        const glm::vec3 middle =
            bowl + up(stickBottom + 2.0f * stickHalfWidth * static_cast<float>(stick));
        addStrut(solids.mesh, Material::wood, middle - along * stickHalfLength,
                 middle + along * stickHalfLength, stickHalfWidth);
    }
    addLathe(solids.mesh, Material::embers, bowl, profileOf(coalProfile), bowlSegments);
    addFlames(solids, bowl + up(brazierFlameFoot), brazierFlames);
    solids.fires.push_back({FireKind::brazier, bowl + up(brazierFlameFoot)});
}

void addBracket(Solids& solids, glm::vec3 wall, glm::vec3 normal) {
    const float yaw = std::atan2(-normal.z, normal.x);
    addSolidBlock(solids, Material::metal,
                  {wall + normal * bracketPlateHalf.x, bracketPlateHalf, yaw});
    addSolidBlock(solids, Material::metal,
                  {wall + normal * bracketArmOut - up(bracketArmDrop), bracketArmHalf, yaw});
    const glm::vec3 cup = wall + normal * bracketCupOut - up(bracketCupDrop);
    addSolidLathe(solids, Material::metal, cup, profileOf(bracketCupProfile), cupSegments);
    addSolidLathe(solids, Material::wood, cup + up(torchSeat), profileOf(torchProfile),
                  torchSegments);
    addLathe(solids.mesh, Material::embers, cup + up(torchSeat), profileOf(torchHeadProfile),
             torchSegments);
    addLathe(solids.mesh, Material::flame, cup + up(torchSeat), profileOf(torchFlameProfile),
             flameSegments);
    solids.fires.push_back({FireKind::torch, cup + up(torchSeat)});
}

void addCandle(Solids& solids, glm::vec3 base) {
    addLathe(solids.mesh, Material::plaster, base, profileOf(candleProfile), candleSegments);
    addLathe(solids.mesh, Material::flame, base, profileOf(candleFlameProfile), candleSegments);
    solids.fires.push_back({FireKind::candle, base});
}

void addTableWithBenches(Solids& solids, glm::vec3 base, float yaw) {
    const glm::vec3 across(std::cos(yaw), 0.0f, -std::sin(yaw));
    const glm::vec3 along(std::sin(yaw), 0.0f, std::cos(yaw));
    addSolidBlock(solids, Material::wood,
                  {base + up(tableHeight - tableTopHalf.y), tableTopHalf, yaw});
    const float legHeight = tableHeight - 2.0f * tableTopHalf.y;
    for (int corner = 0; corner < 4; ++corner) {
        const float sx = (corner & 1) ? 1.0f : -1.0f;
        const float sz = (corner & 2) ? 1.0f : -1.0f;
        const glm::vec3 at = base + across * sx * (tableTopHalf.x - legInsetAcross) +
                             along * sz * (tableTopHalf.z - legInsetAlong);
        addSolidBlock(solids, Material::wood,
                      {at + up(0.5f * legHeight), {legHalf, 0.5f * legHeight, legHalf}, yaw},
                      allFaces & ~faceNegY & ~facePosY);
    }
    const float benchLegHeight = benchHeight - 2.0f * benchTopHalf.y;
    for (int side = -1; side <= 1; side += 2) {
        const glm::vec3 bench = base + across * (benchOffset * static_cast<float>(side));
        addSolidBlock(solids, Material::wood,
                      {bench + up(benchHeight - benchTopHalf.y), benchTopHalf, yaw});
        for (int end = -1; end <= 1; end += 2) {
            addSolidBlock(solids, Material::wood,
                          {bench + along * (benchLegAlong * static_cast<float>(end)) +
                               up(0.5f * benchLegHeight),
                           benchLegHalf + up(0.5f * benchLegHeight), yaw},
                          allFaces & ~faceNegY & ~facePosY);
        }
    }
}

void addPlankDoor(Solids& solids, const Box& recess) {
    const float front = recess.min.z + doorThickness;
    const float middle = 0.5f * (recess.min.x + recess.max.x);
    const float halfWidth = 0.5f * (recess.max.x - recess.min.x);
    addSolidBox(solids, Material::wood, {recess.min, {recess.max.x, recess.max.y, front}},
                facePosZ);
    for (float height : bandHeights) {
        addSolidBlock(solids, Material::metal,
                      {{middle, recess.min.y + height, front + bandHalfThickness},
                       {halfWidth - bandInset, bandHalfHeight, bandHalfThickness}},
                      allFaces & ~faceNegZ);
    }
    const glm::vec3 ring(middle + ringOffset.x, recess.min.y + ringOffset.y, front);
    addSolidStrut(solids, Material::metal, ring, ring + glm::vec3(0.0f, 0.0f, ringDepth), ringHalf);
}

void addUrn(Solids& solids, glm::vec3 base) {
    addSolidLathe(solids, Material::metal, base, profileOf(urnProfile), urnSegments);
}

void addBarredGate(Solids& solids, const Arch& arch, float floorY, float depth) {
    const int depthAxis = arch.spanAxis == 0 ? 2 : 0;
    auto bar = [&](float spanFrom, float spanTo, float low, float high, float halfDepth,
                   unsigned faces) {
        Box box;
        box.min[arch.spanAxis] = spanFrom;
        box.max[arch.spanAxis] = spanTo;
        box.min[depthAxis] = depth - halfDepth;
        box.max[depthAxis] = depth + halfDepth;
        box.min.y = low;
        box.max.y = high;
        addSolidBox(solids, Material::metal, box, faces);
    };
    const unsigned spanEnds = arch.spanAxis == 0 ? facePosX | faceNegX : facePosZ | faceNegZ;
    for (float s = arch.spanMin + barSpacing; s < arch.spanMax - 0.5f * barSpacing;
         s += barSpacing) {
        bar(s - barHalf, s + barHalf, floorY, archUndersideLow(arch, s - barHalf, s + barHalf),
            barHalf, allFaces & ~faceNegY & ~facePosY);
    }
    const float radius = 0.5f * (arch.spanMax - arch.spanMin);
    const float middle = 0.5f * (arch.spanMax + arch.spanMin);
    for (float rail : gateRails) {
        const float y = floorY + rail;
        const float rise = std::max(0.0f, y + barHalf - arch.springY);
        const float halfWidth = std::sqrt(std::max(0.0f, radius * radius - rise * rise));
        bar(middle - halfWidth, middle + halfWidth, y - barHalf, y + barHalf, 2.0f * barHalf,
            allFaces & ~spanEnds);
    }
}

void addChandelier(Solids& solids, glm::vec3 ringCentre, float ceilingY) {
    const float inner = chandelierRadius - chandelierRingHalf;
    const float outer = chandelierRadius + chandelierRingHalf;
    const float thickness = 2.0f * chandelierRingHalf;
    addSolidLathe(
        solids, Material::metal, ringCentre,
        {{inner, 0.0f}, {outer, 0.0f}, {outer, thickness}, {inner, thickness}, {inner, 0.0f}},
        chandelierSegments);
    const glm::vec3 hook(ringCentre.x, ceilingY - hookDrop, ringCentre.z);
    addSolidStrut(solids, Material::metal, hook, {hook.x, ceilingY, hook.z}, 2.0f * chainHalf);
    for (int chain = 0; chain < chains; ++chain) {
        addSolidStrut(solids, Material::metal,
                      ringCentre +
                          around(twoPi * static_cast<float>(chain) / chains) * chandelierRadius,
                      hook, chainHalf);
    }
    for (int cup = 0; cup < chandelierCups; ++cup) {
        const float angle = twoPi * (static_cast<float>(cup) + 0.5f) / chandelierCups;
        const glm::vec3 cupBase = ringCentre + around(angle) * chandelierRadius + up(thickness);
        addLathe(solids.mesh, Material::metal, cupBase, profileOf(candleCupProfile), cupSegments);
        addCandle(solids, cupBase + up(candleInCup));
    }
}

void addHearthFire(Solids& solids, glm::vec3 base) {
    addSolidLathe(solids, Material::embers, base, profileOf(hearthCoalProfile), hearthSegments);
    for (int log = 0; log < 2; ++log) {
        const glm::vec3 along = around(hearthLogTurn + 1.3f * static_cast<float>(log));
        const glm::vec3 middle = base + up(hearthLogHalf + 0.05f * static_cast<float>(log));
        addStrut(solids.mesh, Material::wood, middle - along * hearthLogHalfLength,
                 middle + along * hearthLogHalfLength, hearthLogHalf);
    }
    addFlames(solids, base + up(hearthFlameFoot), hearthFlames);
    solids.fires.push_back({FireKind::hearth, base + up(hearthFlameFoot)});
}

void addTableware(Solids& solids, Tableware kind, glm::vec3 base) {
    switch (kind) {
    case Tableware::tankard:
        addLathe(solids.mesh, Material::metal, base, profileOf(tankardProfile), tablewareSegments);
        break;
    case Tableware::plate:
        addLathe(solids.mesh, Material::metal, base, profileOf(plateProfile), tablewareSegments);
        break;
    case Tableware::bowl:
        addLathe(solids.mesh, Material::wood, base, profileOf(bowlOnTableProfile),
                 tablewareSegments);
        break;
    case Tableware::candlestick:
        addLathe(solids.mesh, Material::metal, base, profileOf(candlestickProfile),
                 tablewareSegments);
        addCandle(solids, base + up(candlestickHeight - candleInCup));
        break;
    }
}

void addGrate(Solids& solids, const Box& opening, float thickness) {
    const float low = opening.min.y - thickness;
    for (float x = opening.min.x + grateBarSpacing; x < opening.max.x - 0.5f * grateBarSpacing;
         x += grateBarSpacing) {
        addSolidBox(solids, Material::metal,
                    {{x - 0.5f * thickness, low, opening.min.z},
                     {x + 0.5f * thickness, opening.min.y, opening.max.z}},
                    allFaces & ~facePosZ & ~faceNegZ);
    }
    for (float z : {opening.min.z + grateRailInset, opening.max.z - grateRailInset}) {
        addSolidBox(solids, Material::metal,
                    {{opening.min.x, low - thickness, z - 0.5f * thickness},
                     {opening.max.x, low, z + 0.5f * thickness}},
                    allFaces & ~facePosX & ~faceNegX);
    }
}

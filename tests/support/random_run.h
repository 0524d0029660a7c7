// random_run.h — random editing runs (seed and length from MW_RANDOM_SEED, MW_RANDOM_STEPS),
// and what must hold of the display list and the pieces after every step.
#pragma once

#include <array>
#include <cstdlib>
#include <functional>
#include <random>
#include <string>
#include <vector>

#include "interface/interface.h"
#include "picture/compose.h"
#include "picture/imgobj.h"

// An environment variable as a number, `fallback` when it is not set.
inline uint32_t RandomRunSetting(const char *name, uint32_t fallback)
{
    const char *s = std::getenv(name);
    return s && *s ? static_cast<uint32_t>(std::strtoul(s, nullptr, 0)) : fallback;
}

inline int RandomIn(std::mt19937 &rng, int lo, int hi)
{
    return std::uniform_int_distribution<int>(lo, hi)(rng);
}

struct RandomAction {
    const char *name;
    int weight;
    std::function<void()> run;
};

// Draws one action of the table, by weight.
inline const RandomAction &NextAction(std::mt19937 &rng, const std::vector<RandomAction> &table)
{
    std::vector<int> weights;
    for (const RandomAction &a : table)
        weights.push_back(a.weight);
    return table[std::discrete_distribution<size_t>(weights.begin(), weights.end())(rng)];
}

// An image object on its way out: removed, or dying within two frames.
inline bool Leaving(const AO *e)
{
    return e->bRemove || e->AnimateProc == AO_DieProc;
}

// The clip-art and text pieces that stay, back to front.
inline std::vector<IMGOBJ *> Pieces()
{
    std::vector<IMGOBJ *> out;
    for (AO *e = gAOList; e; e = e->pNext)
        if (e->iType == AO_TYPE_IMGOBJ && !Leaving(e) &&
            reinterpret_cast<IMGOBJ *>(e)->iKind != IMG_SRC)
            out.push_back(reinterpret_cast<IMGOBJ *>(e));
    return out;
}

// A point on a random piece half of the time, anywhere in the window otherwise.
inline std::pair<int, int> RandomPoint(std::mt19937 &rng)
{
    const auto pieces = Pieces();
    if (!pieces.empty() && RandomIn(rng, 0, 1)) {
        const AO &a = pieces[RandomIn(rng, 0, int(pieces.size()) - 1)]->ao;
        return {a.x + RandomIn(rng, 0, a.iWidth), a.y + RandomIn(rng, 0, a.iHeight)};
    }
    return {RandomIn(rng, -20, gScreenWidth + 20), RandomIn(rng, -20, gScreenHeight + 20)};
}

// The pieces back to front: names and texts into *names; place relative to the picture,
// size, turn, mirroring and style.
inline std::vector<std::array<int, 8>> PieceView(std::string *names)
{
    std::vector<std::array<int, 8>> v;
    for (const IMGOBJ *o : Pieces()) {
        *names += std::string(o->szFileName) + ":" + o->szText + "|";
        v.push_back({o->ao.x - gPictureRect.x, o->ao.y - gPictureRect.y, int(o->fWidth),
                     int(o->fHeight), o->iAngle, o->bFlipH, o->bFlipV, o->iTextStyle});
    }
    return v;
}

// What a change and its reverse (an undo and a redo, a resize and back) left changed of the
// pieces, or "": settled by frames before and after, they are as they were within a pixel.
inline std::string ThereAndBackProblem(const std::function<bool()> &thereAndBack,
                                       const std::function<void()> &frames)
{
    frames();
    std::string names[2];
    const auto before = PieceView(&names[0]);
    if (!thereAndBack())
        return "failed on the way";
    frames();
    const auto after = PieceView(&names[1]);
    if (names[0] != names[1] || before.size() != after.size())
        return "other pieces: " + names[0] + " became " + names[1];
    for (size_t i = 0; i < before.size(); i++)
        for (size_t k = 0; k < before[i].size(); k++)
            if (std::abs(before[i][k] - after[i][k]) > 1)
                return "piece " + std::to_string(i) + ", number " + std::to_string(k) + ": " +
                       std::to_string(before[i][k]) + " became " + std::to_string(after[i][k]);
    return "";
}

// What is wrong with the display list and the pieces, or "". Settled: two frames ran since
// the last action, so removed pieces are gone and the others rebuilt and within reach.
inline std::string PictureProblem(bool settled)
{
    const XYWH r = gPictureRect;
    int forward = 0, backward = 0, photos = 0, listed = 0;
    bool selectionListed = false;
    AO *last = nullptr;
    for (AO *e = gAOList; e; last = e, e = e->pNext) {
        if (++forward > 100000 || e->pPrev != last)
            return "the list's links disagree";
        if (last && last->iLayer > e->iLayer)
            return "layers out of order";
        if (e->iType != AO_TYPE_IMGOBJ)
            continue;
        listed += e->bRemove != 1;
        if (settled && Leaving(e))
            return "a removed image object is still listed after two frames";
        const IMGOBJ *o = reinterpret_cast<IMGOBJ *>(e);
        photos += !Leaving(e) && o->iKind == IMG_SRC;
        if (Leaving(e) || o->iKind == IMG_SRC)
            continue;
        selectionListed |= o == gSelected;
        const std::string piece = std::string(o->szFileName) + " at " + std::to_string(e->x) + "," +
                                  std::to_string(e->y) + ": ";
        if (o->bSelected != (o == gSelected))
            return piece + "its mark disagrees with the selection";
        if (o->iAngle < 0 || o->iAngle > 360 || (o->iKind == IMG_TEXT && o->iAngle) ||
            (o->bFlipH | o->bFlipV) > 1)
            return piece + "turn or mirror out of range";
        if (!(o->fWidth > 0 && o->fHeight > 0 && o->fWidth <= r.w + 1 && o->fHeight <= r.h + 1))
            return piece + "size out of range";
        // A button held on a slow machine sizes the selected piece's outline only, and the
        // piece is rebuilt when the button comes up.
        if (settled && !(gMouseDown && o == gSelected) &&
            (o->bNeedsUpdate || e->iWidth != int(o->fWidth) || e->iHeight != int(o->fHeight)))
            return piece + "not rebuilt to its size";
        if (settled && (e->x < r.x - e->iWidth + 25 || e->x > r.x + r.w - 25 ||
                        e->y < r.y - e->iHeight + 25 || e->y > r.y + r.h - 25))
            return piece + "out of reach";
    }
    for (AO *e = last; e && backward <= forward; e = e->pPrev)
        backward++;
    if (backward != forward)
        return "walked back, the list has another length";
    if (photos != 1)
        return std::to_string(photos) + " photos";
    if (gSelected && !selectionListed)
        return "the selection is no listed piece";
    if (AO_CountType(AO_TYPE_IMGOBJ) != listed)
        return "the count of image objects disagrees";
    if (r.x < PICTURE_AREA_LEFT || r.y < PICTURE_AREA_TOP ||
        r.x + r.w > gScreenWidth - PICTURE_AREA_MARGIN_W + PICTURE_AREA_LEFT ||
        r.y + r.h > gScreenHeight - PICTURE_AREA_MARGIN_H + PICTURE_AREA_TOP)
        return "the picture lies outside its area";
    return "";
}

// photodialoglogic.h — what the photo size dialog computes, without a window: the labels
// and sizes of its six choices, the proportional partner of a typed size, and the
// validation of the custom size.
#pragma once

#include <cstddef>
#include <cstdint>

// The choices' radio buttons, in this order: Original, Screen, three fixed sizes, Custom.
constexpr int32_t PHOTOSIZE_ORIGINAL = 301;
constexpr int32_t PHOTOSIZE_SCREEN = 302;
constexpr int32_t PHOTOSIZE_CUSTOM = 306;
// The custom size's limits, each side.
constexpr int32_t PHOTOSIZE_MIN = 100;
constexpr int32_t PHOTOSIZE_MAX = 2048;

// A photo is landscape when it is wider than high; otherwise (square too) the fixed
// sizes are offered turned.
int PhotoIsUpright(int32_t photoWidth, int32_t photoHeight);
// The size a choice from 301 to 305 stands for, from the photo's size and the picture's
// size on screen. 0 for any other id (Custom takes its boxes).
int PhotoSizeOfChoice(int32_t id, int32_t photoWidth, int32_t photoHeight, int32_t screenWidth,
                      int32_t screenHeight, int32_t *width, int32_t *height);
// The label of a choice from 301 to 306 in the current language.
void PhotoSizeLabel(int32_t id, int32_t photoWidth, int32_t photoHeight, int32_t screenWidth,
                    int32_t screenHeight, char *out, size_t size);
// The number a size box holds: digits only, surrounding spaces allowed, at most nine
// digits. 0 when the text is not such a number.
int PhotoSizeNumber(const char *text, int32_t *value);
// The partner of a typed side that keeps the photo's proportions: the whole part of
// value × numerator / denominator + 0.5 (the product in integers, the division in
// floating point). 0 when the denominator is 0.
int ProportionalSide(int32_t value, int32_t numerator, int32_t denominator, int32_t *partner);
// Checks a custom size box: 1 when it holds a number from 100 to 2048 (stored in
// *value). Otherwise 0 with the dialog's message, string stringId filled with the
// limits, in the trail.
int CustomSideValid(const char *text, int32_t stringId, int32_t *value);

#include "manoeuvres/catalogue.h"

#include "platform/resources.h"

namespace manoeuvres {
namespace {

constexpr bool kGearDown = true;
constexpr bool kGearUp = false;
constexpr bool kClientSize = true;
constexpr bool kNoClientSize = false;

constexpr Programme kProgrammes[kProgrammeCount] = {
    // number, N, aircraft numbers by slot, gear, keys, duration ms, WAVE, client size, routine
    {1, 4, {1, 2, 3, 4}, kGearDown, 23, 68000, 193, kClientSize, 1},
    {2, 1, {5}, kGearUp, 69, 60000, 194, kNoClientSize, 2},
    {3, 1, {6}, kGearDown, 16, 26000, 195, kNoClientSize, 2},
    {4, 4, {1, 2, 3, 4}, kGearUp, 9, 22000, 196, kNoClientSize, 4},
    {5, 1, {5}, kGearUp, 28, 12500, 197, kNoClientSize, 5},
    {6, 5, {1, 2, 3, 4, 6}, kGearUp, 27, 79200, 198, kClientSize, 6},
    {7, 1, {5}, kGearUp, 41, 53000, 199, kNoClientSize, 7},
    {8, 5, {1, 2, 3, 4, 6}, kGearUp, 17, 35500, 200, kClientSize, 8},
    {9, 1, {5}, kGearUp, 44, 22000, 201, kNoClientSize, 2},
    {10, 1, {6}, kGearUp, 13, 14000, 202, kNoClientSize, 5},
    {11, 4, {1, 2, 3, 4}, kGearUp, 30, 50000, 203, kClientSize, 11},
    {12, 2, {5, 6}, kGearUp, 14, 20000, 204, kClientSize, 12},
    {13, 4, {1, 2, 3, 4}, kGearUp, 30, 70000, 205, kClientSize, 13},
    {14, 2, {5, 6}, kGearUp, 19, 18000, 206, kClientSize, 14},
    {15, 4, {1, 2, 3, 4}, kGearUp, 28, 25000, 207, kClientSize, 15},
    {16, 3, {4, 5, 6}, kGearUp, 21, 42000, 208, kClientSize, 16},
    {17, 3, {1, 2, 3}, kGearUp, 15, 38000, 209, kClientSize, 17},
    {18, 1, {5}, kGearUp, 31, 58000, 210, kNoClientSize, 18},
    {19, 5, {1, 2, 3, 4, 6}, kGearUp, 21, 40000, 212, kClientSize, 19},
    {20, 6, {1, 2, 3, 4, 5, 6}, kGearUp, 33, 17000, 213, kClientSize, 20},
    {21, 6, {1, 2, 3, 4, 5, 6}, kGearUp, 22, 56000, 214, kClientSize, 21},
    {22, 6, {1, 2, 3, 4, 5, 6}, kGearUp, 18, 35000, 215, kClientSize, 22},
    {23, 1, {5}, kGearUp, 51, 52000, 216, kNoClientSize, 2},
    {24, 5, {1, 2, 3, 4, 6}, kGearUp, 30, 83000, 217, kClientSize, 24},
    {25, 2, {5, 6}, kGearUp, 76, 58000, 218, kClientSize, 25},
    {26, 4, {1, 2, 3, 4}, kGearUp, 34, 35000, 219, kClientSize, 26},
    {27, 2, {5, 6}, kGearUp, 47, 25000, 220, kClientSize, 27},
    {28, 6, {1, 2, 3, 4, 5, 6}, kGearUp, 20, 38000, 231, kClientSize, 28},
    {29, 5, {1, 2, 3, 4, 6}, kGearUp, 25, 14000, 232, kClientSize, 29},
    {30, 1, {5}, kGearUp, 28, 12000, 234, kNoClientSize, 2},
    {31, 4, {1, 2, 3, 4}, kGearUp, 17, 26000, 241, kClientSize, 31},
    {32, 4, {1, 2, 3, 4}, kGearUp, 27, 26000, 242, kClientSize, 32},
    {33, 6, {1, 2, 3, 4, 5, 6}, kGearUp, 24, 61000, 239, kClientSize, 33},
    {34, 6, {1, 2, 3, 4, 5, 6}, kGearUp, 9, 19000, 236, kClientSize, 34},
    {35, 3, {4, 5, 6}, kGearUp, 21, 42000, 243, kClientSize, 35},
    {36, 6, {1, 2, 3, 4, 5, 6}, kGearDown, 4, 18000, 221, kClientSize, 36},
    {37, 6, {1, 2, 3, 4, 5, 6}, kGearUp, 4, 18000, 221, kClientSize, 36},
    {38, 6, {1, 2, 3, 4, 5, 6}, kGearUp, 4, 18000, 221, kClientSize, 36},
    {39, 6, {1, 2, 3, 4, 5, 6}, kGearUp, 4, 18000, 221, kClientSize, 36},
    {40, 6, {1, 2, 3, 4, 5, 6}, kGearUp, 4, 18000, 221, kClientSize, 36},
};

}  // namespace

const UpdateRoutine& Programme::Routine() const { return *FindUpdateRoutine(routineNumber); }

std::span<const Programme> Programmes() { return kProgrammes; }

const Programme* FindProgramme(int number) {
    if (number < 1 || number > kProgrammeCount) return nullptr;
    return &kProgrammes[number - 1];
}

std::string ProgrammeName(int number) { return platform::ProgrammeName(number); }

}  // namespace manoeuvres

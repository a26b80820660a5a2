// Smooth gradient noise from integer hashing: the same numbers on every machine and run.
#pragma once

namespace assets {

// Gradient noise in about -1..1, smooth in x and y; seed picks an independent field.
float Noise2(float x, float y, unsigned seed);
// Sum of octaves, each twice the frequency and `gain` times the amplitude of the one before.
float Fbm2(float x, float y, unsigned seed, int octaves, float gain = 0.5f);
// A hash of integers to 0..1, for scattering details.
float Hash01(int x, int y, unsigned seed);

float Smoothstep(float edge0, float edge1, float x);

}  // namespace assets

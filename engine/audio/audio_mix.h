// The mixer's arithmetic on planar float blocks.
#pragma once

namespace zovi::engine {

// Adds `samples` samples of each of `channels` planes of `block` into `mix`.
void AddToMix(float* const* mix, const float* const* block, int channels, int samples);
// Clamps every sample to [-1, 1].
void ClampMix(float* const* mix, int channels, int samples);

}  // namespace zovi::engine

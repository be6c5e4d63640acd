// Seeds of the random-input tests: a fixed default, or the value of an environment variable.
#pragma once

#include <cstdint>
#include <cstdlib>

inline uint32_t SeedFromEnvironment(const char* Name, uint32_t Default) {
  const char* V = std::getenv(Name);
  return V && *V ? static_cast<uint32_t>(std::strtoul(V, nullptr, 0)) : Default;
}

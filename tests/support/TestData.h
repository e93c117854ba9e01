#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>

#include "platform/Exception.h"

// The message of the Exception an action fails with, or "(no failure)".
inline std::string FailureOf(const std::function<void()>& action) {
  try {
    action();
  } catch (const Exception& e) {
    return e.Message();
  }
  return "(no failure)";
}

// Bytes that do not compress (a fixed xorshift sequence, the same in every run).
inline std::string Noise(std::size_t size) {
  std::string s(size, '\0');
  std::uint32_t x = 2463534242u;
  for (char& c : s) {
    x ^= x << 13, x ^= x >> 17, x ^= x << 5;
    c = static_cast<char>(x);
  }
  return s;
}

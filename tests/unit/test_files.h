#pragma once
// Reading files the build made for the tests.
#include <fstream>
#include <iterator>
#include <string>

namespace kvt {

inline std::string ReadWholeFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

}  // namespace kvt
